#include "gui/MainWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QStyleOptionFrame>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QSystemTrayIcon>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "app/HomeLock.h"
#include "app/Session.h"
#include "download/DownloadPool.h"
#include "download/MetadataTable.h"
#include "app/MetaHarvest.h"
#include "gui/ColumnMenu.h"
#include "gui/DialogMessages.h"
#include "gui/DocDetailsPane.h"
#include "gui/MetadataCache.h"
#include "gui/EnginesDialog.h"
#include "gui/FlowLayout.h"
#include "gui/ListDialogs.h"
#include "gui/NetworkDialog.h"
#include "gui/ProgressDelegate.h"
#include "gui/ResultTableModel.h"
#include "gui/UpdateDialog.h"
#include "lists/IniFile.h"
#include "lists/ListFiles.h"
#include "lists/Profile.h"
#include "lists/SafeFile.h"
#include "meta/MetaReport.h"

namespace {

// Shows a counters text whole in its field: the field is made as wide as the text needs (as QLineEdit
// sizes itself: frame, margins, its 2-pixel inner margin each side and the cursor). `growOnly` keeps a
// wider width from before. The tooltip holds the text too.
void ShowWhole(QLineEdit& field, const QString& text, bool growOnly) {
    constexpr int kInnerMargin = 2;
    field.setText(text);
    field.setCursorPosition(0);
    field.setToolTip(text);
    QStyleOptionFrame option;
    option.initFrom(&field);
    option.lineWidth = field.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &field);
    const QMargins margins = field.textMargins() + field.contentsMargins();
    const int inner =
        field.fontMetrics().horizontalAdvance(text) + 2 * kInnerMargin + 1 + margins.left() + margins.right();
    const int width =
        field.style()->sizeFromContents(QStyle::CT_LineEdit, &option, QSize(inner, field.height()), &field).width();
    field.setMinimumWidth(growOnly ? std::max(width, field.minimumWidth()) : width);
}

using K = SettingKey;

// A reserved name that never resolves: a packager sets the real address ([Update] Url or the environment).
const QString kDefaultUpdateLocation = QStringLiteral("https://updates.skimmer.invalid/update.xml");

// The link cell keeps both ends in sight: the host at the start and the file name at the end.
class MiddleElideDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->textElideMode = Qt::ElideMiddle;
    }
};

QString CurrentVersion() {
    return QStringLiteral(SKIMMER_VERSION) + QStringLiteral("-20261207");
}

}  // namespace

MainWindow::MainWindow(Session& session, MessageSink* messages, QWidget* parent)
    : QWidget(parent), session_(session), update_(CurrentVersion()) {
    if (!messages) {
        ownMessages_ = std::make_unique<DialogMessages>(this);
        messages = ownMessages_.get();
    }
    messages_ = messages;
    session_.SetMessageSink(messages_);
    setObjectName(QStringLiteral("mainWindow"));
    SetTitlePath(QString());
    setWindowIcon(
        QIcon::fromTheme(QStringLiteral("folder-download"), style()->standardIcon(QStyle::SP_DriveNetIcon)));

    // The keywords and the options above, the table below, a splitter between them; the options scroll
    // when the window is too low for them and fold when it is too narrow.
    auto* top = new QWidget(this);
    auto* topLayout = new QHBoxLayout(top);
    topLayout->setContentsMargins(0, 0, 0, 0);
    topLayout->addWidget(BuildKeywordColumn());
    auto* optionsScroll = new QScrollArea(top);
    optionsScroll->setObjectName(QStringLiteral("optionsScroll"));
    optionsScroll->setWidgetResizable(true);
    optionsScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    optionsScroll->setFrameShape(QFrame::NoFrame);
    optionsScroll->setFocusPolicy(Qt::NoFocus);
    optionsScroll->setWidget(BuildOptions());
    auto* right = new QVBoxLayout;
    right->addWidget(searchButtons_);
    right->addWidget(optionsScroll, 1);
    topLayout->addLayout(right, 1);
    splitter_ = new QSplitter(Qt::Vertical, this);
    splitter_->setObjectName(QStringLiteral("mainSplitter"));
    splitter_->setChildrenCollapsible(false);
    splitter_->addWidget(top);
    splitter_->addWidget(BuildResultList());
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter_, 1);
    layout->addWidget(BuildBottomRow());

    // Status line: workers may report hundreds of times a second; the line shows the latest every 100 ms.
    auto* statusTimer = new QTimer(this);
    connect(&session_.Status(), &StatusLine::messageShown, this,
            [this](const QString& text) { pendingStatus_ = text; });
    connect(statusTimer, &QTimer::timeout, this, [this] {
        if (!pendingStatus_.isNull()) statusLine_->setText(pendingStatus_);
        pendingStatus_ = QString();
        // A list read on its own thread says how far it is; the table shows the list as it was meanwhile.
        if (const ListKeeper& lists = session_.Lists(); lists.Loading()) {
            if (const qint64 rows = lists.LoadedRows(); rows != loadShown_) {
                loadShown_ = rows;
                statusLine_->setText(tr("Loading the list… %1 rows read").arg(rows));
            }
        } else if (loadShown_ >= 0) {
            loadShown_ = -1;
            // A load that had to skip records says so here, where the user looks when it ends.
            if (const qint64 skipped = lists.LastLoadSkipped(); skipped > 0) {
                statusLine_->setText(tr("The list is loaded: %1 rows; lines that could not be read were "
                                        "skipped: %2, and its file is left as it is.")
                                         .arg(session_.Results().Size())
                                         .arg(skipped));
            } else {
                statusLine_->setText(tr("The list is loaded: %1 rows").arg(session_.Results().Size()));
            }
        }
    });
    statusTimer->start(100);
    statusLine_->setText(session_.Status().Current());
    connect(&session_, &Session::countersChanged, this, [this](const QString& list, const QString& search) {
        // While downloads run the rate and the time left change width every second: the field only grows
        // then, so the row does not twitch.
        ShowWhole(*listCounters_, list, session_.DownloadsRunning());
        ShowWhole(*searchCounters_, search, false);
    });
    ShowWhole(*listCounters_, session_.ListCounters(), false);
    ShowWhole(*searchCounters_, session_.SearchCounters(), false);
    // The end of a search is said once, as the current message (already in the run log); the whole
    // text stays readable in the line's tooltip however narrow the window is.
    connect(&session_, &Session::searchSummary, this, [this](const QString& summary) {
        session_.Status().ShowMsg(summary, QString(), QString(), 0);
        statusLine_->setToolTip(summary);
    });

    BuildTray();
    BindKeys();
    RestoreWindowState();
    ApplyCoupling();
    RefreshKeywords();
    session_.Downloads().Create();
    // The saved documents' metadata is read beside the downloads when the worker program is installed.
    if (QFileInfo(MetaHarvest::WorkerProgram()).isExecutable()) session_.StartMetadataReading();
    if (!session_.GetOptions().Text(K::ListFile).isEmpty() &&
        session_.GetOptions().Checked(K::LoadLastListAtStart)) {
        SetTitlePath(session_.GetOptions().Text(K::ListFile));
    }
    savePathPicker_ = [this](const QString& filters, QString* chosenFilter) {
        return QFileDialog::getSaveFileName(this, QString(), QString(), filters, chosenFilter);
    };
    folderPicker_ = [this](const QString& start) {
        return QFileDialog::getExistingDirectory(this, tr("Choose a folder"), start);
    };
    importQuestion_ = [this](qsizetype rows) {
        QMessageBox question(
            QMessageBox::Question, tr("Import"),
            tr("Replace the list's rows (%1) with the file's rows, or append the file's new rows?").arg(rows),
            QMessageBox::Cancel, this);
        QPushButton* replace = question.addButton(tr("Replace"), QMessageBox::DestructiveRole);
        QPushButton* append = question.addButton(tr("Append"), QMessageBox::AcceptRole);
        question.setDefaultButton(append);
        DialogMessages::FitTitle(question);
        question.exec();
        if (question.clickedButton() == replace) return ImportChoice::Replace;
        if (question.clickedButton() == append) return ImportChoice::Append;
        return ImportChoice::Cancel;
    };
    StartUpdateCheck();
}

QString MainWindow::ProgramTitle() {
    return tr("Skimmer Document Search & Download %1").arg(QStringLiteral(SKIMMER_VERSION));
}

MainWindow::~MainWindow() {
    session_.SetMessageSink(nullptr);  // the sink may die with this window
    closing_ = true;
    stopMetaRead_ = true;
    if (updateCheck_.joinable()) updateCheck_.join();
    if (metaRead_.joinable()) metaRead_.join();
}

void MainWindow::SetTitlePath(const QString& path) {
    setWindowTitle(path.isEmpty() ? ProgramTitle() : QStringLiteral("%1—%2").arg(ProgramTitle(), path));
    if (tray_) tray_->setToolTip(windowTitle());
}

QCheckBox* MainWindow::Check(const char* name, const QString& caption, K key) {
    auto* box = new QCheckBox(caption, this);
    box->setObjectName(QLatin1StringView(name));
    checks_.insert(key, box);
    Options& options = session_.GetOptions();
    box->setChecked(options.LiveInt(key) != 0);
    connect(box, &QCheckBox::toggled, this, [this, key](bool on) {
        session_.GetOptions().SetLiveInt(key, on ? 1 : 0);
        ApplyCoupling();
    });
    return box;
}

QLineEdit* MainWindow::Edit(const char* name, K key, bool number) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QLatin1StringView(name));
    edits_.insert(key, edit);
    Options& options = session_.GetOptions();
    edit->setText(number ? QString::number(options.LiveInt(key)) : options.LiveText(key));
    if (number) edit->setMaximumWidth(56);
    if (!number) edit->setMaxLength(SettingsTable::kMaxTextLength);  // what Setting.ini keeps
    connect(edit, &QLineEdit::textChanged, this, [this, key, number](const QString& text) {
        if (number) {
            session_.GetOptions().SetLiveInt(key, Profile::ParseInt(text));
        } else {
            session_.GetOptions().SetLiveText(key, text);
        }
    });
    return edit;
}

QPushButton* MainWindow::Button(const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(QLatin1StringView(name));
    return button;
}

QWidget* MainWindow::BuildKeywordColumn() {
    auto* box = new QGroupBox(this);
    auto* layout = new QVBoxLayout(box);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(tr("Keyword:"), box));
    keywordEdit_ = new QLineEdit(box);
    keywordEdit_->setObjectName(QStringLiteral("keywordEdit"));
    row->addWidget(keywordEdit_);
    layout->addLayout(row);
    keywords_ = new QTreeWidget(box);
    keywords_->setObjectName(QStringLiteral("keywordList"));
    keywords_->setHeaderLabels({tr("Keywords")});
    keywords_->setColumnWidth(0, 200);
    keywords_->setRootIsDecorated(false);
    keywords_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    keywords_->installEventFilter(this);  // the Delete key
    keywords_->header()->setSectionsClickable(true);
    connect(keywords_->header(), &QHeaderView::sectionClicked, this, [this](int column) {
        // Same column again: reverse; another column: ascending. Only the view is sorted.
        keywordSortDescending_ = column == keywordSortColumn_ ? !keywordSortDescending_ : false;
        keywordSortColumn_ = column;
        keywords_->sortItems(column, keywordSortDescending_ ? Qt::DescendingOrder : Qt::AscendingOrder);
    });
    connect(keywords_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item) {
        const int index = int(session_.Keywords().Keywords().indexOf(item->text(0)));
        session_.Keywords().SetTicked(index, item->checkState(0) == Qt::Checked);
    });
    layout->addWidget(keywords_, 1);
    auto* buttons = new QHBoxLayout;
    QPushButton* add = Button("addKeywordButton", tr("Add"));
    QPushButton* remove = Button("deleteKeywordsButton", tr("Delete"));
    QPushButton* clear = Button("clearKeywordsButton", tr("Clear"));
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addWidget(clear);
    layout->addLayout(buttons);
    connect(add, &QPushButton::clicked, this, [this] { AddTypedKeyword(); });
    connect(keywordEdit_, &QLineEdit::returnPressed, this, [this] { AddTypedKeyword(); });
    connect(remove, &QPushButton::clicked, this, [this] { DeleteKeywords(); });
    connect(clear, &QPushButton::clicked, this, [this] { ClearKeywords(); });
    box->setMaximumWidth(260);
    return box;
}

void MainWindow::AddTypedKeyword() {
    const QString text = keywordEdit_->text();
    if (text.trimmed().isEmpty()) return;
    if (session_.Keywords().AddKeyword(text) > 0) {
        keywordEdit_->clear();
        RefreshKeywords();
    } else if (session_.Keywords().Contains(text)) {
        messages_->ShowMessageBox(tr("\"%1\" is already in the keyword list.").arg(text));
    }
}

bool MainWindow::ConfirmRemoval(qsizetype count, bool keywords) {
    if (count <= 1) return true;
    const QString text = keywords ? tr("Remove %1 keywords?").arg(count) : tr("Remove %1 rows?").arg(count);
    return messages_->AskYesNo(text, tr("Confirm Removal"));
}

void MainWindow::DeleteKeywords() {
    KeywordList& words = session_.Keywords();
    QStringList highlighted;
    for (const QTreeWidgetItem* item : keywords_->selectedItems()) highlighted.append(item->text(0));
    if (highlighted.isEmpty()) {
        int ticked = 0;
        for (int i = 0; i < words.Size(); ++i) ticked += words.IsTicked(i) ? 1 : 0;
        if (!ConfirmRemoval(ticked, true)) return;
        words.DeleteTickedKeywords();
    } else {
        if (!ConfirmRemoval(highlighted.size(), true)) return;
        // The list deletes ticked keywords: tick exactly the highlighted ones for that step, and give the
        // others their ticks back afterwards.
        const QStringList all = words.Keywords();
        QSet<QString> ticked;
        for (int i = 0; i < all.size(); ++i) {
            if (words.IsTicked(i)) ticked.insert(all[i]);
            words.SetTicked(i, highlighted.contains(all[i]));
        }
        words.DeleteTickedKeywords();
        const QStringList left = words.Keywords();
        for (int i = 0; i < left.size(); ++i) words.SetTicked(i, ticked.contains(left[i]));
    }
    RefreshKeywords();
}

void MainWindow::ClearKeywords() {
    if (!ConfirmRemoval(session_.Keywords().Size(), true)) return;
    session_.Keywords().ClearKeywords();
    RefreshKeywords();
}

void MainWindow::RefreshKeywords() {
    QSignalBlocker block(keywords_);
    keywords_->clear();
    const QStringList words = session_.Keywords().Keywords();
    for (int i = 0; i < words.size(); ++i) {
        auto* item = new QTreeWidgetItem(keywords_, {words[i]});
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, session_.Keywords().IsTicked(i) ? Qt::Checked : Qt::Unchecked);
    }
    if (keywordSortColumn_ >= 0) {
        keywords_->sortItems(keywordSortColumn_,
                             keywordSortDescending_ ? Qt::DescendingOrder : Qt::AscendingOrder);
    }
}

QWidget* MainWindow::BuildOptions() {
    auto* box = new QWidget(this);
    box->setObjectName(QStringLiteral("optionsBox"));
    auto* rows = new QVBoxLayout(box);
    auto line = [&](std::initializer_list<QWidget*> widgets) {
        auto* flow = new FlowLayout;
        for (QWidget* w : widgets) flow->addWidget(w);
        rows->addLayout(flow);
    };
    // Widgets that read as one phrase ("time limit per file [5] minutes") fold as one.
    auto group = [this](std::initializer_list<QWidget*> widgets) {
        auto* phrase = new QWidget(this);
        auto* h = new QHBoxLayout(phrase);
        h->setContentsMargins(0, 0, 0, 0);
        for (QWidget* w : widgets) h->addWidget(w);
        return phrase;
    };
    auto label = [this](const QString& text) { return new QLabel(text, this); };

    QCheckBox* hidden63 = Check("search63DaCheck", tr("63Da"), K::Engine63Da);
    hidden63->hide();  // kept for its setting only
    line({label(tr("Search engines:")), Check("googleCheck", QStringLiteral("Google"), K::EngineGoogle),
          Check("googleScholarCheck", tr("Google Scholar"), K::EngineGoogleScholar),
          Check("baiduCheck", tr("Baidu"), K::EngineBaidu), Check("bingCheck", tr("Bing"), K::EngineBing),
          Check("bingAcademicCheck", tr("Bing Academic"), K::EngineBingAcademic),
          Check("bingEnglishCheck", tr("Bing (English only)"), K::BingEnglishOnly),
          Check("sogouCheck", tr("Sogou"), K::EngineSogou),
          Check("youdaoCheck", tr("Youdao"), K::EngineYoudao), hidden63});
    line({Check("yahooCheck", tr("Yahoo"), K::EngineYahoo),
          Check("aolCheck", QStringLiteral("Aol"), K::EngineAol),
          Check("zhongsouCheck", tr("Zhongsou"), K::EngineZhongsou),
          Check("osunCheck", QStringLiteral("OSUN"), K::EngineOsun),
          Check("duckDuckGoCheck", QStringLiteral("DuckDuckGo"), K::EngineDuckDuckGo),
          Check("braveCheck", QStringLiteral("Brave"), K::EngineBrave),
          Check("yandexCheck", QStringLiteral("Yandex"), K::EngineYandex),
          Check("startpageCheck", QStringLiteral("Startpage"), K::EngineStartpage)});
    line({group({Check("otherEngineCheck", tr("Other"), K::EngineOther),
                 Edit("otherEngineEdit", K::OtherEngineAddress, false)}),
          group({label(tr("Other engine's address filter")),
                 Edit("otherEngineFilterEdit", K::OtherEngineScopeWords, false)}),
          Check("matchUrlKeyCheck", tr("Match the address filter words"), K::ScopeWordsOnly)});
    // The web archives are asked per site rather than per keyword.
    QLineEdit* archiveSites = Edit("archiveSitesEdit", K::ArchiveSites, false);
    archiveSites->setMinimumWidth(260);
    line({group({label(tr("Archive sites:")), archiveSites}),
          Check("archiveRescueCheck", tr("Fetch dead links from the web archive"), K::ArchiveRescue)});
    line({label(tr("Document formats:")), Check("wordCheck", QStringLiteral("Word"), K::FormatWord),
          Check("pdfCheck", QStringLiteral("PDF"), K::FormatPdf),
          Check("pptCheck", QStringLiteral("PPT"), K::FormatPpt),
          Check("xlsCheck", QStringLiteral("XLS"), K::FormatXls),
          Check("txtCheck", QStringLiteral("TXT"), K::FormatTxt),
          Check("rtfCheck", QStringLiteral("RTF"), K::FormatRtf),
          Check("archiveCheck", tr("Archives"), K::FormatArchive),
          Check("otherFormatCheck", tr("Other"), K::FormatOther),
          Edit("otherFormatEdit", K::OtherDocExtension, false)});
    auto* timeRange = new QComboBox(this);
    timeRange->setObjectName(QStringLiteral("timeRangeCombo"));
    timeRange->addItems({tr("Any time"), tr("Past day"), tr("Past week"), tr("Past month"), tr("Past year")});
    timeRange->setCurrentIndex(session_.GetOptions().TimeRange());
    connect(timeRange, &QComboBox::currentIndexChanged, this,
            [this](int index) { session_.GetOptions().SetTimeRange(index); });
    line({group({label(tr("Published:")), timeRange}),
          Check("computeSizeCheck", tr("Find document sizes (slower)"), K::ProbeDocumentSize),
          Check("limitSizeCheck", tr("Limit document size when downloading"), K::LimitDownloadSize),
          group({label(tr("File size")), Edit("sizeMinEdit", K::MinSizeKb, false), label(tr("KB to")),
                 Edit("sizeMaxEdit", K::MaxSizeKb, false), label(QStringLiteral("KB"))})});
    line({group({label(tr("Titles of at least")), Edit("titleLengthEdit", K::MinTitleLength, true),
                 label(tr("characters"))}),
          Check("matchTitleCheck", tr("Title must match a keyword"), K::TitleMustMatchKeyword),
          Check("randomSuffixCheck", tr("Add a random suffix to names already in the list"),
                K::SuffixSameTitles),
          Check("skipDownloadedCheck", tr("Skip documents already downloaded"), K::SkipDownloaded),
          Check("autoLoadCheck", tr("Load the last list at start"), K::LoadLastListAtStart)});
    line(
        {group({label(tr("Search with")), Edit("searchThreadsEdit", K::SearchThreads, true),
                label(tr("threads"))}),
         group({label(tr("Pause between result pages")),
                Edit("searchIntervalEdit", K::SearchPauseSeconds, true), label(tr("seconds"))}),
         Check("overwriteCheck", tr("Overwrite existing files"), K::OverwriteExisting),
         group({label(tr("Stop deep search above")),
                Edit("deepSearchLimitEdit", K::DeepSearchQueueLimit, true), label(tr("queued addresses"))})});
    // What the terse captions stand for.
    const std::pair<const char*, QString> tips[] = {
        {"otherEngineCheck", tr("Ask one more engine: its search address, with the keyword where it goes")},
        {"otherEngineEdit", tr("The other engine's search address")},
        {"otherEngineFilterEdit", tr("Words an address must hold for the deep search to follow it")},
        {"matchUrlKeyCheck", tr("Follow only addresses that hold one of the address filter words")},
        {"archiveSitesEdit", tr("Domains or address prefixes, comma separated, that the web archives ticked under "
                                "Engines… are asked about")},
        {"archiveRescueCheck", tr("A link that answers 404 or 410, or whose host is gone, is downloaded from its "
                                  "archived copy")},
        {"otherFormatCheck", tr("Search one more document type, named by its extension")},
        {"otherFormatEdit", tr("The extension of the other document type, such as epub")},
        {"computeSizeCheck", tr("Ask every document's size while searching; slower")},
        {"limitSizeCheck", tr("Skip documents outside the size range below")},
        {"titleLengthEdit", tr("Hits with shorter titles are left out")},
        {"matchTitleCheck", tr("Only hits whose title holds a keyword")},
        {"randomSuffixCheck",
         tr("A title already in the list gets a random suffix, so no file overwrites another")},
        {"skipDownloadedCheck", tr("Links downloaded in earlier runs are not listed again")},
        {"autoLoadCheck", tr("At start, load the list that was open when the program quit")},
        {"searchThreadsEdit", tr("How many result pages are fetched at once (1 to 50)")},
        {"searchIntervalEdit", tr("Seconds each search thread waits between two result pages")},
        {"overwriteCheck", tr("A download replaces a file of the same name in the save folder")},
        {"deepSearchLimitEdit",
         tr("The deep search stops following links once this many addresses wait; 0: never")},
        {"downloadThreadsEdit", tr("How many files are downloaded at once")},
        {"timeoutEdit", tr("A file that takes longer is given up")},
    };
    QLineEdit* savePath = Edit("savePathEdit", K::SaveFolder, false);
    QPushButton* choose = Button("chooseFolderButton", tr("Choose…"));
    connect(choose, &QPushButton::clicked, this, [this] { ChooseSaveFolder(); });
    savePath->setMinimumWidth(220);
    line({group({label(tr("Save to:")), savePath, choose}),
          group({label(tr("Download")), Edit("downloadThreadsEdit", K::DownloadThreads, true),
                 label(tr("at a time;"))}),
          group({label(tr("time limit per file")), Edit("timeoutEdit", K::DownloadTimeoutMinutes, true),
                 label(tr("minutes"))})});

    for (const auto& [name, tip] : tips) {
        if (QWidget* w = findChild<QWidget*>(QLatin1StringView(name))) w->setToolTip(tip);
    }
    QPushButton* search = Button("searchButton", tr("Search"));
    QPushButton* stop = Button("stopSearchButton", tr("Stop Search"));
    QPushButton* stopDeep = Button("stopDeepSearchButton", tr("Stop Deep Search"));
    QPushButton* clearRecords = Button("clearSearchRecordsButton", tr("Clear Search History"));
    QPushButton* upgrade = Button("updateButton", tr("Update"));
    auto* engines = new QPushButton(tr("Engines…"), this);
    engines->setObjectName(QStringLiteral("enginesButton"));
    connect(engines, &QPushButton::clicked, this, [this] { ShowEnginesDialog(); });
    auto* network = new QPushButton(tr("Network…"), this);
    network->setObjectName(QStringLiteral("networkButton"));
    connect(network, &QPushButton::clicked, this, [this] { NetworkDialog(session_, this).exec(); });
    // The search buttons stay in sight above the options, however far those are scrolled.
    searchButtons_ = new QWidget(this);
    auto* actions = new FlowLayout(searchButtons_);
    actions->setContentsMargins(0, 0, 0, 0);
    // The API engines are ticked in the Engines dialog only: the window says which are.
    apiEngines_ = new QLabel(this);
    apiEngines_->setObjectName(QStringLiteral("apiEnginesLabel"));
    for (QWidget* button : {search, stop, stopDeep, clearRecords, upgrade, engines, network})
        actions->addWidget(button);
    actions->addWidget(apiEngines_);
    RefreshApiEngines();
    rows->addStretch();
    connect(search, &QPushButton::clicked, this, [this] { SearchButton(); });
    connect(stop, &QPushButton::clicked, this, [this] { session_.Search().StopSearch(); });
    connect(stopDeep, &QPushButton::clicked, this, [this] { session_.Search().StopDeepSearch(); });
    connect(clearRecords, &QPushButton::clicked, this, [this] { session_.Search().ClearSearchRecords(); });
    connect(upgrade, &QPushButton::clicked, this, [this] { ShowUpdateDialog(false); });
    return box;
}

void MainWindow::SearchButton() {
    SearchJob& job = session_.Search();
    // A press during a search cancels it; that is the job's own business.
    if (job.IsBusy()) return void(job.StartSearch());
    if (session_.Keywords().Size() == 0) {
        return messages_->ShowMessageBox(
            tr("Add a keyword first: type it beside \"Keyword:\" and press Add."));
    }
    // The values typed so far decide which of the waiting pages today's options would still ask for;
    // a refused entry is reported by the start itself.
    session_.GetOptions().ReadBack();
    const int waiting = job.PendingPageCount();
    if (waiting > 0 && job.PendingOptionsDiffer(session_.GetOptions())) {
        const int answer = messages_->AskChoice(
            tr("The previous search left %1 result pages waiting, queued with other engines, formats or "
               "keywords than those ticked now. Continue the previous search, or start anew with today's "
               "options (the waiting pages are dropped)?")
                .arg(waiting),
            tr("Search"), {tr("Continue"), tr("Start Anew")});
        if (answer < 0) return;
        if (answer == 1) job.DropPendingPages();
    }
    job.StartSearch();
}

void MainWindow::BindKeys() {
    const std::pair<const char*, QKeySequence> keys[] = {
        {"searchButton", QKeySequence(Qt::CTRL | Qt::Key_Return)},
        {"stopSearchButton", QKeySequence(Qt::Key_Escape)},
        {"startDownloadButton", QKeySequence(Qt::CTRL | Qt::Key_D)},
        {"stopDownloadButton", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D)},
        {"importButton", QKeySequence(QKeySequence::Open)},
        {"exportButton", QKeySequence(QKeySequence::Save)}};
    for (const auto& [name, key] : keys) {
        auto* button = findChild<QPushButton*>(QLatin1StringView(name));
        button->setShortcut(key);
        //: A button's tooltip: its caption and its shortcut.
        button->setToolTip(tr("%1 (%2)").arg(button->text(), key.toString(QKeySequence::NativeText)));
    }
    // Tab reaches the search right after the keyword, then the keyword list, the options, the table as
    // one stop and the list buttons; the views move their own cursor with the arrow keys.
    table_->setTabKeyNavigation(false);
    keywords_->setTabKeyNavigation(false);
    QWidget* chain[] = {keywordEdit_,
                        findChild<QPushButton*>(QStringLiteral("addKeywordButton")),
                        findChild<QPushButton*>(QStringLiteral("searchButton")),
                        findChild<QPushButton*>(QStringLiteral("stopSearchButton")),
                        findChild<QPushButton*>(QStringLiteral("stopDeepSearchButton")),
                        findChild<QPushButton*>(QStringLiteral("clearSearchRecordsButton")),
                        findChild<QPushButton*>(QStringLiteral("updateButton")),
                        findChild<QPushButton*>(QStringLiteral("enginesButton")),
                        keywords_};
    for (size_t i = 1; i < std::size(chain); ++i) setTabOrder(chain[i - 1], chain[i]);
}

void MainWindow::RefreshApiEngines() {
    const QStringList names = EnginesDialog::TickedApiEngines(session_);
    apiEngines_->setText(names.isEmpty() ? tr("API engines: none")
                                         : tr("API engines: %1").arg(names.join(tr(", "))));
    apiEngines_->setToolTip(tr("Tick or untick them under Engines…"));
}

void MainWindow::ShowEnginesDialog() {
    EnginesDialog dialog(session_, this);
    if (dialog.exec() != QDialog::Accepted) return;
    RefreshApiEngines();
    // The dialog ticks the same settings as the boxes of this window: show its choice here too.
    for (auto it = checks_.cbegin(); it != checks_.cend(); ++it)
        it.value()->setChecked(session_.GetOptions().LiveInt(it.key()) != 0);
}

void MainWindow::ApplyCoupling() {
    // Called while the boxes are still being built: a control not made yet is skipped.
    auto checked = [this](K key) {
        const QCheckBox* box = checks_.value(key);
        return box && box->isChecked();
    };
    auto enable = [this](K key, bool on) {
        if (QLineEdit* edit = edits_.value(key)) edit->setEnabled(on);
    };
    const bool sizes = checked(K::LimitDownloadSize) || checked(K::ProbeDocumentSize);
    enable(K::MinSizeKb, sizes);
    enable(K::MaxSizeKb, sizes);
    enable(K::OtherDocExtension, checked(K::FormatOther));
    enable(K::OtherEngineAddress, checked(K::EngineOther));
    enable(K::OtherEngineScopeWords, checked(K::EngineOther));
}

QWidget* MainWindow::BuildResultList() {
    table_ = new QTableView(this);
    table_->setObjectName(QStringLiteral("resultTable"));
    model_ = new ResultTableModel(session_.Results(), this);
    model_->SetSpeedSource([this](int row) -> qint64 {
        const auto id = model_->IdAt(row);
        return id ? session_.Results().SpeedOfId(*id) : 0;
    });
    // The metadata columns and the details read a cache loaded off this thread, never SQLite per cell.
    metadataCache_ = new MetadataCache(session_.Home().DocDatabasePath(), this);
    model_->SetMetadataCache(metadataCache_);
    connect(metadataCache_, &MetadataCache::loaded, this, &MainWindow::ShowDetails);
    metadataCache_->Reload();
    table_->setModel(model_);
    table_->setItemDelegateForColumn(ResultTableModel::kStatusColumn, new ProgressDelegate(table_));
    table_->setItemDelegateForColumn(ResultTableModel::kLinkColumn, new MiddleElideDelegate(table_));
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSortingEnabled(false);  // the header's indicator drives the model's own sort below
    table_->verticalHeader()->setDefaultSectionSize(22);
    table_->verticalHeader()->hide();
    // The title and the link share the spare width; type, size and status keep the widths they are given.
    QHeaderView* header = table_->horizontalHeader();
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(40);
    for (int column = 0; column < ResultTableModel::kColumns; ++column) {
        table_->setColumnWidth(column, ResultTableModel::ColumnWidth(column));
        // A row in progress shows its percent and speed whole.
        if (column == ResultTableModel::kStatusColumn)
            table_->setColumnWidth(column, std::max(ResultTableModel::ColumnWidth(column),
                                                    ProgressDelegate::ColumnWidth(*table_)));
        const bool wide = column == ResultTableModel::kTitleColumn || column == ResultTableModel::kLinkColumn;
        header->setSectionResizeMode(column, wide ? QHeaderView::Stretch : QHeaderView::Interactive);
        // The documents' metadata is there on request.
        header->setSectionHidden(column, column >= ResultTableModel::kListColumns);
    }
    // A click sorts the view by the column, a second the other way, a third back to the list's order.
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setSortIndicatorClearable(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    connect(header, &QHeaderView::sortIndicatorChanged, model_, &ResultTableModel::sort);
    // The view's selection is the highlight the buttons follow: it goes with every structural change of
    // the list, so it never names a row that moved.
    connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                const auto id = model_->IdAt(current.row());
                const auto entry = id ? session_.Results().Entry(*id) : std::nullopt;
                if (entry)
                    statusLine_->setText(entry->title + u' ' + ResultTableModel::DisplaySize(entry->size) +
                                         u' ' + entry->link);
                ShowDetails();
            });
    table_->installEventFilter(this);  // the Delete key
    BuildRowMenu();
    connect(table_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        const auto id = model_->IdAt(index.row());
        const auto entry = id ? session_.Results().Entry(*id) : std::nullopt;
        if (entry) OpenWithDesktop(QUrl::fromUserInput(entry->link));
    });
    details_ = new DocDetailsPane(this);
    details_->setMinimumWidth(160);
    details_->hide();
    resultSplitter_ = new QSplitter(Qt::Horizontal, this);
    resultSplitter_->setObjectName(QStringLiteral("resultSplitter"));
    resultSplitter_->setChildrenCollapsible(false);
    resultSplitter_->addWidget(table_);
    resultSplitter_->addWidget(details_);
    resultSplitter_->setStretchFactor(0, 3);
    resultSplitter_->setStretchFactor(1, 1);
    BuildColumnMenu();
    return resultSplitter_;
}

void MainWindow::BuildColumnMenu() {
    columnMenu_ = new ColumnMenu(table_->horizontalHeader(), this);
    documentTitlesAction_ = columnMenu_->addAction(tr("Use the Document's Title"));
    documentTitlesAction_->setObjectName(QStringLiteral("documentTitlesAction"));
    documentTitlesAction_->setCheckable(true);
    documentTitlesAction_->setToolTip(
        tr("Rows titled with a file name show the title inside the document; the list and the saved file keep "
           "their names."));
    connect(documentTitlesAction_, &QAction::toggled, model_, &ResultTableModel::SetUseDocumentTitles);
    detailsAction_ = columnMenu_->addAction(tr("Details Pane"));
    detailsAction_->setObjectName(QStringLiteral("detailsAction"));
    detailsAction_->setCheckable(true);
    connect(detailsAction_, &QAction::toggled, this, [this](bool shown) {
        details_->setVisible(shown);
        ShowDetails();
    });
    columnMenu_->addSeparator();
    QAction* read = columnMenu_->addAction(tr("Read Documents' Metadata"), this, &MainWindow::ReadDocumentsMetadata);
    read->setObjectName(QStringLiteral("readMetadataAction"));
    QAction* report = columnMenu_->addAction(tr("Document Report…"), this, &MainWindow::DocumentReportButton);
    report->setObjectName(QStringLiteral("documentReportAction"));
    // New documents the background reading has read show up without a click.
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, [this] {
        const qint64 read = session_.MetadataDocumentsRead();
        if (read != std::exchange(metadataSeen_, read)) metadataCache_->Reload();
    });
    poll->start(3000);
}

void MainWindow::ShowDetails() {
    if (!details_ || !details_->isVisible()) return;
    const auto id = model_->IdAt(table_->currentIndex().row());
    const auto entry = id ? session_.Results().Entry(*id) : std::nullopt;
    if (!entry) return details_->ShowNothing();
    details_->ShowRow(*entry, metadataCache_->Find(entry->link));
}

bool MainWindow::WriteDocumentReport(const QString& path) {
    MetaReport::Format format = MetaReport::Format::Html;
    MetaReport::FormatFromName(QFileInfo(path).suffix().toLower(), &format);
    MetadataTable table;
    QString problem;
    if (!table.Open(session_.Home().DocDatabasePath(), &problem)) {
        messages_->ShowMessageBox(tr("The registry cannot be opened: %1").arg(problem));
        return false;
    }
    // The documents of the list shown; with an empty list, every document kept.
    QSet<QString> links;
    for (const ResultEntry& row : session_.Results().Snapshot()) links.insert(row.link);
    QList<MetaReport::Document> documents;
    for (MetadataTable::Entry& entry : table.Documents()) {
        if (!links.isEmpty() && !links.contains(entry.link)) continue;
        documents.append({entry.link, entry.file, std::move(entry.metadata)});
    }
    QString reason;
    if (!SafeFile::Replace(path, MetaReport(std::move(documents)).Write(format), &reason)) {
        messages_->ShowMessageBox(tr("The report could not be written to %1: %2")
                                      .arg(QDir::toNativeSeparators(path), reason));
        return false;
    }
    return true;
}

void MainWindow::DocumentReportButton() {
    QString chosenFilter;
    const QString path = WithFilterSuffix(
        savePathPicker_(tr("Web page (*.html);;CSV (*.csv);;JSON (*.json)"), &chosenFilter), chosenFilter);
    if (path.isEmpty()) return;
    if (WriteDocumentReport(path)) OpenWithDesktop(QUrl::fromLocalFile(path));
}

void MainWindow::ReadDocumentsMetadata() {
    if (metaReading_.exchange(true)) {
        return session_.ShowMsg(tr("The documents' metadata is being read already."), QString(), QString(), 0);
    }
    if (metaRead_.joinable()) metaRead_.join();  // the last reading has ended
    session_.ShowMsg(tr("Reading the documents' metadata…"), QString(), QString(), 0);
    metaRead_ = std::thread([this] {
        int done = 0;
        const int read = session_.ReadPendingMetadata(
            [this, &done](const QString& file) {
                session_.ShowMsg(tr("Reading metadata (%1 done): %2").arg(done++).arg(QFileInfo(file).fileName()),
                                 QString(), QString(), 0);
            },
            &stopMetaRead_);
        QMetaObject::invokeMethod(
            this,
            [this, read] {
                metaReading_ = false;
                session_.ShowMsg(read < 0 ? tr("The registry cannot take the documents' metadata.")
                                          : tr("Metadata read for %1 documents.").arg(read),
                                 QString(), QString(), read < 0 ? 1 : 0);
                metadataCache_->Reload();
            },
            Qt::QueuedConnection);
    });
}

QWidget* MainWindow::BuildBottomRow() {
    auto* box = new QWidget(this);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* buttons = new FlowLayout;
    const std::pair<const char*, QString> listButtons[] = {{"checkRowsButton", tr("Check")},
                                                           {"uncheckRowsButton", tr("Uncheck")},
                                                           {"checkByStatusButton", tr("Check by Status…")},
                                                           {"deleteRowsButton", tr("Delete")},
                                                           {"clearListButton", tr("Clear")},
                                                           {"setStatusButton", tr("Set Status…")},
                                                           {"exportButton", tr("Export…")},
                                                           {"importButton", tr("Import…")},
                                                           {"appendButton", tr("Append…")},
                                                           {"startDownloadButton", tr("Start Download")},
                                                           {"stopDownloadButton", tr("Stop Download")},
                                                           {"sendToAria2Button", tr("Send to aria2")},
                                                           {"readMetadataButton", tr("Read Metadata")},
                                                           {"documentReportButton", tr("Document Report…")}};
    for (const auto& [name, caption] : listButtons) buttons->addWidget(Button(name, caption));
    layout->addLayout(buttons);
    auto* counters = new QHBoxLayout;
    statusLine_ = new QLineEdit(box);
    statusLine_->setObjectName(QStringLiteral("statusLine"));
    statusLine_->setReadOnly(true);
    listCounters_ = new QLineEdit(box);
    listCounters_->setObjectName(QStringLiteral("listCounters"));
    listCounters_->setReadOnly(true);
    searchCounters_ = new QLineEdit(box);
    searchCounters_->setObjectName(QStringLiteral("searchCounters"));
    searchCounters_->setReadOnly(true);
    // The counters are as wide as their figures (ShowWhole); the status line, whose summaries are also in
    // its tooltip, takes the rest.
    counters->addWidget(statusLine_, 1);
    counters->addWidget(listCounters_);
    counters->addWidget(searchCounters_);
    layout->addLayout(counters);

    ResultList& list = session_.Results();
    auto on = [this](const char* name, auto handler) {
        connect(findChild<QPushButton*>(QLatin1StringView(name)), &QPushButton::clicked, this, handler);
    };
    on("checkRowsButton", [this, &list] {
        const QSet<RowId> rows = HighlightedRows();
        rows.isEmpty() ? list.SetCheckOnSelectionOrAll(true) : list.SetCheckedRows(rows, true);
    });
    on("uncheckRowsButton", [this, &list] {
        const QSet<RowId> rows = HighlightedRows();
        rows.isEmpty() ? list.SetCheckOnSelectionOrAll(false) : list.SetCheckedRows(rows, false);
    });
    on("checkByStatusButton", [this, &list] {
        if (list.Size() == 0) return messages_->ShowMessageBox(tr("The download list is empty."));
        StatusChoiceDialog dialog(*messages_, this);
        if (dialog.exec() == QDialog::Accepted) list.CheckByStatus(dialog.Filter());
    });
    on("deleteRowsButton", [this] { RemoveRows(); });
    on("clearListButton", [this, &list] {
        if (list.Size() == 0) return messages_->ShowMessageBox(tr("The download list is empty."));
        if (ConfirmRemoval(list.Size())) list.ClearList();
    });
    on("setStatusButton", [this] { ApplyStatusToRows(); });
    on("exportButton", [this] { ExportButton(); });
    on("importButton", [this] { ImportButton(); });
    on("appendButton", [this] { AppendButton(); });
    on("startDownloadButton", [this] { StartDownloadButton(); });
    on("stopDownloadButton", [this] {
        if (const auto refusal = session_.GetOptions().ReadBack()) messages_->ShowMessageBox(*refusal);
        session_.Downloads().StopDownload();
    });
    on("sendToAria2Button", [this] { session_.HandOff().Start(); });
    on("readMetadataButton", [this] { ReadDocumentsMetadata(); });
    on("documentReportButton", [this] { DocumentReportButton(); });
    return box;
}

QSet<RowId> MainWindow::HighlightedRows() const {
    QSet<RowId> rows;
    for (const QModelIndex& index : table_->selectionModel()->selectedRows()) {
        if (const auto id = model_->IdAt(index.row())) rows.insert(*id);
    }
    return rows;
}

void MainWindow::RemoveRows() {
    ResultList& list = session_.Results();
    if (list.Size() == 0) return messages_->ShowMessageBox(tr("The download list is empty."));
    const QSet<RowId> rows = HighlightedRows();
    if (!rows.isEmpty()) {
        if (ConfirmRemoval(rows.size())) list.DeleteRows(rows);
        return;
    }
    qsizetype ticked = 0;
    for (qsizetype position = 0; position < list.Size(); ++position) {
        const auto id = list.IdAt(position);
        ticked += id && list.IsChecked(*id) ? 1 : 0;
    }
    if (ConfirmRemoval(ticked)) list.DeleteChecked();
}

void MainWindow::ApplyStatusToRows() {
    StatusActionDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted) return;
    const QSet<RowId> rows = HighlightedRows();
    if (rows.isEmpty()) {
        session_.Results().ApplyStatusAction(dialog.Action());
    } else {
        session_.Results().ApplyStatusActionToRows(dialog.Action(), rows);
    }
}

void MainWindow::RetryRows() {
    const QSet<RowId> rows = HighlightedRows();
    if (rows.isEmpty()) return;
    session_.Results().ApplyStatusActionToRows(ResultList::StatusAction::CheckedToWaiting, rows);
    StartDownloadButton();
}

QString MainWindow::RowFilePath(RowId id) const {
    const auto entry = session_.Results().Entry(id);
    if (!entry || entry->status != RowStatus::Downloaded) return {};
    bool exists = false;
    const QString path = DownloadPool::BuildTargetPath(session_.GetOptions().Text(K::SaveFolder),
                                                       entry->title, entry->type, &exists);
    return exists && QFileInfo(path).isFile() ? path : QString();
}

void MainWindow::OpenRowFile(bool folderOnly) {
    const auto current = model_->IdAt(table_->currentIndex().row());
    if (!current) return;
    const QString path = RowFilePath(*current);
    if (path.isEmpty() && !folderOnly) {
        return messages_->ShowMessageBox(tr("This row has no downloaded file in the save folder."));
    }
    const QString folder =
        path.isEmpty() ? session_.GetOptions().Text(K::SaveFolder) : QFileInfo(path).path();
    if (folder.isEmpty()) return messages_->ShowMessageBox(tr("No save folder is set."));
    OpenWithDesktop(QUrl::fromLocalFile(folderOnly ? folder : path));
}

void MainWindow::OpenWithDesktop(const QUrl& url) {
    if (!QDesktopServices::openUrl(url)) {
        messages_->ShowMessageBox(
            tr("No program on this desktop opens %1. Set one up for this kind of file or address, or open it "
               "by hand.")
                .arg(url.isLocalFile() ? QDir::toNativeSeparators(url.toLocalFile()) : url.toString()));
    }
}

QString MainWindow::HelpFile() {
    // Installed beside the program as <prefix>/share/doc/skimmer/README.md; a build tree has it two
    // folders up from the program.
    const QDir bin(QCoreApplication::applicationDirPath());
    for (const QString& candidate :
         {bin.filePath(QStringLiteral("../share/doc/skimmer/README.md")),
          bin.filePath(QStringLiteral("../../README.md")), bin.filePath(QStringLiteral("../README.md"))}) {
        if (QFileInfo(candidate).isFile()) return QFileInfo(candidate).canonicalFilePath();
    }
    return {};
}

void MainWindow::OpenHelp() {
    const QString file = HelpFile();
    if (file.isEmpty()) return messages_->ShowMessageBox(tr("The help file README.md is not installed."));
    OpenWithDesktop(QUrl::fromLocalFile(file));
}

void MainWindow::BuildRowMenu() {
    rowMenu_ = new QMenu(table_);
    rowMenu_->setObjectName(QStringLiteral("rowMenu"));
    auto add = [this](const char* name, const QString& caption, auto handler) {
        QAction* action = rowMenu_->addAction(caption, this, handler);
        action->setObjectName(QLatin1StringView(name));
        return action;
    };
    add("openFileAction", tr("Open File"), [this] { OpenRowFile(false); });
    add("openFolderAction", tr("Open Folder"), [this] { OpenRowFile(true); });
    add("copyLinkAction", tr("Copy Link"), [this] {
        // In the table's order, whatever order the rows were highlighted in.
        QModelIndexList rows = table_->selectionModel()->selectedRows();
        std::sort(rows.begin(), rows.end(),
                  [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
        QStringList links;
        ResultList& list = session_.Results();
        for (const QModelIndex& index : rows) {
            const auto id = model_->IdAt(index.row());
            const auto entry = id ? list.Entry(*id) : std::nullopt;
            if (entry) links.append(entry->link);
        }
        QGuiApplication::clipboard()->setText(links.join(u'\n'));
    });
    rowMenu_->addSeparator();
    add("retryAction", tr("Retry"), [this] { RetryRows(); });
    add("setStatusAction", tr("Set Status…"), [this] { ApplyStatusToRows(); });
    add("removeRowsAction", tr("Remove"), [this] { RemoveRows(); });
    rowMenu_->addSeparator();
    add("invertTicksAction", tr("Invert Ticks"), [this] { session_.Results().InvertChecks(); });
    table_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(table_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        // A right click outside the highlight highlights the row under the pointer, as file managers do.
        const QModelIndex index = table_->indexAt(at);
        if (index.isValid() && !table_->selectionModel()->isRowSelected(index.row())) {
            table_->selectionModel()->select(index,
                                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        }
        if (index.isValid()) table_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        const bool rows = !HighlightedRows().isEmpty();
        for (QAction* action : rowMenu_->actions()) {
            if (action->objectName() != QLatin1StringView("invertTicksAction") && !action->isSeparator())
                action->setEnabled(rows);
        }
        rowMenu_->popup(table_->viewport()->mapToGlobal(at));
    });
}

bool MainWindow::ChooseSaveFolder() {
    QLineEdit* savePath = edits_.value(K::SaveFolder);
    const QString folder = folderPicker_(savePath->text());
    if (folder.isEmpty()) return false;
    savePath->setText(folder);
    session_.GetOptions().SetCommittedText(K::SaveFolder, folder);
    return true;
}

bool MainWindow::RefuseWhileLoading() {
    if (!session_.Lists().Loading()) return false;
    messages_->ShowMessageBox(tr("A list is being loaded; this can be done once it is in."));
    return true;
}

void MainWindow::StartDownloadButton() {
    // The rows it would take are about to be replaced by the file's.
    if (RefuseWhileLoading()) return;
    // No folder yet: ask for one where it is needed, rather than refusing. An empty list is refused by
    // the start itself, before any dialog.
    if (session_.Results().Size() > 0 && edits_.value(K::SaveFolder)->text().trimmed().isEmpty() &&
        !ChooseSaveFolder()) {
        return;
    }
    session_.Downloads().StartDownload();
}

void MainWindow::ExportList(const QString& path, const StatusFilter& filter) {
    const QString written = session_.Lists().ExportTo(path, filter);
    SetTitlePath(written);
}

void MainWindow::ImportList(const QString& path, const StatusFilter& filter) {
    if (RefuseWhileLoading()) return;
    if (session_.Results().Size() > 0) {
        const ImportChoice choice = importQuestion_(session_.Results().Size());
        if (choice == ImportChoice::Cancel) return;
        if (choice == ImportChoice::Append) return AppendFromFile(path, filter);
    }
    // Read on a thread of its own: a million rows take seconds, and the window stays in use meanwhile.
    session_.Lists().BeginImport(path, filter, [this, path] { SetTitlePath(path); });
}

void MainWindow::AppendFromFile(const QString& path, const StatusFilter& filter) {
    // The file is read into a list on the side with the import's own readers, then its new links join
    // this list in file order; the list path stays as it is, since the list is no copy of either file.
    ResultList& list = session_.Results();
    const std::unique_ptr<ResultList> staging = list.MakeStaging();
    Options& options = session_.GetOptions();
    const QString listPath = options.Text(K::ListFile);
    ListFiles files(*staging, options, messages_);
    files.ImportList(path, filter);
    options.SetCommittedText(K::ListFile, listPath);  // the readers remember what they read
    for (const ResultEntry& entry : staging->Snapshot()) {
        if (list.AddLinkIfNew(entry.link) == 0) continue;
        list.AddEntry(entry.title, entry.type, entry.size, entry.link, entry.status);
    }
}

QString MainWindow::WithFilterSuffix(const QString& path, const QString& nameFilter) {
    if (path.isEmpty() || !QFileInfo(path).suffix().isEmpty()) return path;
    static const QRegularExpression pattern(QStringLiteral("\\*\\.(\\w+)"));
    const QRegularExpressionMatch match = pattern.match(nameFilter);
    return match.hasMatch() ? path + u'.' + match.captured(1) : path;
}

QString MainWindow::PickExportPath() {
    QString chosenFilter;
    const QString path =
        savePathPicker_(tr("List XML (*.xml);;List files (*.list);;All files (*)"), &chosenFilter);
    return WithFilterSuffix(path, chosenFilter);
}

void MainWindow::ExportButton() {
    // The list shown is about to be replaced: saving it now would save neither.
    if (RefuseWhileLoading()) return;
    ListKeeper& lists = session_.Lists();
    if (!lists.BeginExport()) return;
    const QString path = PickExportPath();
    if (path.isEmpty()) {
        lists.EndExport();
        return;
    }
    StatusChoiceDialog dialog(*messages_, this);
    if (path.isEmpty() || dialog.exec() != QDialog::Accepted) {
        lists.EndExport();
        return;
    }
    ExportList(path, dialog.Filter());
}

void MainWindow::ImportButton() {
    if (RefuseWhileLoading()) return;
    const QString path = QFileDialog::getOpenFileName(
        this, QString(), QString(), tr("List XML (*.xml);;List files (*.list);;All files (*)"));
    if (path.isEmpty()) return;
    StatusChoiceDialog dialog(*messages_, this);
    if (dialog.exec() != QDialog::Accepted) return;
    ImportList(path, dialog.Filter());
}

void MainWindow::AppendButton() {
    if (RefuseWhileLoading()) return;
    if (session_.Results().Size() == 0) return messages_->ShowMessageBox(tr("The list is empty."));
    QString chosenFilter;
    const QString path = WithFilterSuffix(
        savePathPicker_(tr("List files (*.list);;All files (*)"), &chosenFilter), chosenFilter);
    if (!path.isEmpty()) session_.Lists().AppendTo(path);
}

void MainWindow::BuildTray() {
    trayMenu_ = new QMenu(this);
    trayMenu_->addAction(tr("Show Window"), this, [this] {
        show();
        raise();
        activateWindow();
    });
    trayMenu_->addAction(tr("Hide Window"), this, &QWidget::hide);
    trayMenu_->addSeparator();
    trayMenu_->addAction(tr("About…"), this, [this] {
        QMessageBox about(
            QMessageBox::Information, tr("About"),
            tr("%1\nFinds documents shared publicly on the web by keyword and downloads them in bulk.")
                .arg(ProgramTitle()),
            QMessageBox::Ok, this);
        about.setIconPixmap(windowIcon().pixmap(64));
        DialogMessages::FitTitle(about);
        about.exec();
    });
    trayMenu_->addAction(tr("Help"), this, [this] { OpenHelp(); });
    trayMenu_->addSeparator();
    trayMenu_->addAction(tr("Quit"), this, &QWidget::close);
    tray_ = new QSystemTrayIcon(windowIcon(), this);
    tray_->setToolTip(windowTitle());
    tray_->setContextMenu(trayMenu_);
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger) ToggleVisible();
    });
    if (QSystemTrayIcon::isSystemTrayAvailable()) tray_->show();
}

void MainWindow::ToggleVisible() {
    if (isVisible()) {
        hide();
    } else {
        showNormal();
        raise();
        activateWindow();
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(event)->key() != Qt::Key_Delete ||
        static_cast<QKeyEvent*>(event)->modifiers() != Qt::NoModifier) {
        return QWidget::eventFilter(watched, event);
    }
    if (watched == table_) {
        if (!HighlightedRows().isEmpty()) RemoveRows();
        return true;
    }
    if (watched == keywords_) {
        if (!keywords_->selectedItems().isEmpty()) DeleteKeywords();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Minimising hides the window; the tray icon brings it back.
    if (event->type() == QEvent::WindowStateChange && isMinimized() &&
        QSystemTrayIcon::isSystemTrayAvailable()) {
        QTimer::singleShot(0, this, &QWidget::hide);
    }
}

QString MainWindow::QuitQuestion(const ListKeeper::ClosePlan& plan) const {
    QStringList lines;
    if (session_.DownloadsRunning()) {
        lines.append(
            tr("Downloads running: %1. They stop, and their rows go back to waiting.")
                .arg(qMax(session_.Downloads().Tries().trying + session_.Downloads().Tries().retrying, 1)));
    }
    const QString name = QDir::toNativeSeparators(plan.path);
    switch (plan.action) {
        case ListKeeper::CloseAction::Save:
            if (plan.rows > 0 && plan.aside != ListKeeper::Aside::None)
                lines.append(ListKeeper::AsideText(plan));
            else if (plan.rows > 0)
                lines.append(tr("The list (rows: %1) will be kept in %2.").arg(plan.rows).arg(name));
            break;
        case ListKeeper::CloseAction::EmptiesFile:
            lines.append(tr("The list is empty: %1 will be emptied.").arg(name));
            break;
        case ListKeeper::CloseAction::NotSaved:
            lines.append(tr("The list (rows: %1) will not be saved: %2 holds another list, which is kept. "
                            "Choose Save As to keep this one.")
                             .arg(plan.rows)
                             .arg(name));
            break;
        case ListKeeper::CloseAction::Nothing:
            if (plan.rows > 0) lines.append(tr("The list (rows: %1) will not be saved.").arg(plan.rows));
            break;
    }
    if (session_.Lists().Loading())
        lines.append(tr("A list is being loaded: quitting stops the load, and the list is kept as it was."));
    lines.append(tr("Quit the program?"));
    return lines.join(u'\n');
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (closing_) return event->accept();
    Options& options = session_.GetOptions();
    if (const auto refusal = options.ReadBack()) messages_->ShowMessageBox(*refusal);
    session_.SaveSettings();
    session_.SaveKeywords();
    SaveWindowState();
    // The early save cancels a load, which the question may yet keep going: only once quitting is sure.
    if (!session_.Lists().Loading()) session_.Lists().CloseSave();
    // One question that says what quitting does to the downloads and the list; Save As only on request.
    const ListKeeper::ClosePlan plan = session_.Lists().PlanCloseSave();
    QStringList answers{tr("Quit")};
    if (plan.rows > 0) answers.append(tr("Save As…"));
    const int answer = messages_->AskChoice(QuitQuestion(plan), tr("Confirm Quit"), answers);
    if (answer < 0) {
        event->ignore();
        return;
    }
    QString saveAs;
    if (answer == 1) {
        // The file is chosen before anything stops, so that cancelling it leaves the program as it was.
        saveAs = PickExportPath();
        if (saveAs.isEmpty()) {
            event->ignore();
            return;
        }
    }
    // What a load read so far is dropped: the list is saved as it was before it, never half read.
    session_.Lists().CancelLoad();
    // Rows in flight go back to waiting, their partial bytes kept for resume, before the list is saved
    // for the last time, so a later start takes them first.
    session_.StopForClose();
    if (!saveAs.isEmpty() && session_.Lists().BeginExport()) {
        // Every row: the list file chosen here becomes the list path, which Close saves with the settings.
        ExportList(saveAs, StatusFilter());
    }
    hide();
    closing_ = true;
    if (tray_) tray_->hide();
    session_.Close(saveAs.isEmpty() && plan.action == ListKeeper::CloseAction::EmptiesFile);
    event->accept();
    Q_EMIT closed();
}

namespace {
const QString kWindowSection = QStringLiteral("Window");
}  // namespace

void MainWindow::RestoreWindowState() {
    const IniFile ini = IniFile::Load(session_.Home().SettingsPath());
    auto bytes = [&ini](const char* key) {
        return QByteArray::fromBase64(
            ini.Value(kWindowSection, QLatin1StringView(key)).value_or(QString()).toLatin1());
    };
    if (!restoreGeometry(bytes("Geometry"))) {
        // First start: the usual size, but never larger than the free area of the screen it opens on,
        // title bar and frame included (they are not known before the window is shown: a usual allowance).
        QSize size(1000, 720);
        if (const QScreen* screen = this->screen()) {
            const QRect free = screen->availableGeometry();
            size = size.boundedTo(free.size() - QSize(16, 48));
            move(free.topLeft());
        }
        resize(size);
    }
    splitter_->restoreState(bytes("Splitter"));
    QHeaderView* header = table_->horizontalHeader();
    if (header->restoreState(bytes("Columns"))) {
        // Columns newer than the saved state start hidden, as on a first start.
        const int saved = ini.Value(kWindowSection, QStringLiteral("ColumnCount")).value_or(QString()).toInt();
        for (int column = std::max(saved, int(ResultTableModel::kListColumns)); column < ResultTableModel::kColumns;
             ++column)
            header->setSectionHidden(column, true);
    }
    model_->sort(header->sortIndicatorSection(), header->sortIndicatorOrder());
    resultSplitter_->restoreState(bytes("DetailsSplitter"));
    detailsAction_->setChecked(ini.Value(kWindowSection, QStringLiteral("Details")).value_or(QString()) == u"1");
    documentTitlesAction_->setChecked(ini.Value(kWindowSection, QStringLiteral("DocumentTitles")).value_or(QString()) ==
                                      u"1");
}

bool MainWindow::SaveWindowState(QString* error) const {
    const QString geometry = QString::fromLatin1(saveGeometry().toBase64());
    const QString split = QString::fromLatin1(splitter_->saveState().toBase64());
    const QString columns = QString::fromLatin1(table_->horizontalHeader()->saveState().toBase64());
    const QString details = QString::fromLatin1(resultSplitter_->saveState().toBase64());
    const bool detailsShown = detailsAction_->isChecked(), documentTitles = documentTitlesAction_->isChecked();
    // Under the home's lock, as the other saves of Setting.ini, so a `config set` meanwhile is not lost.
    HomeLock lock(session_.Home().LockPath());
    if (!lock.Acquire(error)) return false;
    return Profile(session_.Home().SettingsPath())
        .Update(
            [&](IniFile& ini) {
                ini.SetValue(kWindowSection, QStringLiteral("Geometry"), geometry);
                ini.SetValue(kWindowSection, QStringLiteral("Splitter"), split);
                ini.SetValue(kWindowSection, QStringLiteral("Columns"), columns);
                ini.SetValue(kWindowSection, QStringLiteral("ColumnCount"),
                             QString::number(ResultTableModel::kColumns));
                ini.SetValue(kWindowSection, QStringLiteral("DetailsSplitter"), details);
                ini.SetValue(kWindowSection, QStringLiteral("Details"), QString::number(int(detailsShown)));
                ini.SetValue(kWindowSection, QStringLiteral("DocumentTitles"), QString::number(int(documentTitles)));
            },
            error);
}

QString MainWindow::UpdateLocation() const {
    const QString fromEnv = qEnvironmentVariable("SKIMMER_UPDATE_URL");
    if (!fromEnv.isEmpty()) return fromEnv;
    return IniFile::Load(session_.Home().SettingsPath())
        .Value(QStringLiteral("Update"), QStringLiteral("Url"))
        .value_or(kDefaultUpdateLocation);
}

void MainWindow::StartUpdateCheck() {
    const QString location = UpdateLocation();
    updateCheck_ = std::thread([this, location] {
        if (closing_) return;
        int result;
        {
            QMutexLocker lock(&updateLock_);
            update_.Parse(location);
            result = update_.Check();
        }
        updateShown_.store(result == 1 ? 0 : 1);
        if (result == 1)
            QMetaObject::invokeMethod(
                this, [this] { ShowUpdateDialog(true); }, Qt::QueuedConnection);
    });
}

void MainWindow::ShowUpdateDialog(bool checked) {
    UpdateDialog dialog(update_, updateLock_, UpdateLocation(), *messages_,
                        checked && updateShown_.load() == 0, this);
    dialog.exec();
    updateShown_.store(1);
}
