#pragma once
// run.log in the application home: one entry per call (separator, local time, tag, text, empty line),
// deleted once it has grown past 4 MiB so it never fills the disk. Failures are silent by design: the
// log must never stop the program. Callable from any thread; entries never interleave.

#include <QString>
#include <mutex>

class RunLog {
  public:
    static constexpr qint64 kMaxBytes = 0x400000;

    explicit RunLog(QString path) : path_(std::move(path)) {}
    const QString& Path() const { return path_; }

    void WriteRunLog(const QString& tag, const QString& text);

    static QByteArray FormatEntry(const QString& tag, const QString& text, const QString& timestamp);

  private:
    QString path_;
    std::mutex mutex_;
};
