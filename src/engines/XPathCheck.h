#pragma once
// Compiles an XPath 1.0 expression with libxml2 to tell whether it is valid, without printing anything,
// and tells a layout expression whose cost would grow with the square of the page. Any thread.

#include <QString>

// "" when the expression compiles, else libxml2's message.
QString XPathCompileError(const QString& expression);

// "" when a layout may use the expression, else why not: the following:: and preceding:: axes, and an
// absolute path inside a predicate, walk the whole page once per node they are asked from, which no
// operation budget bounds in time (their node sets are merged without being counted).
QString XPathCostProblem(const QString& expression);
