#include "download/Handoff.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <chrono>

#include "download/Aria2Agent.h"
#include "download/DocRegistry.h"
#include "download/DownloadPool.h"
#include "lists/IniFile.h"
#include "lists/MessageSink.h"
#include "lists/Options.h"
#include "lists/ResultEntry.h"
#include "lists/ResultList.h"
#include "lists/StatusLine.h"
#include "net/CurlSetup.h"

Handoff::Handoff(Services services, QObject* parent) : QObject(parent), s_(std::move(services)) {}

Handoff::~Handoff() {
    Cancel();  // the following would otherwise go on for as long as the daemons download
    if (thread_.joinable()) thread_.join();
}

QList<Aria2Fleet::Endpoint> Handoff::Endpoints(const IniFile& ini, const QStringList& urlOverrides,
                                               const QStringList& secretOverrides) {
    const QString section = QStringLiteral("Aria2");
    QStringList urls;
    QStringList secrets;
    if (!urlOverrides.isEmpty()) {
        urls = urlOverrides;
    } else {
        const std::optional<QString> first = ini.Value(section, QStringLiteral("RpcUrl"));
        const QString more = ini.Value(section, QStringLiteral("RpcUrls")).value_or(QString());
        if (first || more.trimmed().isEmpty()) {
            urls.append(first.value_or(QString::fromLatin1(Aria2Agent::kDefaultEndpoint)));
            secrets.append(ini.Value(section, QStringLiteral("RpcSecret")).value_or(QString()));
        }
        const qsizetype offset = urls.size();
        urls += more.split(u',');
        const QStringList moreSecrets =
            ini.Value(section, QStringLiteral("RpcSecrets")).value_or(QString()).split(u',');
        for (qsizetype i = 0; i < urls.size() - offset; ++i) secrets.append(moreSecrets.value(i));
    }
    for (qsizetype i = 0; i < secretOverrides.size(); ++i) {
        if (i < secrets.size())
            secrets[i] = secretOverrides[i];
        else
            secrets.append(secretOverrides[i]);
    }
    QList<Aria2Fleet::Endpoint> endpoints;
    QSet<QString> seen;
    for (qsizetype i = 0; i < urls.size(); ++i) {
        const QString url = urls[i].trimmed();
        if (url.isEmpty() || seen.contains(url)) continue;
        seen.insert(url);
        endpoints.append({url, secrets.value(i).trimmed()});
    }
    return endpoints;
}

bool Handoff::Start() {
    if (const auto refusal = s_.options.ReadBack()) s_.messages.ShowMessageBox(*refusal);
    if (s_.results.Size() == 0) {
        s_.messages.ShowMessageBox(tr("The download list is empty"));
        return false;
    }
    // aria2 resolves a relative folder against its own working folder, not ours.
    const QString folder = QDir::cleanPath(QDir().absoluteFilePath(s_.options.Text(SettingKey::SaveFolder)));
    if (s_.options.Text(SettingKey::SaveFolder).isEmpty()) {
        s_.messages.ShowMessageBox(tr("Choose the folder to save the files in"));
        return false;
    }
    if (!s_.messages.AskYesNo(
            tr("Once the list is sent to aria2, aria2 takes over the downloads. Send it to aria2?"),
            tr("Send to aria2"))) {
        return false;
    }
    if (IsRunning() || thread_.joinable()) {
        s_.messages.ShowMessageBox(tr("Sending to aria2, please wait!"));
        return false;
    }
    const QString downloadProxy = CurlSetup::Network().ProxyFor(NetRole::Document);
    std::optional<ProxyAddress> proxy = ProxyAddress::Parse(downloadProxy);
    if (!downloadProxy.isEmpty() && (!proxy || !proxy->scheme.startsWith(QStringLiteral("http")))) {
        // Handing over anyway would send the documents past the proxy the user chose.
        s_.messages.ShowMessageBox(
            tr("aria2 can only use an HTTP proxy, and the download proxy is not one; "
               "download the list here instead"));
        return false;
    }
    if (downloadProxy.isEmpty()) proxy.reset();
    QList<Aria2Fleet::Endpoint> endpoints =
        Endpoints(IniFile::Load(s_.settings.Path()), urlOverrides_, secretOverrides_);
    state_.store(StateBits::kRunning);
    accepted_.store(0);
    refused_.store(0);
    unfinished_.store(0);
    connected_.store(false);
    try {
        thread_ = std::thread(
            [this, endpoints = std::move(endpoints), folder, proxy] { Thread(endpoints, folder, proxy); });
    } catch (const std::system_error&) {
        state_.fetch_and(~StateBits::kRunning);
        return false;
    }
    return true;
}

void Handoff::Thread(QList<Aria2Fleet::Endpoint> endpoints, QString folder,
                     std::optional<ProxyAddress> proxy) {
    Aria2Fleet fleet(s_.results, s_.registry, s_.status, folder);
    fleet.SetProxy(proxy);
    const bool connected = fleet.Connect(endpoints) > 0;
    connected_.store(connected);
    if (!connected) {
        QMetaObject::invokeMethod(
            this, [this] { s_.messages.ShowMessageBox(tr("Could not connect to aria2")); },
            Qt::QueuedConnection);
    } else {
        QList<Aria2Fleet::Row> rows;
        int busyHere = 0;
        const qsizetype count = s_.results.Size();
        for (qsizetype i = 0; i < count; ++i) {
            const auto id = s_.results.IdAt(i);
            const auto entry = id ? s_.results.Entry(*id) : std::nullopt;
            if (!entry || entry->title.isEmpty() || entry->link.isEmpty()) continue;
            if (s_.options.Checked(SettingKey::SkipDownloaded) &&
                s_.registry.CheckDocLink(entry->link) == DocRegistry::LinkCheck::Present) {
                s_.status.ShowMsg(entry->title, tr("has been downloaded before"), QString(), 1);
                continue;
            }
            // A row a download worker holds stays with it: two downloaders would write one file.
            if (entry->status == RowStatus::Downloading ||
                entry->status.kind() == RowStatus::Kind::InProgress) {
                ++busyHere;
                continue;
            }
            // The row is taken before it is handed over, so no worker takes it meanwhile.
            const bool taken = entry->status == RowStatus::Waiting
                                   ? s_.results.ClaimIfWaiting(*id).has_value()
                                   : s_.results.SetStatus(*id, RowStatus::Downloading);
            if (!taken) continue;
            s_.status.ShowMsg(entry->title, tr("is being handed to aria2"), QString(), 1);
            // The manager writes where we tell it: the same safe name our own workers would use.
            bool exists = false;
            const QString name =
                QFileInfo(DownloadPool::BuildTargetPath(
                              folder, entry->title,
                              entry->type.isEmpty() ? QStringLiteral("bin") : entry->type, &exists))
                    .fileName();
            rows.append({*id, entry->link, entry->title, name});
        }
        if (busyHere > 0) {
            s_.status.ShowMsg(
                tr("%1 rows are being downloaded here and were not handed to aria2").arg(busyHere), QString(),
                QString(), 1);
        }
        fleet.HandOver(rows);
        if (Cancelled() || (fleet.Downloaded() == 0 && fleet.Following() == 0 && fleet.Failed() > 0)) {
            s_.status.ShowMsg(tr("Sending to aria2 was cancelled"), QString(), QString(), 1);
        } else {
            s_.status.ShowMsg(tr("aria2 starts downloading right away, please wait"), QString(), QString(),
                              1);
        }
        fleet.SetCancel([this] { return Cancelled(); });
        while (fleet.Following() > 0 && !Cancelled()) {
            for (int waited = 0; waited < kPollMs && !Cancelled(); waited += 50)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (!Cancelled()) fleet.Poll();
        }
        accepted_.store(fleet.Downloaded());
        refused_.store(fleet.Failed());
        unfinished_.store(int(fleet.Following()));
        if (fleet.Following() > 0) {
            s_.status.ShowMsg(tr("aria2 is no longer followed: %1 links downloaded, %2 failed, %3 still "
                                 "with aria2 (not recorded as downloaded)")
                                  .arg(fleet.Downloaded())
                                  .arg(fleet.Failed())
                                  .arg(fleet.Following()),
                              QString(), QString(), 1);
        } else if (fleet.Failed() > 0) {
            s_.status.ShowMsg(tr("aria2 downloaded %1 links and failed %2; see run.log")
                                  .arg(fleet.Downloaded())
                                  .arg(fleet.Failed()),
                              QString(), QString(), 1);
        } else if (fleet.Downloaded() > 0) {
            s_.status.ShowMsg(tr("aria2 downloaded %1 links").arg(fleet.Downloaded()), QString(), QString(),
                              1);
        }
    }
    QMetaObject::invokeMethod(
        this, [this] { Reap(); }, Qt::QueuedConnection);
}

void Handoff::Reap() {
    if (thread_.joinable()) thread_.join();
    state_.fetch_and(~StateBits::kLowBits);
    Q_EMIT finished();
}
