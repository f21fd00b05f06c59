#pragma once
// What the search tests do around a session: a clean slate of options, a search run to its end, and what
// it found. Header-only: each helper is a few lines the suites share.

#include <QEventLoop>
#include <QSet>
#include <QTimer>

#include "app/Session.h"

// Unticks every check box of the settings table, so a test ticks only the engines and formats it uses.
inline void UntickEverySetting(Options& options) {
    for (const SettingSpec& spec : SettingsTable::All()) {
        if (spec.kind == SettingKind::Check) options.SetCommittedInt(spec.id, 0);
    }
}

// Runs the event loop until the job has reaped its last thread (or a minute has passed). With `start`
// false the test has started the search itself.
inline bool RunSearchToEnd(Session& session, bool start = true) {
    QEventLoop loop;
    QObject::connect(&session.Search(), &SearchJob::searchFinished, &loop, &QEventLoop::quit);
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
    guard.start(60000);
    if (start && !session.Search().StartSearch()) return false;
    loop.exec();
    return guard.isActive() && !session.Search().IsBusy();
}

inline EngineTally TallyOf(Session& session, const QString& engine) {
    for (const EngineTally& tally : session.Search().Ledger().Snapshot()) {
        if (tally.engine == engine) return tally;
    }
    return {};
}

inline QSet<QString> LinksOf(Session& session) {
    QSet<QString> links;
    for (const ResultEntry& entry : session.Results().Snapshot()) links.insert(entry.link);
    return links;
}
