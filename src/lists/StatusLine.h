#pragma once
// The one status line of the program. ShowMsg may be called from any thread; whoever shows the line
// (window, terminal) connects to messageShown, which Qt delivers as a queued call on the receiver's
// thread when the sender is another thread.

#include <QDateTime>
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
    // The state the current message describes has ended (the downloads or the search stopped): the
    // message is shown again as a past one, after the time it was shown, so it is not read as what is
    // happening now. Nothing when there is no message or it is marked already; the next ShowMsg is
    // current again. Not written to the run log, which has the message with its time already.
    void MarkPast();

  Q_SIGNALS:
    void messageShown(const QString& text);

  private:
    RunLog* runLog_;
    mutable QMutex mutex_;
    QString current_;
    qint64 shownAtMs_ = 0;  // when the current message was shown (ShowMsg runs hundreds of times a second)
    bool past_ = false;
};
