#pragma once
// The application home: the folder that holds config/Setting.ini, the filter files, the downloaded-link
// database, key.list and run.log. Chosen by --home, else $SKIMMER_HOME, else ~/.local/share/skimmer.

#include <QString>

class AppHome {
  public:
    explicit AppHome(QString dir);

    // cliHome is the --home argument (empty when not given).
    static QString ResolveDir(const QString& cliHome);

    const QString& Dir() const { return dir_; }
    QString ConfigDir() const { return dir_ + QStringLiteral("/config"); }
    QString SettingsPath() const { return ConfigDir() + QStringLiteral("/Setting.ini"); }
    QString UrlFilterPath() const { return ConfigDir() + QStringLiteral("/url_filter.txt"); }
    QString TitleFilterPath() const { return ConfigDir() + QStringLiteral("/title_filter.txt"); }
    QString DocDatabasePath() const { return ConfigDir() + QStringLiteral("/docdata.db"); }
    QString KeyListPath() const { return dir_ + QStringLiteral("/key.list"); }
    QString RunLogPath() const { return dir_ + QStringLiteral("/run.log"); }
    // The list kept between runs while no list file is chosen.
    QString SessionListPath() const { return dir_ + QStringLiteral("/session.list"); }
    // The advisory lock of HomeLock.
    QString LockPath() const { return dir_ + QStringLiteral("/skimmer.lock"); }

    // Creates the home and its config folder. Returns what went wrong, or an empty text; the program
    // runs on either way (with defaults, and without saving).
    QString Prepare() const;

  private:
    QString dir_;
};
