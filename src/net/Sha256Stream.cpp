#include "net/Sha256Stream.h"

#include <openssl/evp.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

struct Sha256Stream::Context {
    EVP_MD_CTX* md = EVP_MD_CTX_new();
    ~Context() { EVP_MD_CTX_free(md); }
};

Sha256Stream::Sha256Stream() : context_(new Context) {
    Reset();
}

Sha256Stream::~Sha256Stream() {
    delete context_;
}

void Sha256Stream::Reset() {
    usable_ = context_->md && EVP_DigestInit_ex(context_->md, EVP_sha256(), nullptr) == 1;
}

void Sha256Stream::Add(const char* data, size_t size) {
    if (usable_ && size > 0 && EVP_DigestUpdate(context_->md, data, size) != 1) usable_ = false;
}

bool Sha256Stream::AddFilePrefix(int fd, qint64 bytes, const std::atomic<bool>* stop) {
    std::vector<char> buffer(1 << 20);
    qint64 offset = 0;
    while (usable_ && offset < bytes) {
        if (stop && stop->load()) {
            usable_ = false;
            break;
        }
        const size_t want = size_t(qMin<qint64>(qint64(buffer.size()), bytes - offset));
        const ssize_t got = ::pread(fd, buffer.data(), want, off_t(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            usable_ = false;
            break;
        }
        Add(buffer.data(), size_t(got));
        offset += got;
    }
    return usable_;
}

QString Sha256Stream::HexDigest() {
    if (!usable_) return {};
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    usable_ = false;
    if (EVP_DigestFinal_ex(context_->md, digest, &length) != 1 || length != 32) return {};
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(digest), int(length)).toHex());
}
