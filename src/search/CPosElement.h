#pragma once
// Finds the num-th occurrence of `key` in `orcontent` from `offset` (occurrences never overlap) and
// writes its index to `pos` (-1 when there is none).

#include "search/CElement.h"

class CPosElement : public CElement {
  public:
    // The value `pos` starts from: 4294967295 as the old single-precision attribute held it.
    static constexpr double kUnsetPos = 4294967296.0;

    CPosElement();
    bool Run() override;
    QString GetContent() override { return Text(QStringLiteral("content")); }

    // The same search without the attribute round trip, for CGetMatchElement's inner searches.
    static qsizetype Find(const QString& text, const QString& key, qsizetype start, quint32 num);
};
