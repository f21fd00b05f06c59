#pragma once
// Compiles an XPath 1.0 expression with libxml2 to tell whether it is valid, without printing anything.
// Any thread.

#include <QString>

// "" when the expression compiles, else libxml2's message.
QString XPathCompileError(const QString& expression);
