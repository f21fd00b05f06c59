#pragma once
// The GUI-free owner of everything the window and the command line share: the application home, the
// options, the keyword list, the run log and the status line. Front ends drive a Session and never reach
// past it. Created and started on the main thread; its parts say which threads may call them.

#include <QObject>
#include <QString>
#include <QTimer>
#include <atomic>
#include <memory>

#include "app/AppHome.h"
#include "app/ListKeeper.h"
#include "download/ArchiveRescue.h"
#include "download/CaptureTable.h"
#include "download/DocRegistry.h"
#include "download/DownloadPool.h"
#include "download/Handoff.h"
#include "engines/DocLinkRules.h"
#include "lists/MessageSink.h"
#include "lists/Options.h"
#include "lists/Profile.h"
#include "lists/ResultList.h"
#include "lists/RunLog.h"
#include "lists/StatusLine.h"
#include "search/KeywordList.h"
#include "search/LinkFilters.h"
#include "search/SearchJob.h"

class MetadataTable;
class MetaHarvest;

class Session : public QObject {
    Q_OBJECT
  public:
    explicit Session(const QString& homeDir, QObject* parent = nullptr);
    ~Session() override;

    // Creates the home's folders, opens the registry, loads the settings, the keyword list and (with
    // LoadLastListAtStart) the last list. Returns a problem with the home (shown to the user), or an empty
    // text. Without `keepLastList` the last list is neither loaded nor auto-saved: for front ends whose work
    // names its own list files. With it, a list without a list file is kept in the home's session list,
    // and an empty save folder becomes DefaultSaveFolder().
    QString Start(bool keepLastList = true);
    // The user's download folder plus "Skimmer"; empty when the system names no download folder.
    static QString DefaultSaveFolder();

    // Where message boxes go; until a front end sets one they go to the status line.
    void SetMessageSink(MessageSink* sink) { messages_.target = sink; }
    MessageSink& Messages() { return messages_; }

    // Writes the settings as they stand, under the home's lock; the caller reads the controls back first.
    // False (and a run-log entry with the reason) when the file was not written.
    bool SaveSettings();
    bool SaveKeywords();

    // The close sequence. DownloadsRunning tells a front end whether closing would interrupt
    // transfers (the window asks first). StopForClose stops the search and the downloads and waits up
    // to `milliseconds` until the rows in flight are back to waiting with their partial files kept for
    // the next start. Close does that if not done yet, saves the list (to its path, else the session
    // list), the settings and the keyword list, and ends the download slots; calling it again does
    // nothing. A front end that asks where to save the list does so between the two, so the path it
    // chose is saved with the settings. A list file the user emptied is written only when
    // `emptyingConfirmed` (ListKeeper::PlanCloseSave says beforehand what the close will do).
    bool DownloadsRunning() const;
    bool StopForClose(int milliseconds = 5000);
    void Close(bool emptyingConfirmed = false);

    const AppHome& Home() const { return home_; }
    Profile Settings() const { return Profile(home_.SettingsPath()); }
    Options& GetOptions() { return options_; }
    KeywordList& Keywords() { return keywords_; }
    ResultList& Results() { return results_; }
    SearchJob& Search() { return *search_; }
    // The engine definitions: the built-ins with the home's config/engines.json over them, loaded by
    // Start (a refused user file is reported and the built-ins serve). The built-ins before Start.
    std::shared_ptr<const EngineCatalog> Engines() const { return search_->Catalogue(); }
    // The 100 download slots; their threads are made on first use (the window makes them at start).
    DownloadPool& Downloads() { return *downloads_; }
    Handoff& HandOff() { return *handoff_; }
    LinkFilters& Filters() { return filters_; }
    const DocLinkRules& Rules() const { return rules_; }
    const std::atomic<qint64>& SecondsTick() const { return secondsTick_; }

    // The two counter lines the window shows: "List:%1 Downloaded:%2 Threads:%3" and "All:%1 To check:%2",
    // in the language of the installed translation.
    QString ListCounters() const;
    QString SearchCounters() const;
    // The downloads as a whole: rows downloaded of all rows, the bytes per second of the rows in flight
    // together, and the seconds left (-1 while unknown: before the first file of this program run is
    // complete, or while nothing arrives). The time left assumes the rows still to come are as big as
    // the files completed so far on average.
    struct TransferFigures {
        qsizetype rowsDone = 0;
        qsizetype rowsTotal = 0;
        qint64 bytesPerSecond = 0;
        qint64 secondsLeft = -1;
    };
    TransferFigures Transfer() const;
    // The figures as the status bar shows them while downloads run; empty when none run.
    QString TransferCounters() const;
    static QString FormatRate(qint64 bytesPerSecond);
    static QString FormatDuration(qint64 seconds);  // "-" when negative
    // The end of a search in one paragraph, from its per-engine tallies (the command line's table):
    // the sources asked, those that blocked and why, and the rows added.
    QString SearchSummary() const;
    // Download workers not idle; the download pool fills this in.
    void SetBusyWorkersFn(std::function<int()> fn) { busyWorkers_ = std::move(fn); }

    DocRegistry& Registry() { return registry_; }
    // Reads the kept documents' metadata in the background from now on, in the worker process; false when
    // the registry's database cannot take the metadata table. FinishMetadataReading reads what is left
    // on the calling thread and stops.
    bool StartMetadataReading();
    void FinishMetadataReading();
    // Documents the background reading has read so far: a front end shows them anew when this grows.
    qint64 MetadataDocumentsRead() const;
    // Reads every kept document not read yet on the calling thread, as `meta --all` does, until `stop`;
    // how many were read, -1 when the registry cannot take metadata. Any thread.
    int ReadPendingMetadata(const std::function<void(const QString& file)>& progress,
                            const std::atomic<bool>* stop);
    // The web archives' captures of links, beside the registry in the same database file.
    CaptureTable& Captures() { return captures_; }
    // Dead links fetched from the web archives by the download workers.
    ArchiveRescue& Rescue() { return *rescue_; }
    ListKeeper& Lists() { return listKeeper_; }
    RunLog& Log() { return runLog_; }
    StatusLine& Status() { return status_; }

    void ShowMsg(const QString& first, const QString& second, const QString& third, int toLog) {
        status_.ShowMsg(first, second, third, toLog);
    }

  Q_SIGNALS:
    // Every 1.5 s (the counters timer): fresh counter lines for whoever shows them. While downloads run the
    // list line ends with the transfer figures (TransferCounters).
    void countersChanged(const QString& listCounters, const QString& searchCounters);
    // A search has ended: SearchSummary(), written to the run log as well.
    void searchSummary(const QString& text);

  private:
    void OnCountersTimer();

    // Forwards to the front end's sink, or shows the text on the status line.
    struct ForwardingSink : MessageSink {
        explicit ForwardingSink(StatusLine& status) : status(status) {}
        void ShowMessageBox(const QString& text) override;
        bool AskYesNo(const QString& text, const QString& caption) override;
        StatusLine& status;
        MessageSink* target = nullptr;
    };

    AppHome home_;
    Options options_;
    KeywordList keywords_;
    RunLog runLog_;
    StatusLine status_;
    ForwardingSink messages_{status_};
    DocRegistry registry_{&status_};
    CaptureTable captures_;
    std::unique_ptr<ArchiveRescue> rescue_;
    ResultList results_{options_, &status_};
    ListKeeper listKeeper_{results_, options_, &messages_, &status_};
    LinkFilters filters_{options_, keywords_};
    DocLinkRules rules_{options_};
    // Seconds counted by the one-second tick; only its differences are used (pauses, time limits).
    std::atomic<qint64> secondsTick_{0};
    std::unique_ptr<SearchJob> search_;
    std::unique_ptr<DownloadPool> downloads_;
    std::unique_ptr<MetadataTable> metadata_;
    std::unique_ptr<MetaHarvest> harvest_;
    std::unique_ptr<Handoff> handoff_;
    std::function<int()> busyWorkers_;
    // What the counters timer saw last, so the status line's message is marked past when its state ends.
    bool downloadsWereRunning_ = false;
    bool searchWasBusy_ = false;
    bool stoppedForClose_ = false;
    bool closed_ = false;
    QTimer countersTimer_;  // 1.5 s: the counters on screen and the deep-search limit
    QTimer autoSaveTimer_;  // 2 min: saves the list when the last list is kept
    QTimer secondsTimer_;   // 1 s: the tick the download time limits count in
    QTimer harvestTimer_;   // 250 ms: new documents saved wake the metadata reading
    qint64 filesSeenByHarvest_ = 0;
};
