#pragma once
// The program's window over a Session: every control of the search, download and list functions bound
// to the options, the result table, the keyword list, the counters and the status line, the tray icon
// and the close sequence. Main thread.

#include <QMap>
#include <QMutex>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "app/ListKeeper.h"
#include "app/UpdateInfo.h"
#include "lists/ResultEntry.h"
#include "lists/ResultList.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QSplitter;
class QPushButton;
class QSystemTrayIcon;
class QTableView;
class QTreeWidget;
class QUrl;
class ColumnMenu;
class DocDetailsPane;
class MessageSink;
class MetadataCache;
class ResultTableModel;
class Session;
enum class SettingKey;

class MainWindow : public QWidget {
    Q_OBJECT
  public:
    // messages: where message boxes go; null for real dialogs (tests pass their own).
    explicit MainWindow(Session& session, MessageSink* messages = nullptr, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The window title "%s—%s" with the list path, or the program's name alone.
    void SetTitlePath(const QString& path);
    // The button procedures after their file dialogs, for the buttons and for tests.
    void ExportList(const QString& path, const StatusFilter& filter);
    void ImportList(const QString& path, const StatusFilter& filter);
    // Adds the file's rows whose links the list does not hold yet after the rows already there.
    void AppendFromFile(const QString& path, const StatusFilter& filter);
    // What an import into a list that has rows does; tests answer without a dialog.
    enum class ImportChoice { Replace, Append, Cancel };
    using ImportQuestion = std::function<ImportChoice(qsizetype rows)>;
    void SetImportQuestion(ImportQuestion question) { importQuestion_ = std::move(question); }
    // The rows the list buttons act on: the highlighted ones, if any.
    QSet<RowId> HighlightedRows() const;
    // Where the folder choice comes from; tests answer without a dialog. Empty: cancelled.
    void SetFolderPicker(std::function<QString(const QString& start)> picker) {
        folderPicker_ = std::move(picker);
    }
    // Where a list file to write is chosen: the name filters offered and the one chosen; empty: cancelled.
    // Tests answer without a dialog.
    using SavePathPicker = std::function<QString(const QString& filters, QString* chosenFilter)>;
    void SetSavePathPicker(SavePathPicker picker) { savePathPicker_ = std::move(picker); }
    // A name without an extension gets the one of the chosen filter ("List files (*.list)": ".list").
    static QString WithFilterSuffix(const QString& path, const QString& nameFilter);
    ResultTableModel* Model() const { return model_; }
    MetadataCache* Metadata() const { return metadataCache_; }
    // "Document report…" after its file dialog: the report on the list's documents (every kept document
    // when the list is empty), as HTML, CSV or JSON by the file's extension. False with the reason shown.
    bool WriteDocumentReport(const QString& path);
    // Reads the metadata of the kept documents not read yet, on a thread of its own, with progress on
    // the status line; the table shows it when done.
    void ReadDocumentsMetadata();
    bool ReadingMetadata() const { return metaReading_.load(); }
    void ToggleVisible();
    QSystemTrayIcon* Tray() const { return tray_; }
    // The update location: $SKIMMER_UPDATE_URL, else [Update] Url in Setting.ini, else the default.
    QString UpdateLocation() const;
    void ShowUpdateDialog(bool checked);

  Q_SIGNALS:
    // The close sequence ran to its end.
    void closed();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // "Engines…": every engine with its box, keys and last block reason.
    void ShowEnginesDialog();

  private:
    static QString ProgramTitle();
    QWidget* BuildKeywordColumn();
    QWidget* BuildOptions();
    QWidget* BuildResultList();
    QWidget* BuildBottomRow();
    void BuildTray();
    // A box or edit bound to its setting, named `name` so that tests find it.
    QCheckBox* Check(const char* name, const QString& caption, SettingKey key);
    QLineEdit* Edit(const char* name, SettingKey key, bool number);
    QPushButton* Button(const char* name, const QString& caption);
    void ApplyCoupling();
    // Search: says what is missing, and asks whether pages waiting from other options go on.
    void SearchButton();
    void RefreshApiEngines();
    void RefreshKeywords();
    // The keyword field's text joins the list and the field empties; a keyword already there is named.
    void AddTypedKeyword();
    // Keyboard: shortcuts shown in the buttons' tooltips, and a tab order with the search first.
    void BindKeys();
    // Size, place, splitter and column widths, in section [Window] of Setting.ini.
    void RestoreWindowState();
    bool SaveWindowState(QString* error = nullptr) const;
    void ExportButton();
    QString PickExportPath();
    // The quit question: what stops and where the list goes.
    QString QuitQuestion(const ListKeeper::ClosePlan& plan) const;
    void ImportButton();
    void AppendButton();
    void BuildRowMenu();
    void BuildColumnMenu();
    void ShowDetails();
    void DocumentReportButton();
    bool ChooseSaveFolder();  // false when cancelled
    void StartDownloadButton();
    // While a list file is read on its thread: says so and returns true. A second load, a download,
    // an export or an append would act on rows about to be replaced; a search may run, its rows stay.
    bool RefuseWhileLoading();
    // Delete button, Delete key and the row menu: the highlighted rows, else the ticked ones.
    void RemoveRows();
    void ApplyStatusToRows();
    void RetryRows();
    void OpenRowFile(bool folderOnly);
    void DeleteKeywords();
    void ClearKeywords();
    // More than one row or keyword goes only after a yes.
    bool ConfirmRemoval(qsizetype count, bool keywords = false);
    // The downloaded file of a row, empty when it is not in the save folder.
    QString RowFilePath(RowId id) const;
    void StartUpdateCheck();
    // Opens with the desktop's program, and says so when there is none.
    void OpenWithDesktop(const QUrl& url);
    // The README installed with the program, empty when there is none.
    static QString HelpFile();
    void OpenHelp();

    Session& session_;
    std::unique_ptr<MessageSink> ownMessages_;
    MessageSink* messages_;
    QMap<SettingKey, QCheckBox*> checks_;  // every box bound to a setting
    QMap<SettingKey, QLineEdit*> edits_;   // every edit bound to a setting
    QTreeWidget* keywords_ = nullptr;
    QLineEdit* keywordEdit_ = nullptr;
    QTableView* table_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QWidget* searchButtons_ = nullptr;
    ResultTableModel* model_ = nullptr;
    MetadataCache* metadataCache_ = nullptr;
    DocDetailsPane* details_ = nullptr;
    QSplitter* resultSplitter_ = nullptr;
    ColumnMenu* columnMenu_ = nullptr;
    QAction* documentTitlesAction_ = nullptr;
    QAction* detailsAction_ = nullptr;
    qint64 metadataSeen_ = 0;
    std::thread metaRead_;
    std::atomic<bool> metaReading_{false};
    std::atomic<bool> stopMetaRead_{false};
    QLineEdit* statusLine_ = nullptr;
    QLabel* apiEngines_ = nullptr;
    QLineEdit* listCounters_ = nullptr;
    QLineEdit* searchCounters_ = nullptr;
    QMenu* rowMenu_ = nullptr;
    ImportQuestion importQuestion_;
    std::function<QString(const QString&)> folderPicker_;
    SavePathPicker savePathPicker_;
    QSystemTrayIcon* tray_ = nullptr;
    QMenu* trayMenu_ = nullptr;
    QString pendingStatus_;
    qint64 loadShown_ = -1;  // rows read by the load the status line last showed; -1 while none runs
    std::atomic<bool> closing_{false};  // read by the update-check thread
    int keywordSortColumn_ = -1;
    bool keywordSortDescending_ = false;

    UpdateInfo update_;
    QMutex updateLock_;
    std::thread updateCheck_;
    std::atomic<int> updateShown_{1};
};
