#pragma once
// The GUI-free owner of everything the window and the command line share: the application home, the
// options, the keyword list, the run log and the status line. Front ends drive a Session and never reach
// past it. Created and started on the main thread; its parts say which threads may call them.

#include <QObject>
#include <QString>
#include <memory>

#include "app/AppHome.h"
#include "lists/Options.h"
#include "lists/Profile.h"
#include "lists/RunLog.h"
#include "lists/StatusLine.h"
#include "search/KeywordList.h"

class Session : public QObject {
    Q_OBJECT
  public:
    explicit Session(const QString& homeDir, QObject* parent = nullptr);

    // Creates the home's folders, loads the settings and the keyword list. Returns a problem with the
    // home (shown to the user), or an empty text.
    QString Start();

    // Writes the settings as they stand; the caller reads the controls back first.
    bool SaveSettings();
    bool SaveKeywords() { return keywords_.SaveKeywordFile(); }

    const AppHome& Home() const { return home_; }
    Profile Settings() const { return Profile(home_.SettingsPath()); }
    Options& GetOptions() { return options_; }
    KeywordList& Keywords() { return keywords_; }
    RunLog& Log() { return runLog_; }
    StatusLine& Status() { return status_; }

    void ShowMsg(const QString& first, const QString& second, const QString& third, int toLog) {
        status_.ShowMsg(first, second, third, toLog);
    }

  private:
    AppHome home_;
    Options options_;
    KeywordList keywords_;
    RunLog runLog_;
    StatusLine status_;
};
