#pragma once
// An advisory lock (flock) on the home's lock file, held by whoever reads the home's files, changes them
// and writes them back, so that the window and any number of skimmer-cli processes never lose each
// other's changes. Released by the destructor. A process that holds the lock already gets it again at
// once (a save inside a command that runs under the lock), so the lock does not keep threads of one
// process apart: their own locks do. Any thread.

#include <QString>

class HomeLock {
  public:
    static constexpr int kWaitMs = 10000;

    explicit HomeLock(QString lockPath) : path_(std::move(lockPath)) {}
    ~HomeLock() { Release(); }
    HomeLock(const HomeLock&) = delete;
    HomeLock& operator=(const HomeLock&) = delete;

    // Waits up to `waitMs` for the lock; false with the reason when another process kept it that long
    // ("the home ... is busy") or the lock file cannot be opened.
    bool Acquire(QString* error, int waitMs = kWaitMs);
    void Release();
    bool Held() const { return held_; }

  private:
    QString path_;
    bool held_ = false;
};
