#include "engines/XPathCheck.h"

#include <libxml/xpath.h>

#include <QCoreApplication>

namespace {

struct ErrorSink {
    QString message;
};

void KeepFirstError(void* data, xmlErrorPtr error) {
    auto* sink = static_cast<ErrorSink*>(data);
    if (sink->message.isEmpty() && error && error->message)
        sink->message = QString::fromUtf8(error->message).trimmed();
}

}  // namespace

QString XPathCompileError(const QString& expression) {
    if (expression.trimmed().isEmpty())
        return QCoreApplication::translate("XPath", "the expression is empty");
    xmlXPathContextPtr context = xmlXPathNewContext(nullptr);
    if (!context) return QCoreApplication::translate("XPath", "out of memory");
    ErrorSink sink;
    context->userData = &sink;
    context->error = KeepFirstError;
    const QByteArray utf8 = expression.toUtf8();
    xmlXPathCompExprPtr compiled =
        xmlXPathCtxtCompile(context, reinterpret_cast<const xmlChar*>(utf8.constData()));
    xmlXPathFreeContext(context);
    if (compiled) {
        xmlXPathFreeCompExpr(compiled);
        return {};
    }
    return sink.message.isEmpty() ? QCoreApplication::translate("XPath", "the expression does not compile")
                                  : sink.message;
}
