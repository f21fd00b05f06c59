#pragma once
// Finds the num-th occurrence of `key` in `orcontent` from `offset` (occurrences never overlap) and
// writes its index to `pos` (-1 when there is none).

#include "search/MatchBlock.h"

class KeyFinder : public MatchBlock {
  public:
    // The value `pos` holds before a search runs: 2^32, the unsigned 32-bit "none" (4294967295) in single
    // precision.
    static constexpr double kUnsetPos = 4294967296.0;

    KeyFinder();
    bool Run() override;
    QString GetContent() override { return Text(QStringLiteral("content")); }

    // The same search without the attribute round trip, for KeyMatcher's inner searches.
    static qsizetype Find(const QString& text, const QString& key, qsizetype start, quint32 num);
};
