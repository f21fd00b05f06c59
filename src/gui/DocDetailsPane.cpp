#include "gui/DocDetailsPane.h"

#include "gui/ResultTableModel.h"
#include "lists/ResultEntry.h"
#include "meta/DocMetadata.h"

namespace {

QString FindingKind(MetaFinding::Kind kind) {
    switch (kind) {
        case MetaFinding::Kind::Email:
            return DocDetailsPane::tr("E-mail address");
        case MetaFinding::Kind::UserName:
            return DocDetailsPane::tr("User name");
        case MetaFinding::Kind::Path:
            return DocDetailsPane::tr("Path");
        case MetaFinding::Kind::Url:
            return DocDetailsPane::tr("URL");
        case MetaFinding::Kind::Printer:
            return DocDetailsPane::tr("Printer");
    }
    return {};
}

QString StatusText(const DocMetadata& metadata) {
    switch (metadata.status) {
        case MetaStatus::Read:
            return DocDetailsPane::tr("read");
        case MetaStatus::Encrypted:
            return DocDetailsPane::tr("encrypted, no metadata");
        case MetaStatus::Damaged:
            return DocDetailsPane::tr("damaged");
        case MetaStatus::Failed:
            return DocDetailsPane::tr("not readable");
    }
    return {};
}

// Rows of label and value; values come from the web and from documents, so they are escaped.
class Rows {
  public:
    void Add(const QString& label, const QString& value) {
        if (value.isEmpty()) return;
        html_ += QStringLiteral("<tr><td style='padding-right:8px'><b>%1</b></td><td>%2</td></tr>")
                     .arg(label.toHtmlEscaped(), value.toHtmlEscaped());
    }
    QString Table() const { return html_.isEmpty() ? QString() : QStringLiteral("<table>%1</table>").arg(html_); }

  private:
    QString html_;
};

}  // namespace

DocDetailsPane::DocDetailsPane(QWidget* parent) : QTextBrowser(parent) {
    setObjectName(QStringLiteral("detailsPane"));
    // A link from a document's metadata is shown, never followed by a click.
    setOpenLinks(false);
    ShowNothing();
}

void DocDetailsPane::ShowRow(const ResultEntry& entry, const DocMetadata* metadata) {
    setHtml(Html(entry, metadata));
}

void DocDetailsPane::ShowNothing() {
    setHtml(QStringLiteral("<p>%1</p>").arg(tr("Highlight a row to see its document's details.").toHtmlEscaped()));
}

QString DocDetailsPane::Html(const ResultEntry& entry, const DocMetadata* metadata) {
    Rows row;
    row.Add(tr("File Name"), entry.title);
    row.Add(tr("Location"), entry.link);
    row.Add(tr("Status"), ResultTableModel::DisplayStatus(entry.status));
    QString html = row.Table();
    if (!metadata) {
        return html + QStringLiteral("<p>%1</p>").arg(tr("No metadata has been read for this document.").toHtmlEscaped());
    }
    const DocMetadata& m = *metadata;
    Rows fields;
    fields.Add(tr("Metadata"), StatusText(m) + (m.reason.isEmpty() ? QString() : tr(" (%1)").arg(m.reason)));
    fields.Add(tr("Document type"), m.type);
    fields.Add(tr("Title"), m.title);
    // The Info dictionary wins; what the XMP packet says instead is shown beside it.
    fields.Add(tr("Title (XMP)"), m.xmpTitle != m.title ? m.xmpTitle : QString());
    fields.Add(tr("Author"), m.author);
    fields.Add(tr("Author (XMP)"), m.xmpAuthor != m.author ? m.xmpAuthor : QString());
    fields.Add(tr("Subject"), m.subject);
    fields.Add(tr("Keywords"), m.keywords);
    fields.Add(tr("Last modified by"), m.lastModifiedBy);
    fields.Add(tr("Application"), m.application);
    fields.Add(tr("Producer"), m.producer);
    fields.Add(tr("Company"), m.company);
    fields.Add(tr("Created"), m.created);
    fields.Add(tr("Modified"), m.modified);
    fields.Add(tr("Pages"), m.pages >= 0 ? QString::number(m.pages) : QString());
    fields.Add(tr("PDF version"), m.pdfVersion);
    fields.Add(tr("Encrypted"), m.encrypted ? tr("yes") : QString());
    fields.Add(tr("Size"), m.size >= 0 ? QString::number(m.size) : QString());
    fields.Add(tr("SHA-256"), m.sha256);
    html += QStringLiteral("<h4>%1</h4>").arg(tr("Document").toHtmlEscaped()) + fields.Table();
    if (!m.findings.isEmpty()) {
        Rows found;
        for (const MetaFinding& finding : m.findings)
            found.Add(FindingKind(finding.kind), finding.value + u' ' + tr("(in %1)").arg(finding.field));
        html += QStringLiteral("<h4>%1</h4>").arg(tr("Found in the metadata").toHtmlEscaped()) + found.Table();
    }
    if (!m.history.isEmpty()) {
        html += QStringLiteral("<h4>%1</h4><ul>").arg(tr("History").toHtmlEscaped());
        for (const QString& step : m.history) html += QStringLiteral("<li>%1</li>").arg(step.toHtmlEscaped());
        html += QStringLiteral("</ul>");
    }
    return html;
}
