#pragma once
// The update notice's data: reads the update document (a local file or an address), finds the entry
// of this program's application type and tells whether its version is newer than ours. Parse and Check
// run on the check threads; the caller keeps two checks from overlapping (see UpdateChecker).

#include <QString>

class RunLog;

class UpdateInfo {
  public:
    static constexpr const char* kAppType = "skimmerorder";
    static constexpr qint64 kMaxDocumentBytes = 1024 * 1024;

    explicit UpdateInfo(QString currentVersion, QString appType = QString::fromLatin1(kAppType))
        : currentVersion_(std::move(currentVersion)), appType_(std::move(appType)) {}

    // 1 read and walked, 0 when it could not be loaded or lacks its root, its entries, or the "app" of a
    // matching entry.
    int Parse(const QString& location, RunLog* log = nullptr);
    // 1 when the matching entry is newer than this program, -1 otherwise.
    int Check() const;
    // Why the last Parse read nothing (in the user's language), empty after a document was read.
    const QString& Failure() const { return failure_; }

    // "1.40-20160425" gives 140 and 20160425; false for a string that is no version.
    static bool VersionValue(const QString& version, qint64* major, qint64* date);
    // Line ends after every 33 characters while at least 33 follow.
    static QString BreakNotes(const QString& notes);

    const QString& CurrentVersion() const { return currentVersion_; }
    const QString& LatestVersion() const { return latestVersion_; }
    const QString& VersionDate() const { return versionDate_; }
    const QString& ReleaseNotes() const { return releaseNotes_; }
    const QString& DownloadAddress() const { return downloadAddress_; }

  private:
    int ReadDocument(const QString& location, RunLog* log);
    void Forget();

    QString currentVersion_;
    QString appType_;
    QString latestVersion_;
    QString versionDate_;
    QString releaseNotes_;
    QString downloadAddress_;
    QString foundAppType_;
    QString failure_;
};
