#pragma once
// The one status line of the program. ShowMsg may be called from any thread; whoever shows the line
// (window, terminal) connects to messageShown, which Qt delivers as a queued call on the receiver's
// thread when the sender is another thread.

#include <QMutex>
#include <QObject>
#include <QString>

class RunLog;

class StatusLine : public QObject {
    Q_OBJECT
  public:
    explicit StatusLine(RunLog* runLog, QObject* parent = nullptr) : QObject(parent), runLog_(runLog) {}

    // Shows "first second third" (the separating spaces stay when parts are empty) and, when toLog is
    // non-zero, writes it to the run log under the tag "showmsg".
    void ShowMsg(const QString& first, const QString& second, const QString& third, int toLog);

    QString Current() const;

  Q_SIGNALS:
    void messageShown(const QString& text);

  private:
    RunLog* runLog_;
    mutable QMutex mutex_;
    QString current_;
};
