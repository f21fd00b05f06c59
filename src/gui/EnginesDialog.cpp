#include "gui/EnginesDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
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

// The [Engines] keys each API engine needs, with their captions.
QList<QPair<const char*, const char*>> KeyFields(EngineKind kind) {
    switch (kind) {
        case EngineKind::Searxng:
            return {{"SearxngUrls", QT_TRANSLATE_NOOP("EnginesDialog", "Instances (comma-separated)")}};
        case EngineKind::GoogleApi:
            return {{"GoogleApiKey", QT_TRANSLATE_NOOP("EnginesDialog", "API key")},
                    {"GoogleCx", QT_TRANSLATE_NOOP("EnginesDialog", "Engine id (cx)")}};
        case EngineKind::BraveApi:
            return {{"BraveApiKey", QT_TRANSLATE_NOOP("EnginesDialog", "Subscription token")}};
        case EngineKind::OpenAlex:
            return {{"OpenAlexMailto", QT_TRANSLATE_NOOP("EnginesDialog", "E-mail (optional)")}};
        case EngineKind::Html:
        case EngineKind::WaybackCdx:
        case EngineKind::CommonCrawlCdx:
            break;
    }
    return {};
}

}  // namespace

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
        auto* box = new QCheckBox(engine.name);
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
        for (const auto& [key, caption] : KeyFields(engine.kind)) {
            const QString name = QLatin1StringView(key);
            auto* edit = new QLineEdit(keys.Value(name));
            edit->setObjectName(QStringLiteral("key-%1").arg(name));
            edit->setPlaceholderText(tr(caption));
            const EngineKeySpec* keySpec = EngineKeys::Find(name);
            if (keySpec && keySpec->secret) edit->setEchoMode(QLineEdit::Password);
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
            site->setToolTip(tr("Asked while \"%1\" above and this box are both ticked").arg(engine.name));
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
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(scroll);
    layout->addWidget(buttons);
    resize(900, 820);
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
