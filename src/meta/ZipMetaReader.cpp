#include "meta/ZipMetaReader.h"

#include <libxml/tree.h>
#include <zip.h>

#include <memory>

#include "meta/DocMetadata.h"
#include "meta/MetaDate.h"
#include "meta/MetaXml.h"

namespace {

class ZipArchive {
  public:
    explicit ZipArchive(const QByteArray& bytes) {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source = zip_source_buffer_create(bytes.constData(), zip_uint64_t(bytes.size()), 0, &error);
        if (source) {
            archive_ = zip_open_from_source(source, ZIP_RDONLY, &error);
            if (!archive_) zip_source_free(source);
        }
        zip_error_fini(&error);
    }
    ~ZipArchive() {
        if (archive_) zip_discard(archive_);
    }
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    bool IsOpen() const { return archive_ != nullptr; }
    qint64 EntryCount() const { return zip_get_num_entries(archive_, 0); }

    // How many entries carry this exact name (a crafted zip can carry several).
    int CountNamed(const char* name) const {
        int count = 0;
        const qint64 entries = EntryCount();
        for (qint64 i = 0; i < entries; ++i) {
            const char* entry = zip_get_name(archive_, zip_uint64_t(i), ZIP_FL_ENC_RAW);
            if (entry && qstrcmp(entry, name) == 0) ++count;
        }
        return count;
    }

    // The inflated bytes of the first entry of that name; a null array when absent or over a limit
    // (problem says which).
    QByteArray Entry(const char* name, QString* problem) {
        const zip_int64_t index = zip_name_locate(archive_, name, ZIP_FL_ENC_RAW);
        if (index < 0) return {};
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(archive_, zip_uint64_t(index), 0, &stat) != 0) return {};
        if ((stat.valid & ZIP_STAT_SIZE) && stat.size > zip_uint64_t(ZipMetaReader::kMaxEntryBytes)) {
            *problem = QStringLiteral("%1 is too large").arg(QLatin1StringView(name));
            return {};
        }
        if ((stat.valid & ZIP_STAT_SIZE) && (stat.valid & ZIP_STAT_COMP_SIZE) && stat.size > 1024 * 1024 &&
            stat.size / std::max<zip_uint64_t>(stat.comp_size, 1) > zip_uint64_t(ZipMetaReader::kMaxRatio)) {
            *problem = QStringLiteral("%1 is compressed beyond any document (a zip bomb)").arg(QLatin1StringView(name));
            return {};
        }
        std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> file(zip_fopen_index(archive_, zip_uint64_t(index), 0),
                                                                zip_fclose);
        if (!file) return {};
        // The sizes in the directory are the zip's word only: stop at the limits whatever it says.
        QByteArray bytes;
        char buffer[64 * 1024];
        for (;;) {
            const zip_int64_t got = zip_fread(file.get(), buffer, sizeof buffer);
            if (got < 0) return {};
            if (got == 0) break;
            bytes.append(buffer, qsizetype(got));
            inflated_ += got;
            if (bytes.size() > ZipMetaReader::kMaxEntryBytes || inflated_ > ZipMetaReader::kMaxTotalBytes) {
                *problem = QStringLiteral("%1 inflates beyond its limit (a zip bomb)").arg(QLatin1StringView(name));
                return {};
            }
        }
        if (bytes.isNull()) bytes = QByteArray("");
        return bytes;
    }

  private:
    zip_t* archive_ = nullptr;
    qint64 inflated_ = 0;
};

void ReadOoxml(ZipArchive& zip, DocMetadata* metadata, QString* problem) {
    const bool word = zip.CountNamed("word/document.xml") > 0;
    const bool sheet = zip.CountNamed("xl/workbook.xml") > 0;
    const bool slides = zip.CountNamed("ppt/presentation.xml") > 0;
    metadata->type = word ? QStringLiteral("docx") : sheet ? QStringLiteral("xlsx")
                                                   : slides ? QStringLiteral("pptx") : QStringLiteral("ooxml");
    if (zip.CountNamed("docProps/core.xml") > 1) *problem = QStringLiteral("several docProps/core.xml: the first is read");
    const QByteArray coreBytes = zip.Entry("docProps/core.xml", problem);
    const MetaXml core(coreBytes);
    if (core.IsValid()) {
        metadata->title = core.FirstText("title");
        metadata->author = core.FirstText("creator");
        metadata->lastModifiedBy = core.FirstText("lastModifiedBy");
        metadata->subject = core.FirstText("subject");
        metadata->keywords = core.FirstText("keywords");
        metadata->created = MetaDate::FromIso(core.FirstText("created"));
        metadata->modified = MetaDate::FromIso(core.FirstText("modified"));
    } else if (!coreBytes.isEmpty()) {
        // The title and author are gone: say why.
        *problem = QStringLiteral("docProps/core.xml: ") + core.Problem();
    }
    const MetaXml app(zip.Entry("docProps/app.xml", problem));
    if (app.IsValid()) {
        const QString application = app.FirstText("Application");
        const QString version = app.FirstText("AppVersion");
        metadata->application = version.isEmpty() ? application : application + u' ' + version;
        metadata->company = app.FirstText("Company");
        bool ok = false;
        const int pages = app.FirstText(slides ? "Slides" : "Pages").toInt(&ok);
        if (ok && pages >= 0) metadata->pages = pages;
    }
}

void ReadOdf(ZipArchive& zip, DocMetadata* metadata, QString* problem) {
    const QByteArray mimetype = zip.Entry("mimetype", problem).left(200);
    metadata->type = mimetype.endsWith(".text")           ? QStringLiteral("odt")
                     : mimetype.endsWith(".spreadsheet")  ? QStringLiteral("ods")
                     : mimetype.endsWith(".presentation") ? QStringLiteral("odp")
                                                          : QStringLiteral("odf");
    if (zip.CountNamed("meta.xml") > 1) *problem = QStringLiteral("several meta.xml: the first is read");
    const QByteArray metaBytes = zip.Entry("meta.xml", problem);
    const MetaXml meta(metaBytes);
    if (!meta.IsValid()) {
        if (!metaBytes.isEmpty()) *problem = QStringLiteral("meta.xml: ") + meta.Problem();
        return;
    }
    metadata->title = meta.FirstText("title");
    metadata->lastModifiedBy = meta.FirstText("creator");
    metadata->author = meta.FirstText("initial-creator");
    if (metadata->author.isEmpty()) metadata->author = metadata->lastModifiedBy;
    metadata->subject = meta.FirstText("subject");
    metadata->keywords = meta.FirstText("keyword");
    metadata->application = meta.FirstText("generator");
    metadata->created = MetaDate::FromIso(meta.FirstText("creation-date"));
    metadata->modified = MetaDate::FromIso(meta.FirstText("date"));
    meta.ForEachElement([metadata](xmlNode* node) {
        if (MetaXml::LocalName(node) != u"document-statistic") return;
        bool ok = false;
        const int pages = MetaXml::Attribute(node, "page-count").toInt(&ok);
        if (ok && pages >= 0) metadata->pages = pages;
    });
}

}  // namespace

void ZipMetaReader::Read(const QByteArray& bytes, DocMetadata* metadata) {
    ZipArchive zip(bytes);
    if (!zip.IsOpen()) {
        metadata->type = QStringLiteral("zip");
        metadata->status = MetaStatus::Damaged;
        metadata->reason = QStringLiteral("not a readable zip");
        return;
    }
    if (zip.EntryCount() > kMaxEntries) {
        metadata->type = QStringLiteral("zip");
        metadata->status = MetaStatus::Damaged;
        metadata->reason = QStringLiteral("more than %1 entries").arg(kMaxEntries);
        return;
    }
    QString problem;
    if (zip.CountNamed("mimetype") > 0 && zip.CountNamed("meta.xml") + zip.CountNamed("content.xml") > 0) {
        ReadOdf(zip, metadata, &problem);
    } else if (zip.CountNamed("[Content_Types].xml") > 0 || zip.CountNamed("docProps/core.xml") > 0) {
        ReadOoxml(zip, metadata, &problem);
    } else {
        metadata->type = QStringLiteral("zip");
    }
    metadata->reason = problem;
}
