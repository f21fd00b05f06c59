#pragma once
// The one way the program replaces a file: the bytes go to a temporary file beside it, which is synced
// and renamed over the old one only when every write, the sync and the close succeeded. On any failure
// the temporary file is removed, the old file stays whole and the reason is given. Any thread.

#include <sys/types.h>
#include <QByteArray>
#include <QString>

class SafeFile {
  public:
    // Replaces `path` (or, when it is a symbolic link, the file it points to) with `bytes`. A path that
    // exists and is not a regular file (a folder, a device, a pipe) is refused. False with the reason
    // in `error` (a sentence without the path) when the file could not be replaced.
    // `privateMode`: the new file is readable by its owner only (0600), whatever the old one allowed.
    static bool Write(const QString& path, const QByteArray& bytes, QString* error = nullptr,
                      bool privateMode = false);
    // As Write, but a symbolic link at `path` is replaced by the new file, never followed: for files
    // written where the user points (lists, exports), a folder others can write to may hold a link
    // planted there to make us overwrite a file elsewhere.
    static bool Replace(const QString& path, const QByteArray& bytes, QString* error = nullptr);

    // The system calls that can fail on a full or failing disk, so that tests can stand in for them.
    struct SystemCalls {
        ssize_t (*write)(int fd, const void* data, size_t size);
        int (*fsync)(int fd);
        int (*close)(int fd);
    };
    // nullptr restores the real calls. Not meant to be changed while another thread saves.
    static void SetSystemCallsForTesting(const SystemCalls* calls);

  private:
    static bool WriteTo(const QString& target, bool followLinks, const QByteArray& bytes, QString* error,
                        bool privateMode);
};
