#include "lists/RunLog.h"

#include <QDateTime>
#include <QFile>

#include "lists/TextCodec.h"

QByteArray RunLog::FormatEntry(const QString& tag, const QString& text, const QString& timestamp) {
    QString entry = QString(84, u'-') + u'\n' + timestamp + u'\n' + tag + u'\n' + text + u'\n';
    entry += u'\n';
    return TextCodec::EncodeUtf8(entry);
}

void RunLog::WriteRunLog(const QString& tag, const QString& text) {
    const QString timestamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    const QByteArray entry = FormatEntry(tag, text, timestamp);

    std::lock_guard lock(mutex_);
    QFile file(path_);
    // Unbuffered append: the entry leaves in one write, so other processes appending cannot split it.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) return;
    file.write(entry);
    const qint64 size = file.size();
    file.close();
    if (size > kMaxBytes) QFile::remove(path_);
}
