#include "lists/StatusLine.h"

#include <QCoreApplication>
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
        shownAtMs_ = QDateTime::currentMSecsSinceEpoch();  // the local time is worked out only if marked
        past_ = false;
    }
    Q_EMIT messageShown(text);
    if (toLog != 0 && runLog_) runLog_->WriteRunLog(QStringLiteral("showmsg"), text);
}

QString StatusLine::Current() const {
    QMutexLocker lock(&mutex_);
    return current_;
}

void StatusLine::MarkPast() {
    QString shown;
    {
        QMutexLocker lock(&mutex_);
        if (past_ || current_.trimmed().isEmpty()) return;
        past_ = true;
        QString marked =
            QCoreApplication::translate("StatusLine", "(at %1) %2")
                .arg(QDateTime::fromMSecsSinceEpoch(shownAtMs_).toString(QStringLiteral("HH:mm:ss")),
                     current_);
        shown = marked;
        current_.swap(marked);  // as in ShowMsg: the old text goes with `marked`
    }
    Q_EMIT messageShown(shown);
}
