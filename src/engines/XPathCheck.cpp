#include "engines/XPathCheck.h"

#include <libxml/parser.h>
#include <libxml/xpath.h>

#include <QCoreApplication>

#include <iterator>
#include <mutex>

namespace {

struct ErrorSink {
    QString message;
};

// libxml2 hands the XPath compiler's errors to a context's callback as a bare code and position.
QString Describe(const xmlError& error) {
    static const char* const messages[] = {"ok",
                                           "bad number",
                                           "unfinished literal",
                                           "start of literal",
                                           "expected $ for a variable reference",
                                           "undefined variable",
                                           "invalid predicate",
                                           "invalid expression",
                                           "missing closing curly brace",
                                           "unknown function",
                                           "invalid operand",
                                           "invalid type",
                                           "wrong number of arguments",
                                           "invalid context size",
                                           "invalid context position",
                                           "out of memory",
                                           "syntax error",
                                           "resource error",
                                           "sub-resource error",
                                           "undefined namespace prefix",
                                           "encoding error",
                                           "character out of XML range",
                                           "invalid or incomplete context",
                                           "stack usage error",
                                           "forbidden variable",
                                           "operation limit exceeded",
                                           "recursion limit exceeded"};
    const int index = error.code - XML_XPATH_EXPRESSION_OK;
    const QString what = index >= 0 && index < int(std::size(messages))
                             ? QString::fromLatin1(messages[index])
                             : QStringLiteral("error %1").arg(error.code);
    return QCoreApplication::translate("XPath", "%1 at character %2").arg(what).arg(error.int1 + 1);
}

void KeepFirstError(void* data, xmlErrorPtr error) {
    auto* sink = static_cast<ErrorSink*>(data);
    if (sink->message.isEmpty() && error) sink->message = Describe(*error);
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
