#include "gui/EnginesDialog.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QScrollArea>
#include <QUrl>
#include <QVBoxLayout>

#include "app/Session.h"
#include "engines/EngineCatalog.h"
#include "engines/QueryTemplate.h"
#include "lists/EngineKeys.h"
#include "lists/Profile.h"
#include "lists/SettingsTable.h"
#include "search/QueryCatalogue.h"
#include "search/SearchJob.h"

namespace {

// The [Engines] keys each API engine needs, with their captions; the credentials are masked until
// "Show keys" is ticked (an e-mail address is no credential and stays readable).
struct KeyField {
    const char* key;
    const char* caption;
    bool masked;
};
QList<KeyField> KeyFields(EngineKind kind) {
    switch (kind) {
        case EngineKind::Searxng:
            return {
                {"SearxngUrls", QT_TRANSLATE_NOOP("EnginesDialog", "Instances (comma-separated)"), false}};
        case EngineKind::GoogleApi:
            return {{"GoogleApiKey", QT_TRANSLATE_NOOP("EnginesDialog", "API key"), true},
                    {"GoogleCx", QT_TRANSLATE_NOOP("EnginesDialog", "Engine id (cx)"), false}};
        case EngineKind::BraveApi:
            return {{"BraveApiKey", QT_TRANSLATE_NOOP("EnginesDialog", "Subscription token"), true}};
        case EngineKind::OpenAlex:
            return {{"OpenAlexMailto", QT_TRANSLATE_NOOP("EnginesDialog", "E-mail (optional)"), false}};
        case EngineKind::Html:
        case EngineKind::WaybackCdx:
        case EngineKind::CommonCrawlCdx:
            break;
    }
    return {};
}

// The built-in engines by id, with the name their definitions give, so that the window says them in
// its language; a user's definition that names an engine otherwise keeps its own name.
const std::pair<const char*, const char*> kBuiltInNames[] = {
    {"63da-search", QT_TRANSLATE_NOOP("EngineNames", "63da search")},
    {"63da", QT_TRANSLATE_NOOP("EngineNames", "63da list")},
    {"aol", QT_TRANSLATE_NOOP("EngineNames", "AOL")},
    {"baidu", QT_TRANSLATE_NOOP("EngineNames", "Baidu")},
    {"bing", QT_TRANSLATE_NOOP("EngineNames", "Bing")},
    {"bingacademic", QT_TRANSLATE_NOOP("EngineNames", "Bing Academic")},
    {"commoncrawl", QT_TRANSLATE_NOOP("EngineNames", "Common Crawl (web archive)")},
    {"brave-api", QT_TRANSLATE_NOOP("EngineNames", "Brave Search API")},
    {"brave", QT_TRANSLATE_NOOP("EngineNames", "Brave Search")},
    {"duckduckgo", QT_TRANSLATE_NOOP("EngineNames", "DuckDuckGo")},
    {"google-api", QT_TRANSLATE_NOOP("EngineNames", "Google Programmable Search API")},
    {"google", QT_TRANSLATE_NOOP("EngineNames", "Google")},
    {"openalex", QT_TRANSLATE_NOOP("EngineNames", "OpenAlex (open access papers)")},
    {"osun", QT_TRANSLATE_NOOP("EngineNames", "Osun")},
    {"pdfsites", QT_TRANSLATE_NOOP("EngineNames", "PDF sites")},
    {"scholar", QT_TRANSLATE_NOOP("EngineNames", "Google Scholar")},
    {"searxng", QT_TRANSLATE_NOOP("EngineNames", "SearXNG instances")},
    {"sogou", QT_TRANSLATE_NOOP("EngineNames", "Sogou")},
    {"soso", QT_TRANSLATE_NOOP("EngineNames", "Soso")},
    {"startpage", QT_TRANSLATE_NOOP("EngineNames", "Startpage")},
    {"wayback", QT_TRANSLATE_NOOP("EngineNames", "Wayback Machine (web archive)")},
    {"yahoo", QT_TRANSLATE_NOOP("EngineNames", "Yahoo")},
    {"yandex", QT_TRANSLATE_NOOP("EngineNames", "Yandex")},
    {"youdao", QT_TRANSLATE_NOOP("EngineNames", "Youdao")},
    {"zhongsou", QT_TRANSLATE_NOOP("EngineNames", "Zhongsou")},
};

}  // namespace

QString EnginesDialog::DisplayName(const EngineDefinition& engine) {
    for (const auto& [id, name] : kBuiltInNames) {
        if (engine.id == QLatin1StringView(id) && engine.name == QLatin1StringView(name))
            return QCoreApplication::translate("EngineNames", name);
    }
    return engine.name;
}

QStringList EnginesDialog::TickedApiEngines(Session& session) {
    QStringList names;
    for (const EngineDefinition& engine : session.Engines()->Engines()) {
        const SettingSpec* spec = SettingsTable::Find(engine.setting);
        if (engine.kind != EngineKind::Html && spec && spec->kind == SettingKind::Check &&
            session.GetOptions().LiveInt(spec->id) != 0)
            names.append(DisplayName(engine));
    }
    return names;
}

EnginesDialog::EnginesDialog(Session& session, QWidget* parent) : QDialog(parent), session_(session) {
    setObjectName(QStringLiteral("enginesDialog"));
    setWindowTitle(tr("Engines"));
    auto* inner = new QWidget;
    auto* grid = new QGridLayout(inner);
    grid->addWidget(new QLabel(tr("<b>Engine</b>")), 0, 0);
    grid->addWidget(new QLabel(tr("<b>Keys</b>")), 0, 1);
    grid->addWidget(new QLabel(tr("<b>Last blocked because</b>")), 0, 2);

    const EngineKeys keys = EngineKeys::Load(session_.Settings());
    QHash<QString, QString> reasons;
    for (const EngineTally& tally : session_.Search().Ledger().Snapshot()) {
        if (tally.blocked) reasons.insert(tally.engine, tally.reason);
    }
    int row = 1;
    for (const EngineDefinition& engine : session_.Engines()->Engines()) {
        auto* box = new QCheckBox(DisplayName(engine));
        box->setObjectName(QStringLiteral("engine-%1").arg(engine.id));
        const SettingSpec* spec = SettingsTable::Find(engine.setting);
        // The PDF sites follow the PDF format box: ticking them here would change the format.
        if (spec && spec->kind == SettingKind::Check &&
            engine.id != QLatin1StringView(QueryCatalogue::kPdfSites)) {
            box->setChecked(session_.GetOptions().LiveInt(spec->id) != 0);
            boxes_.append({box, engine.setting});
        } else {
            if (spec && spec->kind == SettingKind::Check)
                box->setChecked(session_.GetOptions().LiveInt(spec->id) != 0);
            box->setEnabled(false);
        }
        grid->addWidget(box, row, 0);
        auto* fields = new QWidget;
        auto* line = new QHBoxLayout(fields);
        line->setContentsMargins(0, 0, 0, 0);
        for (const KeyField& field : KeyFields(engine.kind)) {
            const QString name = QLatin1StringView(field.key);
            auto* edit = new QLineEdit(keys.Value(name));
            edit->setObjectName(QStringLiteral("key-%1").arg(name));
            edit->setPlaceholderText(tr(field.caption));
            edit->setToolTip(tr(field.caption));
            if (field.masked) {
                edit->setEchoMode(QLineEdit::Password);
                masked_.append(edit);
            }
            line->addWidget(edit);
            keys_.append({edit, name});
        }
        line->addStretch();
        grid->addWidget(fields, row, 1);
        auto* reason = new QLabel(reasons.value(engine.id));
        reason->setObjectName(QStringLiteral("reason-%1").arg(engine.id));
        grid->addWidget(reason, row, 2);
        ++row;
        // The sites of an engine that gathers several, each with its own box under the engine's.
        QStringList shown;
        for (const QueryTemplate& query :
             QueryTemplate::ReadAll(engine.queries, nullptr).value_or(QList<QueryTemplate>())) {
            const SettingSpec* siteSpec = SettingsTable::Find(query.setting);
            if (!siteSpec || shown.contains(query.setting)) continue;
            shown.append(query.setting);
            auto* site = new QCheckBox(QUrl(query.url).host());
            site->setObjectName(QStringLiteral("site-%1").arg(query.setting));
            site->setToolTip(
                tr("Asked while \"%1\" above and this box are both ticked").arg(DisplayName(engine)));
            site->setChecked(session_.GetOptions().LiveInt(siteSpec->id) != 0);
            auto* indented = new QWidget;
            auto* indent = new QHBoxLayout(indented);
            indent->setContentsMargins(24, 0, 0, 0);
            indent->addWidget(site);
            grid->addWidget(indented, row, 0);
            boxes_.append({site, query.setting});
            ++row;
        }
    }
    grid->setRowStretch(row, 1);  // rows packed at the top
    auto* scroll = new QScrollArea;
    scroll->setWidget(inner);
    scroll->setWidgetResizable(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* showKeys = new QCheckBox(tr("Show keys"));
    showKeys->setObjectName(QStringLiteral("showKeysCheck"));
    connect(showKeys, &QCheckBox::toggled, this, [this](bool shown) {
        for (QLineEdit* edit : masked_) edit->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
    });
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(showKeys);
    bottom->addWidget(buttons, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(scroll, 1);
    layout->addLayout(bottom);
    // The rows scroll inside; the dialog itself, with its buttons, stays within the screen's free area.
    QSize size(900, 820);
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    if (screen) size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
    resize(size);
}

void EnginesDialog::accept() {
    Options& options = session_.GetOptions();
    for (const auto& [box, setting] : boxes_) {
        if (const SettingSpec* spec = SettingsTable::Find(setting))
            options.SetLiveInt(spec->id, box->isChecked() ? 1 : 0);
    }
    const Profile settings = session_.Settings();
    EngineKeys keys = EngineKeys::Load(settings);
    for (const auto& [edit, key] : keys_) keys.SetValue(key, edit->text());
    keys.Save(settings);
    QDialog::accept();
}
