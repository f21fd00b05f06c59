#include "search/KeyMatcher.h"

#include "search/KeyFinder.h"

KeyMatcher::KeyMatcher() {
    for (const char* name :
         {"orcontent", "upkey", "downkey", "leftkey", "rightkey", "content", "contentleft"}) {
        SetAttr(QString::fromLatin1(name), QString());
    }
}

BlockValue KeyMatcher::GetAttr(const QString& name) {
    if (leftPending_ && name.compare(u"contentleft", Qt::CaseInsensitive) == 0) {
        Slot(name) = BlockValue::FromText(source_.mid(leftStart_));
        leftPending_ = false;
    }
    return MatchBlock::GetAttr(name);
}

bool KeyMatcher::Run() {
    source_ = Text(QStringLiteral("orcontent"));
    const qsizetype base = qBound<qsizetype>(
        qsizetype(0), MatchBlock::GetAttr(QStringLiteral("startoffset")).AsInt(), source_.size());
    const QString up = Text(QStringLiteral("upkey"));
    const QString down = Text(QStringLiteral("downkey"));
    const QString left = Text(QStringLiteral("leftkey"));
    const QString right = Text(QStringLiteral("rightkey"));

    // Until a match stands, the outputs are "nothing cut, everything left".
    SetAttr(QStringLiteral("content"), QString());
    leftStart_ = base;
    leftPending_ = true;
    if (base >= source_.size()) return false;

    qsizetype upAt = base;
    if (!up.isEmpty()) {
        upAt = KeyFinder::Find(source_, up, base, 1);
        if (upAt < 0) return false;
    }
    qsizetype downAt = -1;
    if (!down.isEmpty()) downAt = KeyFinder::Find(source_, down, upAt + (up.isEmpty() ? 0 : up.size()), 1);
    qsizetype leftAt = base;  // an empty left key means the start of the text, wherever the up key was
    if (!left.isEmpty()) {
        leftAt = KeyFinder::Find(source_, left, upAt, 1);
        if (leftAt < 0) return false;
    }
    const qsizetype contentStart = leftAt + left.size();
    if (right.isEmpty()) {
        SetAttr(QStringLiteral("content"), source_.mid(contentStart));
        leftStart_ = source_.size();
        return true;
    }
    const qsizetype rightAt = KeyFinder::Find(source_, right, contentStart, 1);
    if (rightAt < 0) return false;
    if (downAt >= 0 && downAt < rightAt) return false;
    SetAttr(QStringLiteral("content"), source_.mid(contentStart, rightAt - contentStart));
    leftStart_ = rightAt + right.size();
    return true;
}
