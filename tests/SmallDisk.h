#pragma once
// A small tmpfs mounted for one test, so that a full disk can be met for real. Mounting needs the right
// to mount (root in most containers); without it Mounted() is false and Why() says so, and the test skips.

#include <QString>
#include <QTemporaryDir>

class SmallDisk {
  public:
    explicit SmallDisk(int kilobytes = 256);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool Mounted() const { return mounted_; }
    const QString& Why() const { return why_; }
    QString Path(const QString& relative = QString()) const;
    // Takes every free block with one file, so the next write fails with "no space".
    void Fill() const;

  private:
    QTemporaryDir dir_;
    bool mounted_ = false;
    QString why_;
};
