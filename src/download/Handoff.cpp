#include "download/Handoff.h"

#include <QDir>
#include <QFileInfo>

#include "download/Aria2Agent.h"
#include "download/DocRegistry.h"
#include "download/DownloadPool.h"
#include "lists/IniFile.h"
#include "lists/MessageSink.h"
#include "lists/Options.h"
#include "lists/ResultList.h"
#include "lists/StatusLine.h"

Handoff::Handoff(Services services, QObject* parent) : QObject(parent), s_(std::move(services)) {}

Handoff::~Handoff() {
    if (thread_.joinable()) thread_.join();
}

bool Handoff::Start() {
    if (const auto refusal = s_.options.ReadBack()) s_.messages.ShowMessageBox(*refusal);
    if (s_.results.Size() == 0) {
        s_.messages.ShowMessageBox(QStringLiteral("下载列表为空"));
        return false;
    }
    // aria2 resolves a relative folder against its own working folder, not ours.
    const QString folder = QDir::cleanPath(QDir().absoluteFilePath(s_.options.Text(SettingKey::SavePath)));
    if (s_.options.Text(SettingKey::SavePath).isEmpty()) {
        s_.messages.ShowMessageBox(QStringLiteral("请选择文件保存位置"));
        return false;
    }
    if (!s_.messages.AskYesNo(
            QStringLiteral("启用迅雷下载后，下载过程将由迅雷工具接管，是否要启用迅雷下载？"),
            QStringLiteral("迅雷下载"))) {
        return false;
    }
    if (IsRunning() || thread_.joinable()) {
        s_.messages.ShowMessageBox(QStringLiteral("正在启动迅雷，请稍等！"));
        return false;
    }
    const IniFile ini = IniFile::Load(s_.settings.Path());
    QString endpoint = ini.Value(QStringLiteral("Aria2"), QStringLiteral("RpcUrl"))
                           .value_or(QString::fromLatin1(Aria2Agent::kDefaultEndpoint));
    QString secret = ini.Value(QStringLiteral("Aria2"), QStringLiteral("RpcSecret")).value_or(QString());
    if (!endpointOverride_.isEmpty()) endpoint = endpointOverride_;
    if (!secretOverride_.isEmpty()) secret = secretOverride_;
    state_.store(1);
    accepted_.store(0);
    refused_.store(0);
    try {
        thread_ = std::thread([this, endpoint, secret, folder] { Thread(endpoint, secret, folder); });
    } catch (const std::system_error&) {
        state_.fetch_and(~1);
        return false;
    }
    return true;
}

void Handoff::Thread(QString endpoint, QString secret, QString folder) {
    bool createFailed = false;
    Aria2Agent agent(endpoint, secret);
    QString error;
    int accepted = 0;
    int refused = 0;
    if (!agent.Create(&error)) {
        createFailed = true;
        QMetaObject::invokeMethod(
            this, [this] { s_.messages.ShowMessageBox(QStringLiteral("初始化迅雷控件失败")); },
            Qt::QueuedConnection);
    } else {
        struct Task {
            QString gid, link, title;
        };
        QList<Task> tasks;
        const qsizetype rows = s_.results.Size();
        for (qsizetype i = 0; i < rows; ++i) {
            const auto id = s_.results.IdAt(i);
            const auto entry = id ? s_.results.Entry(*id) : std::nullopt;
            if (!entry || entry->title.isEmpty() || entry->link.isEmpty()) continue;
            if (s_.options.Checked(SettingKey::IgoreGarnered) && s_.registry.CheckDocLink(entry->link) == 0) {
                s_.status.ShowMsg(entry->title, QStringLiteral("已经被下载过了"), QString(), 1);
                continue;
            }
            if (!agent.Reachable()) {
                ++refused;  // aria2 went away: the rest is not handed over either
                continue;
            }
            s_.status.ShowMsg(entry->title, QStringLiteral("正在加入迅雷任务"), QString(), 1);
            // The manager writes where we tell it: the same safe name our own workers would use.
            bool exists = false;
            const QString name =
                QFileInfo(DownloadPool::BuildTargetPath(
                              folder, entry->title,
                              entry->type.isEmpty() ? QStringLiteral("bin") : entry->type, &exists))
                    .fileName();
            error.clear();
            const QString gid = agent.AddTask(entry->link, name, folder, &error);
            if (gid.isEmpty()) {
                ++refused;
                s_.status.ShowMsg(entry->title, QStringLiteral("aria2 refused %1:").arg(entry->link), error,
                                  1);
                continue;
            }
            tasks.append({gid, entry->link, entry->title});
        }
        // Only a task that aria2 has started counts as handed over; one it would not start is taken
        // out again, so nothing stays paused there unrecorded.
        for (const Task& task : tasks) {
            error.clear();
            if (agent.Reachable() && agent.Unpause(task.gid, &error)) {
                s_.registry.InsertDocLink(task.link);
                ++accepted;
                continue;
            }
            ++refused;
            s_.status.ShowMsg(task.title, QStringLiteral("aria2 did not start %1:").arg(task.link), error, 1);
            QString ignored;
            if (agent.Reachable()) agent.Remove(task.gid, &ignored);
        }
    }
    accepted_.store(accepted);
    refused_.store(refused);
    const bool cancelled = (state_.load() & (4 | 8)) != 0;
    if (cancelled || (!createFailed && accepted == 0 && refused > 0)) {
        s_.status.ShowMsg(QStringLiteral("启动迅雷被取消"), QString(), QString(), 1);
    } else if (!createFailed) {
        s_.status.ShowMsg(QStringLiteral("马上启动迅雷下载，请稍等"), QString(), QString(), 1);
    }
    if (refused > 0) {
        s_.status.ShowMsg(
            QStringLiteral("aria2 took %1 links and refused %2; see run.log").arg(accepted).arg(refused),
            QString(), QString(), 1);
    }
    QMetaObject::invokeMethod(
        this, [this] { Reap(); }, Qt::QueuedConnection);
}

void Handoff::Reap() {
    if (thread_.joinable()) thread_.join();
    state_.fetch_and(~7);
    Q_EMIT finished();
}
