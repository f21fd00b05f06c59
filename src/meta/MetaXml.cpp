#include "meta/MetaXml.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

namespace {

void AppendText(xmlNode* node, QString* text, int depth) {
    for (xmlNode* child = node->children; child && text->size() < MetaXml::kMaxTextChars; child = child->next) {
        if ((child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE) && child->content) {
            text->append(QString::fromUtf8(reinterpret_cast<const char*>(child->content)));
        } else if (child->type == XML_ELEMENT_NODE && depth < 64) {
            AppendText(child, text, depth + 1);
        }
    }
}

void Walk(xmlNode* node, const std::function<void(xmlNode*)>& visit) {
    for (; node; node = node->next) {
        if (node->type != XML_ELEMENT_NODE) continue;
        visit(node);
        Walk(node->children, visit);
    }
}

}  // namespace

MetaXml::MetaXml(const QByteArray& bytes) {
    // No metadata file has a reason to declare a DOCTYPE; those that do are the ones built to make a
    // parser expand entities or fetch something.
    if (bytes.contains("<!DOCTYPE") || bytes.contains("<!doctype") || bytes.contains("<!ENTITY")) {
        problem_ = QStringLiteral("DOCTYPE refused");
        return;
    }
    if (bytes.size() > 64 * 1024 * 1024) {
        problem_ = QStringLiteral("too large");
        return;
    }
    static const bool initialised = [] {
        xmlInitParser();
        return true;
    }();
    (void)initialised;
    doc_ = xmlReadMemory(bytes.constData(), int(bytes.size()), nullptr, nullptr,
                         XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NOCDATA);
    if (!doc_ || !xmlDocGetRootElement(doc_)) {
        if (doc_) xmlFreeDoc(doc_);
        doc_ = nullptr;
        problem_ = QStringLiteral("not well-formed");
    } else if (doc_->intSubset || doc_->extSubset) {
        // A DOCTYPE in another encoding (UTF-16) passes the byte test above; the parser still saw it.
        xmlFreeDoc(doc_);
        doc_ = nullptr;
        problem_ = QStringLiteral("DOCTYPE refused");
    }
}

MetaXml::~MetaXml() {
    if (doc_) xmlFreeDoc(doc_);
}

void MetaXml::ForEachElement(const std::function<void(xmlNode*)>& visit) const {
    if (doc_) Walk(xmlDocGetRootElement(doc_), visit);
}

QString MetaXml::FirstText(const char* localName) const {
    QString found;
    bool done = false;
    ForEachElement([&](xmlNode* node) {
        if (done || xmlStrcmp(node->name, reinterpret_cast<const xmlChar*>(localName)) != 0) return;
        found = Text(node).trimmed();
        done = true;
    });
    return found;
}

QString MetaXml::LocalName(xmlNode* node) {
    return node && node->name ? QString::fromUtf8(reinterpret_cast<const char*>(node->name)) : QString();
}

QString MetaXml::Text(xmlNode* node) {
    QString text;
    if (node) AppendText(node, &text, 0);
    return text.left(kMaxTextChars);
}

QString MetaXml::Attribute(xmlNode* node, const char* localName) {
    for (xmlAttr* attribute = node ? node->properties : nullptr; attribute; attribute = attribute->next) {
        if (xmlStrcmp(attribute->name, reinterpret_cast<const xmlChar*>(localName)) != 0) continue;
        QString value;
        for (xmlNode* child = attribute->children; child; child = child->next) {
            if (child->type == XML_TEXT_NODE && child->content) {
                value += QString::fromUtf8(reinterpret_cast<const char*>(child->content));
            }
        }
        return value.left(kMaxTextChars);
    }
    return {};
}

QList<xmlNode*> MetaXml::Children(xmlNode* node) {
    QList<xmlNode*> children;
    for (xmlNode* child = node ? node->children : nullptr; child; child = child->next) {
        if (child->type == XML_ELEMENT_NODE) children.append(child);
    }
    return children;
}
