#include "lists/StatusLine.h"

#include <QMutexLocker>

#include "lists/RunLog.h"

void StatusLine::ShowMsg(const QString& first, const QString& second, const QString& third, int toLog) {
    const QString text = first + u' ' + second + u' ' + third;
    {
        QMutexLocker lock(&mutex_);
        current_ = text;
    }
    Q_EMIT messageShown(text);
    if (toLog != 0 && runLog_) runLog_->WriteRunLog(QStringLiteral("showmsg"), text);
}

QString StatusLine::Current() const {
    QMutexLocker lock(&mutex_);
    return current_;
}
