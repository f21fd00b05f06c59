#include "download/Handoff.h"

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
    const QString folder = s_.options.Text(SettingKey::SavePath);
    if (folder.isEmpty()) {
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
    try {
        thread_ = std::thread([this, endpoint, secret, folder] { Thread(endpoint, secret, folder); });
    } catch (const std::system_error&) {
        state_.fetch_and(~1);
        return false;
    }
    return true;
}

void Handoff::Thread(QString endpoint, QString secret, QString folder) {
    bool failed = false;
    bool createFailed = false;
    Aria2Agent agent(endpoint, secret);
    QString error;
    if (!agent.Create(&error)) {
        createFailed = true;
        QMetaObject::invokeMethod(
            this, [this] { s_.messages.ShowMessageBox(QStringLiteral("初始化迅雷控件失败")); },
            Qt::QueuedConnection);
    } else {
        bool added = false;
        const qsizetype rows = s_.results.Size();
        for (qsizetype i = 0; i < rows && !failed; ++i) {
            const auto id = s_.results.IdAt(i);
            const auto entry = id ? s_.results.Entry(*id) : std::nullopt;
            if (!entry || entry->title.isEmpty() || entry->link.isEmpty()) continue;
            if (s_.options.Checked(SettingKey::IgoreGarnered) && s_.registry.CheckDocLink(entry->link) == 0) {
                s_.status.ShowMsg(entry->title, QStringLiteral("已经被下载过了"), QString(), 1);
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
            if (!agent.AddTask(entry->link, name, folder, &error)) {
                failed = true;
                break;
            }
            s_.registry.InsertDocLink(entry->link);
            added = true;
        }
        if (!failed && added && !agent.Commit(&error)) failed = true;
    }
    if ((state_.load() & (4 | 8)) || failed) {
        s_.status.ShowMsg(QStringLiteral("启动迅雷被取消"), QString(), QString(), 1);
    } else if (!createFailed) {
        s_.status.ShowMsg(QStringLiteral("马上启动迅雷下载，请稍等"), QString(), QString(), 1);
    }
    QMetaObject::invokeMethod(
        this, [this] { Reap(); }, Qt::QueuedConnection);
}

void Handoff::Reap() {
    if (thread_.joinable()) thread_.join();
    state_.fetch_and(~7);
    Q_EMIT finished();
}
