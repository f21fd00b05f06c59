#include "meta/OleMetaReader.h"

#include <gsf/gsf-doc-meta-data.h>
#include <gsf/gsf-docprop-vector.h>
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-meta-names.h>
#include <gsf/gsf-msole-utils.h>
#include <gsf/gsf-timestamp.h>
#include <gsf/gsf-utils.h>

#include "meta/DocMetadata.h"
#include "meta/MetaDate.h"

namespace {

template <typename T>
struct GObjectHolder {
    T* object = nullptr;
    explicit GObjectHolder(T* o) : object(o) {}
    ~GObjectHolder() {
        if (object) g_object_unref(object);
    }
    GObjectHolder(const GObjectHolder&) = delete;
    GObjectHolder& operator=(const GObjectHolder&) = delete;
};

const GValue* Value(GsfDocMetaData* meta, const char* name) {
    GsfDocProp* prop = gsf_doc_meta_data_lookup(meta, name);
    return prop ? gsf_doc_prop_get_val(prop) : nullptr;
}

QString Text(GsfDocMetaData* meta, const char* name) {
    const GValue* value = Value(meta, name);
    if (!value) return {};
    if (G_VALUE_HOLDS_STRING(value)) {
        const char* text = g_value_get_string(value);
        return text ? QString::fromUtf8(text).left(64 * 1024).remove(QChar(0)).trimmed() : QString();
    }
    if (VAL_IS_GSF_DOCPROP_VECTOR(value)) {
        gchar* text = gsf_docprop_vector_as_string(gsf_value_get_docprop_vector(value));
        const QString result = QString::fromUtf8(text).left(64 * 1024).trimmed();
        g_free(text);
        return result;
    }
    return {};
}

int Number(GsfDocMetaData* meta, const char* name) {
    const GValue* value = Value(meta, name);
    if (!value) return -1;
    if (G_VALUE_HOLDS_INT(value)) return std::max(g_value_get_int(value), -1);
    if (G_VALUE_HOLDS_UINT(value)) return int(std::min<guint>(g_value_get_uint(value), 10'000'000));
    return -1;
}

// OLE2 keeps file times without a zone as far as the writers are concerned: shown as stored.
QString Date(GsfDocMetaData* meta, const char* name) {
    const GValue* value = Value(meta, name);
    if (!value || !G_VALUE_HOLDS(value, GSF_TIMESTAMP_TYPE)) return {};
    const auto* stamp = static_cast<const GsfTimestamp*>(g_value_get_boxed(value));
    if (!stamp) return {};
    gchar* text = gsf_timestamp_as_string(stamp);
    QString iso = MetaDate::FromIso(QString::fromUtf8(text));
    g_free(text);
    if (iso.endsWith(u'Z')) iso.chop(1);
    return iso;
}

}  // namespace

void OleMetaReader::Read(const QByteArray& bytes, DocMetadata* metadata) {
    static const bool initialised = [] {
        gsf_init();
        return true;
    }();
    (void)initialised;
    metadata->type = QStringLiteral("ole2");
    GObjectHolder<GsfInput> input(
        gsf_input_memory_new(reinterpret_cast<const guint8*>(bytes.constData()), bytes.size(), FALSE));
    GError* error = nullptr;
    GObjectHolder<GsfInfile> ole(gsf_infile_msole_new(input.object, &error));
    if (!ole.object) {
        metadata->status = MetaStatus::Damaged;
        metadata->reason = error ? QString::fromUtf8(error->message).left(200) : QStringLiteral("not an OLE2 file");
        if (error) g_error_free(error);
        return;
    }
    auto has = [&ole](const char* name) {
        GObjectHolder<GsfInput> child(gsf_infile_child_by_name(ole.object, name));
        return child.object != nullptr;
    };
    if (has("WordDocument")) {
        metadata->type = QStringLiteral("doc");
    } else if (has("Workbook") || has("Book")) {
        metadata->type = QStringLiteral("xls");
    } else if (has("PowerPoint Document")) {
        metadata->type = QStringLiteral("ppt");
    }
    GObjectHolder<GsfDocMetaData> meta(gsf_doc_meta_data_new());
    for (const char* stream : {"\005SummaryInformation", "\005DocumentSummaryInformation"}) {
        GObjectHolder<GsfInput> child(gsf_infile_child_by_name(ole.object, stream));
        if (!child.object) continue;
        if (GError* failure = gsf_doc_meta_data_read_from_msole(meta.object, child.object)) {
            metadata->reason = QString::fromUtf8(failure->message).left(200);
            g_error_free(failure);
        }
    }
    metadata->title = Text(meta.object, GSF_META_NAME_TITLE);
    metadata->author = Text(meta.object, GSF_META_NAME_CREATOR);
    metadata->subject = Text(meta.object, GSF_META_NAME_SUBJECT);
    metadata->keywords = Text(meta.object, GSF_META_NAME_KEYWORDS);
    metadata->lastModifiedBy = Text(meta.object, GSF_META_NAME_LAST_SAVED_BY);
    metadata->application = Text(meta.object, GSF_META_NAME_GENERATOR);
    metadata->company = Text(meta.object, GSF_META_NAME_COMPANY);
    metadata->created = Date(meta.object, GSF_META_NAME_DATE_CREATED);
    metadata->modified = Date(meta.object, GSF_META_NAME_DATE_MODIFIED);
    metadata->pages = Number(meta.object, metadata->type == u"ppt" ? GSF_META_NAME_SLIDE_COUNT : GSF_META_NAME_PAGE_COUNT);
}
