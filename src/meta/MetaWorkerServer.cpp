#include "meta/MetaWorkerServer.h"

#include <sys/resource.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <string>

#include "meta/DocumentReader.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define SKIMMER_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define SKIMMER_SANITIZED 1
#endif
#endif

namespace {

void LimitCpuForNextDocument() {
    rusage usage{};
    rlimit limit{};
    if (getrusage(RUSAGE_SELF, &usage) != 0 || getrlimit(RLIMIT_CPU, &limit) != 0) return;
    // The limit counts the whole life of the process: each document gets its seconds on top of what the
    // ones before it used. Past it the kernel sends SIGXCPU, which ends the process.
    const rlim_t used = rlim_t(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + 1;
    rlim_t soft = used + MetaWorkerServer::kCpuSecondsPerDocument;
    if (limit.rlim_max != RLIM_INFINITY && soft > limit.rlim_max) soft = limit.rlim_max;
    limit.rlim_cur = soft;
    setrlimit(RLIMIT_CPU, &limit);
}

}  // namespace

bool MetaWorkerServer::MemoryLimitApplies() {
#ifdef SKIMMER_SANITIZED
    return false;
#else
    return true;
#endif
}

int MetaWorkerServer::Run() {
    if (MemoryLimitApplies()) {
        const rlimit memory{rlim_t(kAddressSpaceBytes), rlim_t(kAddressSpaceBytes)};
        setrlimit(RLIMIT_AS, &memory);
    }
    std::string line;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, stdin)) {
        line += buffer;
        if (line.empty() || line.back() != '\n') {
            if (line.size() > 1024 * 1024) return 2;  // no path is that long: not our client
            continue;
        }
        const QJsonObject request =
            QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
        line.clear();
        const QString path = request.value(QStringLiteral("path")).toString();
        LimitCpuForNextDocument();
        DocMetadata metadata;
        if (path.isEmpty()) {
            metadata.status = MetaStatus::Failed;
            metadata.reason = QStringLiteral("no path in the request");
        } else {
            metadata = DocumentReader::ReadFile(path);
        }
        const QByteArray answer = QJsonDocument(metadata.ToJson()).toJson(QJsonDocument::Compact);
        std::fwrite(answer.constData(), 1, size_t(answer.size()), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    }
    return 0;
}
