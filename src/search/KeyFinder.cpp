#include "search/KeyFinder.h"

KeyFinder::KeyFinder() {
    SetAttr(QStringLiteral("orcontent"), QString());
    SetAttr(QStringLiteral("key"), QString());
    SetAttr(QStringLiteral("num"), 1.0);
    SetAttr(QStringLiteral("offset"), 0.0);
    SetAttr(QStringLiteral("pos"), kUnsetPos);
}

qsizetype KeyFinder::Find(const QString& text, const QString& key, qsizetype start, quint32 num) {
    if (text.isEmpty() || key.isEmpty()) return -1;
    qsizetype found = -1;
    for (;;) {
        found = text.indexOf(key, start);
        if (found < 0) break;
        --num;  // a count of 0 wraps round, so it never stops before running out of occurrences
        start = found + key.size();
        if (num == 0) break;
    }
    return found;
}

bool KeyFinder::Run() {
    SetAttr(QStringLiteral("pos"), kUnsetPos);
    const QString text = Text(QStringLiteral("orcontent"));
    const QString key = Text(QStringLiteral("key"));
    const qsizetype start = GetAttr(QStringLiteral("offset")).AsInt();
    const auto num = quint32(GetAttr(QStringLiteral("num")).AsInt());
    if (text.isEmpty() || key.isEmpty()) return false;
    const qsizetype found = Find(text, key, start, num);
    SetAttr(QStringLiteral("pos"), double(found));
    return found >= 0;
}
