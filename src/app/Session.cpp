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
    options_.Load(IniFile::Load(home_.SettingsPath()));
    keywords_.LoadKeywordFile();
    return problem;
}

bool Session::SaveSettings() {
    return options_.Save(Settings());
}
