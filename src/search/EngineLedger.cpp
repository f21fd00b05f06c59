#include "search/EngineLedger.h"

void EngineLedger::Clear() {
    std::lock_guard<std::mutex> hold(lock_);
    tallies_.clear();
    deepRows_ = 0;
}

EngineTally& EngineLedger::Of(const QString& engine) {
    // A handful of engines: a walk is as fast as any index.
    for (EngineTally& tally : tallies_) {
        if (tally.engine == engine) return tally;
    }
    EngineTally tally;
    tally.engine = engine;
    tallies_.append(tally);
    return tallies_.last();
}

void EngineLedger::Queued(const QString& engine) {
    std::lock_guard<std::mutex> hold(lock_);
    Of(engine).pagesQueued += 1;
}

void EngineLedger::Fetched(const QString& engine, int hits, int rowsAdded, int pages) {
    std::lock_guard<std::mutex> hold(lock_);
    EngineTally& tally = Of(engine);
    tally.pagesFetched += pages;
    tally.hits += hits;
    tally.rowsAdded += rowsAdded;
}

void EngineLedger::Skipped(const QString& engine, int pages) {
    std::lock_guard<std::mutex> hold(lock_);
    Of(engine).pagesSkipped += pages;
}

void EngineLedger::ProxyBlocked(const QString& engine, const QString& proxy, const QString& why) {
    std::lock_guard<std::mutex> hold(lock_);
    Of(engine).proxiesBlocked.append(QStringLiteral("%1 (%2)").arg(proxy, why));
}

bool EngineLedger::Suspend(const QString& engine, const QString& reason) {
    std::lock_guard<std::mutex> hold(lock_);
    EngineTally& tally = Of(engine);
    if (tally.blocked) return false;
    tally.blocked = true;
    tally.reason = reason;
    return true;
}

bool EngineLedger::IsSuspended(const QString& engine) const {
    std::lock_guard<std::mutex> hold(lock_);
    for (const EngineTally& tally : tallies_) {
        if (tally.engine == engine) return tally.Suspended();
    }
    return false;
}

void EngineLedger::Answered(const QString& engine) {
    std::lock_guard<std::mutex> hold(lock_);
    Of(engine).answers += 1;
}

bool EngineLedger::Failed(const QString& engine, FetchFailure kind, const QString& detail) {
    std::lock_guard<std::mutex> hold(lock_);
    EngineTally& tally = Of(engine);
    tally.failures[size_t(kind)] += 1;
    // The first reason given is the one the summary shows; a block or a stop says more.
    if (kind != FetchFailure::Network && !detail.isEmpty() && tally.reason.isEmpty()) tally.reason = detail;
    if (kind != FetchFailure::Network || tally.Suspended() || tally.answers > 0 || tally.pagesFetched > 0)
        return false;
    // Any other failure in between means the engine was reached once: it is not the network.
    int fetches = 0;
    for (int count : tally.failures) fetches += count;
    if (fetches != tally.failures[size_t(FetchFailure::Network)] || fetches < kNetworkStrikes) return false;
    tally.unreachable = true;
    tally.reason = detail;
    return true;
}

void EngineLedger::DeepSearchRows(int rows) {
    std::lock_guard<std::mutex> hold(lock_);
    deepRows_ += rows;
}

bool EngineLedger::NoneAnswered() const {
    std::lock_guard<std::mutex> hold(lock_);
    bool asked = false;
    for (const EngineTally& tally : tallies_) {
        if (tally.answers > 0 || tally.pagesFetched > 0) return false;
        int failed = 0;
        for (int count : tally.failures) failed += count;
        // An engine left out for a missing key was meant to be asked as much as one that failed.
        asked = asked || failed > 0 || tally.pagesFetched > 0 || tally.pagesQueued > 0 || tally.Suspended();
    }
    return asked;
}

int EngineLedger::RowsAdded() const {
    std::lock_guard<std::mutex> hold(lock_);
    int rows = deepRows_;
    for (const EngineTally& tally : tallies_) rows += tally.rowsAdded;
    return rows;
}

int EngineLedger::DeepRows() const {
    std::lock_guard<std::mutex> hold(lock_);
    return deepRows_;
}

std::array<int, kFetchFailureKinds> EngineLedger::FailureCounts() const {
    std::lock_guard<std::mutex> hold(lock_);
    std::array<int, kFetchFailureKinds> counts{};
    for (const EngineTally& tally : tallies_) {
        for (size_t k = 0; k < counts.size(); ++k) counts[k] += tally.failures[k];
    }
    return counts;
}

QList<EngineTally> EngineLedger::Snapshot() const {
    std::lock_guard<std::mutex> hold(lock_);
    return tallies_;
}

bool EngineLedger::AllBlocked() const {
    std::lock_guard<std::mutex> hold(lock_);
    bool answered = false;
    for (const EngineTally& tally : tallies_) {
        if (tally.answers == 0 && tally.pagesFetched == 0) continue;
        answered = true;
        if (!tally.blocked) return false;
    }
    return answered;
}
