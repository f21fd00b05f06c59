#include "app/Session.h"

#include "net/CurlSetup.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QStandardPaths>

#include "app/HomeLock.h"
#include "app/MetaHarvest.h"
#include "download/MetadataTable.h"
#include "engines/EngineCatalog.h"
#include "lists/IniFile.h"
#include "lists/NetworkSettings.h"

Session::Session(const QString& homeDir, QObject* parent)
    : QObject(parent),
      home_(homeDir),
      keywords_(home_.KeyListPath()),
      runLog_(home_.RunLogPath()),
      status_(&runLog_) {
    secondsTick_.store(QDateTime::currentSecsSinceEpoch());
    search_ = std::make_unique<SearchJob>(SearchJob::Services{options_, keywords_, results_, filters_, rules_,
                                                              status_, runLog_, messages_, Settings(),
                                                              secondsTick_});
    handoff_ = std::make_unique<Handoff>(
        Handoff::Services{options_, results_, registry_, status_, messages_, Settings()});
    rescue_ = std::make_unique<ArchiveRescue>(ArchiveRescue::Services{
        options_, captures_, registry_, runLog_, [this] { return search_->Catalogue(); }});
    downloads_ = std::make_unique<DownloadPool>(DownloadPool::Services{options_, results_, registry_, status_,
                                                                       runLog_, messages_, secondsTick_,
                                                                       [this] { handoff_->Cancel(); },
                                                                       rescue_.get()});
    busyWorkers_ = [this] { return downloads_->BusySlots(); };
    connect(&countersTimer_, &QTimer::timeout, this, &Session::OnCountersTimer);
    connect(&autoSaveTimer_, &QTimer::timeout, this, [this] { listKeeper_.AutoSave(); });
    connect(search_.get(), &SearchJob::searchFinished, this, [this] {
        const QString summary = SearchSummary();
        runLog_.WriteRunLog(QStringLiteral("SearchSummary"), summary);
        Q_EMIT searchSummary(summary);
    });
    connect(&secondsTimer_, &QTimer::timeout, this, [this] { secondsTick_.fetch_add(1); });
}

Session::~Session() {
    harvestTimer_.stop();
    harvest_.reset();
    // Workers first: they write into the list and the registry, which outlive them.
    downloads_.reset();
    handoff_.reset();
    search_.reset();
}

bool Session::StartMetadataReading() {
    if (harvest_) return true;
    auto table = std::make_unique<MetadataTable>();
    if (!table->Open(home_.DocDatabasePath())) return false;
    metadata_ = std::move(table);
    harvest_ = std::make_unique<MetaHarvest>(*metadata_, MetaHarvest::WorkerProgram(), MetaHarvest::WorkerArguments());
    harvest_->Start();
    // Read while the download runs rather than after it: a saved document wakes the reading.
    connect(&harvestTimer_, &QTimer::timeout, this, [this] {
        const qint64 files = downloads_->FilesDone();
        if (files == filesSeenByHarvest_) return;
        filesSeenByHarvest_ = files;
        harvest_->Poke();
    });
    harvestTimer_.start(250);
    return true;
}

void Session::FinishMetadataReading() {
    if (!harvest_) return;
    harvestTimer_.stop();
    harvest_->Stop();
    harvest_->ReadAllPending();
}

qint64 Session::MetadataDocumentsRead() const {
    return harvest_ ? harvest_->DocumentsRead() : 0;
}

int Session::ReadPendingMetadata(const std::function<void(const QString& file)>& progress,
                                 const std::atomic<bool>* stop) {
    // A table and a worker of its own: the background reading may go on beside it.
    MetadataTable table;
    if (!table.Open(home_.DocDatabasePath())) return -1;
    MetaHarvest harvest(table, MetaHarvest::WorkerProgram(), MetaHarvest::WorkerArguments());
    return harvest.ReadAllPending(progress, stop);
}

QString Session::ListCounters() const {
    const ResultList::Glance glance = results_.GlanceNoWait();
    return tr("List:%1 Downloaded:%2 Threads:%3")
        .arg(glance.rows)
        .arg(glance.counts.downloaded)
        .arg(busyWorkers_ ? busyWorkers_() : 0);
}

QString Session::SearchCounters() const {
    return tr("All:%1 To check:%2").arg(search_->Queue().SeenCount()).arg(search_->Queue().Waiting());
}

Session::TransferFigures Session::Transfer() const {
    TransferFigures figures;
    const ResultList::Glance glance = results_.GlanceNoWait();
    figures.rowsTotal = glance.rows;
    figures.rowsDone = glance.counts.downloaded;
    figures.bytesPerSecond = glance.bytesPerSecond;
    const qint64 files = downloads_->FilesDone();
    if (files == 0 || figures.bytesPerSecond <= 0) return figures;
    const DownloadPool::TryCounts tries = downloads_->Tries();
    const qint64 rowsLeft = qint64(glance.counts.waiting) + tries.trying + tries.retrying;
    const qint64 average = downloads_->BytesDone() / files;
    const qint64 bytesLeft = qMax<qint64>(0, rowsLeft * average - downloads_->BytesInFlight());
    figures.secondsLeft = (bytesLeft + figures.bytesPerSecond - 1) / figures.bytesPerSecond;
    return figures;
}

QString Session::FormatRate(qint64 bytesPerSecond) {
    if (bytesPerSecond < 1024) return QCoreApplication::translate("Session", "%1 B/s").arg(bytesPerSecond);
    if (bytesPerSecond < 1024 * 1024)
        return QCoreApplication::translate("Session", "%1 KB/s")
            .arg(double(bytesPerSecond) / 1024.0, 0, 'f', 1);
    return QCoreApplication::translate("Session", "%1 MB/s")
        .arg(double(bytesPerSecond) / 1048576.0, 0, 'f', 1);
}

QString Session::FormatDuration(qint64 seconds) {
    if (seconds < 0) return QStringLiteral("-");
    const qint64 hours = seconds / 3600;
    const QString minutesSeconds = QStringLiteral("%1:%2")
                                       .arg((seconds / 60) % 60, hours > 0 ? 2 : 1, 10, QChar(u'0'))
                                       .arg(seconds % 60, 2, 10, QChar(u'0'));
    return hours > 0 ? QStringLiteral("%1:%2").arg(hours).arg(minutesSeconds) : minutesSeconds;
}

QString Session::SearchSummary() const {
    const EngineLedger& ledger = search_->Ledger();
    const QList<EngineTally> tallies = ledger.Snapshot();
    const std::shared_ptr<const EngineCatalog> engines = Engines();
    QStringList blocked, stopped;
    for (const EngineTally& tally : tallies) {
        if (!tally.Suspended()) continue;
        const EngineDefinition* engine = engines ? engines->Find(tally.engine) : nullptr;
        const QString name = engine ? engine->name : tally.engine;
        const QString text = tally.reason.isEmpty() ? name : QStringLiteral("%1 (%2)").arg(name, tally.reason);
        (tally.unreachable ? stopped : blocked).append(text);
    }
    QString text =
        QCoreApplication::translate("Session", "Search ended: %1 sources asked, %2 blocked, %3 rows added.")
            .arg(tallies.size())
            .arg(blocked.size())
            .arg(ledger.RowsAdded());
    if (!blocked.isEmpty())
        text +=
            u' ' +
            QCoreApplication::translate("Session", "Blocked: %1.").arg(blocked.join(QStringLiteral("; ")));
    if (!stopped.isEmpty())
        text += u' ' + QCoreApplication::translate("Session", "Stopped: %1.").arg(stopped.join(QStringLiteral("; ")));
    QStringList proxies;
    for (const EngineTally& tally : tallies) {
        for (const QString& proxy : tally.proxiesBlocked) proxies.append(tally.engine + QStringLiteral(": ") + proxy);
    }
    if (!proxies.isEmpty())
        text += u' ' + QCoreApplication::translate("Session", "Proxies blocked: %1.")
                           .arg(proxies.join(QStringLiteral("; ")));
    const std::array<int, kFetchFailureKinds> failures = ledger.FailureCounts();
    if (failures != std::array<int, kFetchFailureKinds>{}) {
        text += u' ' + QCoreApplication::translate(
                           "Session", "Failed fetches: %1 network, %2 no answer, %3 HTTP error, %4 unreadable.")
                           .arg(failures[0])
                           .arg(failures[1])
                           .arg(failures[2])
                           .arg(failures[3]);
    }
    return text;
}

QString Session::TransferCounters() const {
    if (!DownloadsRunning()) return {};
    const TransferFigures figures = Transfer();
    return QCoreApplication::translate("Session", "Done %1/%2  %3  left %4")
        .arg(figures.rowsDone)
        .arg(figures.rowsTotal)
        .arg(FormatRate(figures.bytesPerSecond), FormatDuration(figures.secondsLeft));
}

void Session::OnCountersTimer() {
    const QString transfer = TransferCounters();
    Q_EMIT countersChanged(
        transfer.isEmpty() ? ListCounters() : ListCounters() + QStringLiteral("  ") + transfer,
        SearchCounters());
    search_->CheckDeepSearchLimit();
    // A message about downloads or a search that have ended since is no longer news.
    const bool downloading = !transfer.isEmpty();
    const bool searching = search_->IsBusy();
    if ((downloadsWereRunning_ && !downloading) || (searchWasBusy_ && !searching)) status_.MarkPast();
    downloadsWereRunning_ = downloading;
    searchWasBusy_ = searching;
}

QString Session::Start(bool keepLastList) {
    const QString problem = home_.Prepare();
    if (!registry_.OpenDocDatabase(home_.DocDatabasePath())) {
        ShowMsg(tr("Could not open the document database"), QString(), QString(), 1);
    } else if (!captures_.Open(home_.DocDatabasePath())) {
        runLog_.WriteRunLog(QStringLiteral("captures"), captures_.LastError());
    }
    search_->SetCaptureSink([this](const ArchiveCapture& capture) { captures_.Keep(capture); });
    results_.SetRegistry(
        [this](const QString& link) {
            return registry_.CheckDocLink(link) == DocRegistry::LinkCheck::Present;
        },
        [this](const QString& link) { registry_.DelDocLinkInDatabase(link); },
        [this] { registry_.CommitPending(); });
    QString refused;
    search_->SetCatalogue(EngineCatalog::Load(home_.Dir(), &refused));
    if (!refused.isEmpty()) ShowMsg(tr("config/engines.json is not used:"), refused, QString(), 1);
    filters_.LoadFilterLists(home_.UrlFilterPath(), home_.TitleFilterPath());
    options_.Load(IniFile::Load(home_.SettingsPath()));
    CurlSetup::SetNetwork(NetworkSettings::Load(Settings()));
    if (keepLastList) {
        listKeeper_.SetSessionListPath(home_.SessionListPath());
        // Made by the first download, not here: a folder nobody used stays out of the user's way.
        if (options_.Text(SettingKey::SaveFolder).isEmpty())
            options_.SetCommittedText(SettingKey::SaveFolder, DefaultSaveFolder());
    }
    countersTimer_.start(1500);
    if (keepLastList) autoSaveTimer_.start(120000);
    secondsTimer_.start(1000);
    keywords_.LoadKeywordFile();
    if (keepLastList) listKeeper_.StartupLoad();
    return problem;
}

void Session::ForwardingSink::ShowMessageBox(const QString& text) {
    if (target) {
        target->ShowMessageBox(text);
    } else {
        status.ShowMsg(text, QString(), QString(), 0);
    }
}

bool Session::ForwardingSink::AskYesNo(const QString& text, const QString& caption) {
    return target ? target->AskYesNo(text, caption) : false;
}

bool Session::SaveSettings() {
    HomeLock lock(home_.LockPath());
    QString error;
    if (!lock.Acquire(&error) || !options_.Save(Settings(), &error)) {
        ShowMsg(tr("The settings were not saved:"), error, QString(), 1);
        return false;
    }
    return true;
}

bool Session::SaveKeywords() {
    HomeLock lock(home_.LockPath());
    QString error;
    if (!lock.Acquire(&error) || !keywords_.SaveKeywordFile(&error)) {
        ShowMsg(tr("The keyword list was not saved:"), error, QString(), 1);
        return false;
    }
    return true;
}

QString Session::DefaultSaveFolder() {
    const QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    return downloads.isEmpty() ? QString() : QDir(downloads).filePath(QStringLiteral("Skimmer"));
}

bool Session::DownloadsRunning() const {
    return downloads_->BusySlots() > 0 || downloads_->WalkingSlots() > 0;
}

bool Session::StopForClose(int milliseconds) {
    stoppedForClose_ = true;
    search_->StopSearch();
    downloads_->StopDownload();
    // A slot gives its row back as it abandons the transfer, within its poll; the list saved after
    // this holds no row as in flight.
    return downloads_->WaitWalksEnded(milliseconds);
}

void Session::Close(bool emptyingConfirmed) {
    if (closed_) return;
    closed_ = true;
    if (!stoppedForClose_ && !StopForClose()) {
        runLog_.WriteRunLog(
            QStringLiteral("Close"),
            QStringLiteral("download slots still busy after 5 s; their rows are saved as they are"));
    }
    autoSaveTimer_.stop();
    listKeeper_.CloseSave(emptyingConfirmed);
    SaveSettings();
    SaveKeywords();
    downloads_->Shutdown();
}
