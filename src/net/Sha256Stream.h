#pragma once
// SHA-256 of a byte stream fed piece by piece as it is written, so a finished download's digest costs no
// second read of the file. libcrypto's implementation, which uses the processor's SHA instructions and
// keeps pace with a loopback transfer. Not thread-safe: one stream per transfer thread.

#include <QByteArray>
#include <QString>
#include <atomic>

class Sha256Stream {
  public:
    Sha256Stream();
    ~Sha256Stream();
    Sha256Stream(const Sha256Stream&) = delete;
    Sha256Stream& operator=(const Sha256Stream&) = delete;

    void Add(const char* data, size_t size);
    // Starts over with nothing hashed.
    void Reset();
    // Hashes the first `bytes` of the open file `fd` (read with pread, the offset stays). False when the
    // file is shorter, cannot be read, or `stop` becomes true on the way; the stream is then unusable.
    bool AddFilePrefix(int fd, qint64 bytes, const std::atomic<bool>* stop);
    // The digest of everything added, as 64 lower-case hexadecimal digits; empty when the stream failed.
    // The stream is finished afterwards.
    QString HexDigest();
    bool Usable() const { return usable_; }

  private:
    struct Context;
    Context* context_;
    bool usable_ = true;
};
