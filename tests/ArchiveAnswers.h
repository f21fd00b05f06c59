#pragma once
// The saved answers of the web archives (../shared/fixtures/archive-answers), read in place.

#include <QFile>
#include <QString>

inline QString ArchiveAnswersDir() {
    return qEnvironmentVariable("SKIMMER_FIXTURES", "../shared/fixtures") + "/archive-answers";
}

// The file's bytes; `found` is false when the fixtures are absent (the caller skips).
inline QByteArray ArchiveAnswer(const QString& name, bool* found) {
    QFile file(ArchiveAnswersDir() + u'/' + name);
    *found = file.open(QIODevice::ReadOnly);
    return *found ? file.readAll() : QByteArray();
}

#define ARCHIVE_ANSWER(var, name)                                                      \
    bool var##Found = false;                                                           \
    const QByteArray var = ArchiveAnswer(QStringLiteral(name), &var##Found);           \
    if (!var##Found) GTEST_SKIP() << "no archive answers at " << ArchiveAnswersDir().toStdString()
