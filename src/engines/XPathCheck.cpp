#include "engines/XPathCheck.h"

#include <libxml/parser.h>
#include <libxml/xpath.h>

#include <QCoreApplication>

#include <algorithm>
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

namespace {

bool NameChar(QChar c) {
    return c.isLetterOrNumber() || c == u'-' || c == u'_' || c == u'.';
}

}  // namespace

QString XPathCostProblem(const QString& expression) {
    int predicates = 0;
    QChar previous;      // the last character outside literals that is not a blank
    QString lastName;    // the name that ended at `previous`, when one did
    const qsizetype size = expression.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = expression.at(i);
        if (c == u'"' || c == u'\'') {
            const qsizetype end = expression.indexOf(c, i + 1);
            if (end < 0) break;
            i = end;
            previous = c;
            lastName.clear();
            continue;
        }
        if (c.isSpace()) continue;
        if (NameChar(c) && !(c == u'.' && i + 1 < size && expression.at(i + 1) == u'.')) {
            qsizetype end = i;
            while (end < size && NameChar(expression.at(end))) ++end;
            const QString name = expression.mid(i, end - i);
            qsizetype next = end;
            while (next < size && expression.at(next).isSpace()) ++next;
            if (expression.mid(next, 2) == QLatin1StringView("::") &&
                (name == QLatin1StringView("following") || name == QLatin1StringView("preceding"))) {
                return QCoreApplication::translate("XPath", "the %1:: axis walks the whole page for every node")
                    .arg(name);
            }
            lastName = name;
            previous = expression.at(end - 1);
            i = end - 1;
            continue;
        }
        if (c == u'[') ++predicates;
        if (c == u']') predicates = std::max(0, predicates - 1);
        // A path starts with "/" where an operand may start: after an opening bracket, a comma, an
        // operator or one of the operator words.
        if (c == u'/' && predicates > 0) {
            const bool operandStart =
                previous.isNull() || QStringLiteral("[(,|=<>!+").contains(previous) ||
                (!lastName.isEmpty() && (lastName == QLatin1StringView("and") || lastName == QLatin1StringView("or") ||
                                         lastName == QLatin1StringView("div") || lastName == QLatin1StringView("mod")) &&
                 previous == lastName.back());
            if (operandStart)
                return QCoreApplication::translate("XPath",
                                                   "an absolute path inside a predicate walks the whole page for "
                                                   "every node");
            // "//" counts once.
            if (i + 1 < size && expression.at(i + 1) == u'/') ++i;
        }
        previous = c;
        lastName.clear();
    }
    return {};
}
