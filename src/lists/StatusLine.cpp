#include "lists/StatusLine.h"

#include <QMutexLocker>

#include "lists/RunLog.h"

void StatusLine::ShowMsg(const QString& first, const QString& second, const QString& third, int toLog) {
    const QString text = first + u' ' + second + u' ' + third;
    {
        // Swap rather than assign: the old text is then released by the inline destructor below, whose
        // reference count ThreadSanitizer can follow (Qt's own assignment is not instrumented).
        QString previous = text;
        QMutexLocker lock(&mutex_);
        current_.swap(previous);
    }
    Q_EMIT messageShown(text);
    if (toLog != 0 && runLog_) runLog_->WriteRunLog(QStringLiteral("showmsg"), text);
}

QString StatusLine::Current() const {
    QMutexLocker lock(&mutex_);
    return current_;
}
