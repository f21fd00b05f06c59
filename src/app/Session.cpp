#include "app/Session.h"

#include "lists/IniFile.h"

Session::Session(const QString& homeDir, QObject* parent)
    : QObject(parent),
      home_(homeDir),
      keywords_(home_.KeyListPath()),
      runLog_(home_.RunLogPath()),
      status_(&runLog_) {}

QString Session::Start() {
    const QString problem = home_.Prepare();
    if (!registry_.OpenDocDatabase(home_.DocDatabasePath())) {
        ShowMsg(QStringLiteral("初始化文档数据库失败"), QString(), QString(), 1);
    }
    results_.SetRegistry([this](const QString& link) { return registry_.CheckDocLink(link) == 0; },
                         [this](const QString& link) { registry_.DelDocLinkInDatabase(link); });
    options_.Load(IniFile::Load(home_.SettingsPath()));
    keywords_.LoadKeywordFile();
    listKeeper_.StartupLoad();
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
    return options_.Save(Settings());
}
