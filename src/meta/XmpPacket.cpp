#include "meta/XmpPacket.h"

#include <libxml/tree.h>

#include "meta/MetaDate.h"
#include "meta/MetaXml.h"

namespace {

constexpr int kMaxHistoryEntries = 200;

// The rdf:li items of an rdf:Alt, rdf:Seq or rdf:Bag under the node; the node's own text when it has none.
// For a language alternative the x-default entry comes first.
QStringList Values(xmlNode* node) {
    QStringList values;
    for (xmlNode* container : MetaXml::Children(node)) {
        const QString kind = MetaXml::LocalName(container);
        if (kind != u"Alt" && kind != u"Seq" && kind != u"Bag") continue;
        for (xmlNode* item : MetaXml::Children(container)) {
            if (MetaXml::LocalName(item) != u"li") continue;
            const QString text = MetaXml::Text(item).trimmed();
            if (text.isEmpty()) continue;
            if (MetaXml::Attribute(item, "lang") == u"x-default") {
                values.prepend(text);
            } else {
                values.append(text);
            }
        }
    }
    if (values.isEmpty()) {
        const QString text = MetaXml::Text(node).trimmed();
        if (!text.isEmpty()) values.append(text);
    }
    return values;
}

QString HistoryEntry(xmlNode* item) {
    QStringList parts;
    for (const char* name : {"action", "softwareAgent", "when", "changed", "parameters"}) {
        QString value = MetaXml::Attribute(item, name);
        if (value.isEmpty()) {
            for (xmlNode* child : MetaXml::Children(item)) {
                if (MetaXml::LocalName(child) == QLatin1StringView(name)) value = MetaXml::Text(child).trimmed();
            }
        }
        if (!value.isEmpty()) parts.append(value);
    }
    return parts.join(u' ');
}

}  // namespace

XmpPacket XmpPacket::Parse(const QByteArray& bytes) {
    XmpPacket packet;
    MetaXml xml(bytes);
    if (!xml.IsValid()) {
        packet.problem = xml.Problem();
        return packet;
    }
    packet.valid = true;
    auto take = [&packet](const QString& name, const QStringList& values) {
        if (values.isEmpty()) return;
        if (name == u"title" && packet.title.isEmpty()) packet.title = values.first();
        if (name == u"creator" && packet.creators.isEmpty()) packet.creators = values;
        if (name == u"description" && packet.description.isEmpty()) packet.description = values.first();
        if (name == u"Keywords" && packet.keywords.isEmpty()) packet.keywords = values.join(u", ");
        if (name == u"CreatorTool" && packet.creatorTool.isEmpty()) packet.creatorTool = values.first();
        if (name == u"Producer" && packet.producer.isEmpty()) packet.producer = values.first();
        if (name == u"CreateDate" && packet.created.isEmpty()) packet.created = MetaDate::FromIso(values.first());
        if (name == u"ModifyDate" && packet.modified.isEmpty()) packet.modified = MetaDate::FromIso(values.first());
    };
    xml.ForEachElement([&](xmlNode* node) {
        const QString name = MetaXml::LocalName(node);
        if (name == u"Description") {
            for (xmlAttr* attribute = node->properties; attribute; attribute = attribute->next) {
                take(QString::fromUtf8(reinterpret_cast<const char*>(attribute->name)),
                     {MetaXml::Attribute(node, reinterpret_cast<const char*>(attribute->name)).trimmed()});
            }
        } else if (name == u"History") {
            for (xmlNode* container : MetaXml::Children(node)) {
                for (xmlNode* item : MetaXml::Children(container)) {
                    if (packet.history.size() >= kMaxHistoryEntries) return;
                    const QString entry = HistoryEntry(item);
                    if (!entry.isEmpty()) packet.history.append(entry);
                }
            }
        } else {
            take(name, Values(node));
        }
    });
    return packet;
}
