#include "search/EngineLedger.h"

void EngineLedger::Clear() {
    std::lock_guard<std::mutex> hold(lock_);
    tallies_.clear();
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

void EngineLedger::Fetched(const QString& engine, int hits, int rowsAdded) {
    std::lock_guard<std::mutex> hold(lock_);
    EngineTally& tally = Of(engine);
    tally.pagesFetched += 1;
    tally.hits += hits;
    tally.rowsAdded += rowsAdded;
}

void EngineLedger::Skipped(const QString& engine, int pages) {
    std::lock_guard<std::mutex> hold(lock_);
    Of(engine).pagesSkipped += pages;
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
        if (tally.engine == engine) return tally.blocked;
    }
    return false;
}

QList<EngineTally> EngineLedger::Snapshot() const {
    std::lock_guard<std::mutex> hold(lock_);
    return tallies_;
}

bool EngineLedger::AllBlocked() const {
    std::lock_guard<std::mutex> hold(lock_);
    if (tallies_.isEmpty()) return false;
    for (const EngineTally& tally : tallies_) {
        if (!tally.blocked) return false;
    }
    return true;
}
