// Builds the queue for 20 keywords with every engine and every format ticked, as the Search button
// does, and prints how many addresses it made per second.
//
//   queue_build_bench [KEYWORDS=20] [REPEAT=5]

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

#include "lists/IniFile.h"
#include "lists/Options.h"
#include "search/QueryCatalogue.h"
#include "search/SearchQueue.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int keywordCount = argc > 1 ? std::atoi(argv[1]) : 20;
    const int repeat = argc > 2 ? std::atoi(argv[2]) : 5;
    Options options;
    options.Load(IniFile());
    for (const SettingSpec& spec : SettingsTable::All()) {
        if (spec.kind == SettingKind::Check) options.SetCommittedInt(spec.id, 1);
    }
    options.SetCommittedText(SettingKey::OtherDocExtension, QStringLiteral("djvu"));
    options.SetCommittedText(SettingKey::OtherEngineAddress, QStringLiteral("http://other.example/"));
    QStringList keywords;
    for (int i = 0; i < keywordCount; ++i) keywords << QStringLiteral("annual report %1 年报").arg(i);

    qint64 addresses = 0;
    QElapsedTimer clock;
    clock.start();
    for (int r = 0; r < repeat; ++r) {
        SearchQueue queue;  // fresh each round, so every address is new
        QueryCatalogue(options).BuildQueue(keywords, 2, [&](const QString& url) {
            if (queue.QueueUrl(url, 0)) ++addresses;
        });
    }
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    std::printf("queue build: %lld addresses for %d keywords in %.3f s per build: %.0f addresses/s\n",
                (long long)(addresses / repeat), keywordCount, seconds / repeat, double(addresses) / seconds);
    return 0;
}
