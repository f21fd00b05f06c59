#pragma once
// A real aria2c daemon for tests: JSON-RPC on 127.0.0.1 at a free port, its own working folder, killed
// when the object goes. Started() is false when aria2c is not installed or its port never answered.

#include <QProcess>
#include <QString>

class Aria2Daemon {
  public:
    Aria2Daemon(const QString& folder, const QString& secret);
    ~Aria2Daemon();

    bool Started() const { return started_; }
    QString Url() const;
    void Kill();

    // A port nothing listens on at the moment of asking.
    static int FreePort();
    // Whether something accepts connections on 127.0.0.1 at `port`.
    static bool Listening(int port);

  private:
    QProcess process_;
    int port_ = 0;
    bool started_ = false;
};
