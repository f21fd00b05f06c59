#include "app/MetaHarvest.h"

#include <QCoreApplication>

#include "download/MetadataTable.h"
#include "meta/MetaWorkerServer.h"
#include "meta/MetaWorkerClient.h"

MetaHarvest::MetaHarvest(MetadataTable& table, const QString& program, const QStringList& arguments)
    : table_(table), worker_(std::make_unique<MetaWorkerClient>(program, arguments)) {}

MetaHarvest::~MetaHarvest() { Stop(); }

QString MetaHarvest::WorkerProgram() {
    const QString program = qEnvironmentVariable("SKIMMER_META_WORKER");
    if (!program.isEmpty()) return program;
    return QCoreApplication::applicationDirPath() + QStringLiteral("/skimmer-cli");
}

QStringList MetaHarvest::WorkerArguments() { return {QString::fromLatin1(MetaWorkerServer::kOption)}; }

void MetaHarvest::Start() {
    if (thread_.joinable()) return;
    stop_ = false;
    thread_ = std::thread([this] { Loop(); });
}

void MetaHarvest::Stop() {
    {
        std::lock_guard<std::mutex> lock(lock_);
        stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void MetaHarvest::Poke() {
    {
        std::lock_guard<std::mutex> lock(lock_);
        poked_ = true;
    }
    wake_.notify_all();
}

int MetaHarvest::ReadBatch(const std::function<void(const QString& file)>& progress, bool background,
                           const std::atomic<bool>* stop) {
    int done = 0;
    for (const MetadataTable::Pending& document : table_.PendingDocuments(64)) {
        if ((background && stop_.load()) || (stop && stop->load())) break;
        if (progress) progress(document.file);
        DocMetadata metadata = worker_->Read(document.file);
        // A document is recorded a moment before its file takes its final name. While downloads run, a
        // file that is not there yet, or not yet the recorded bytes, waits for a later round rather than
        // being marked unreadable for good; one still so after kSettleSeconds is taken as it is.
        const bool unsettled = metadata.sha256.isEmpty() ||
                               (!document.sha256.isEmpty() && metadata.sha256 != document.sha256);
        if (background && unsettled) {
            const auto now = std::chrono::steady_clock::now();
            const auto first = deferred_.try_emplace(document.file, now).first->second;
            if (now - first < std::chrono::seconds(kSettleSeconds)) continue;
        }
        deferred_.erase(document.file);
        if (document.sha256.isEmpty() && metadata.sha256.isEmpty()) {
            // Saved without its digest and unreadable now: marked so, not asked for again.
            table_.FillDigest(document.file, QString());
            ++done;
            continue;
        }
        if (!document.sha256.isEmpty() && !metadata.sha256.isEmpty() && metadata.sha256 != document.sha256) {
            // Another file under the document's name: its fields would be recorded as the document's.
            const QString reason = QStringLiteral("the file no longer holds the downloaded document");
            metadata = DocMetadata();
            metadata.status = MetaStatus::Failed;
            metadata.reason = reason;
        }
        // Keyed by what the registry knows, so a file that is gone or changed is not read again and again;
        // a file saved without its digest (it had no possible twin) gets the reading's.
        if (!document.sha256.isEmpty()) metadata.sha256 = document.sha256;
        if (!table_.Store(metadata, document.sha256.isEmpty() ? document.file : QString()))
            break;  // a table that takes nothing would be asked forever
        ++read_;
        ++done;
    }
    return done;
}

int MetaHarvest::ReadAllPending(const std::function<void(const QString& file)>& progress,
                                const std::atomic<bool>* stop) {
    int total = 0;
    for (int done; (done = ReadBatch(progress, false, stop)) > 0;) total += done;
    return total;
}

void MetaHarvest::Loop() {
    while (!stop_.load()) {
        while (!stop_.load() && ReadBatch({}, true) > 0) {
        }
        std::unique_lock<std::mutex> lock(lock_);
        wake_.wait_for(lock, std::chrono::seconds(kRoundSeconds), [this] { return stop_.load() || poked_; });
        poked_ = false;
    }
}
