#include "search/RobotsRules.h"

#include <QUrl>
#include <algorithm>
#include <cctype>

namespace {

// The product token of a User-agent value: "Skimmer/2.0 (+http://x)" is "skimmer".
QString ProductToken(QStringView value) {
    qsizetype end = 0;
    while (end < value.size() && (value[end].isLetterOrNumber() || value[end] == u'-' || value[end] == u'_'))
        ++end;
    if (end == 0 && value.startsWith(u'*')) return QStringLiteral("*");
    return value.left(end).toString().toLower();
}

bool IsHex(QChar c) {
    return c.unicode() < 0x80 && std::isxdigit(c.unicode());
}

// Patterns and paths compare in one spelling: non-ASCII and spaces percent-encoded as UTF-8, escapes in
// upper case; everything else as written.
QString Normalize(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'%' && i + 2 < text.size() && IsHex(text[i + 1]) && IsHex(text[i + 2])) {
            out += u'%';
            out += text[i + 1].toUpper();
            out += text[i + 2].toUpper();
            i += 2;
        } else if (c.unicode() > 0x20 && c.unicode() < 0x7f) {
            out += c;
        } else {
            qsizetype end = i + 1;
            if (c.isHighSurrogate() && end < text.size() && text[end].isLowSurrogate()) ++end;
            out += QString::fromLatin1(QUrl::toPercentEncoding(text.mid(i, end - i).toString()));
            i = end - 1;
        }
    }
    return out;
}

}  // namespace

RobotsRules RobotsRules::Parse(QStringView text, const QString& agent) {
    text = text.left(kMaxChars);
    if (text.startsWith(QChar(0xFEFF))) text = text.mid(1);
    const QString me = agent.toLower();

    struct Group {
        QList<QString> agents;
        QList<Rule> rules;
    };
    QList<Group> groups;
    bool inAgents = false;  // the last line read was a User-agent line
    qsizetype pos = 0;
    while (pos < text.size()) {
        qsizetype end = pos;
        while (end < text.size() && text[end] != u'\n' && text[end] != u'\r') ++end;
        QStringView line = text.mid(pos, end - pos);
        pos = end + 1;
        if (const qsizetype hash = line.indexOf(u'#'); hash >= 0) line = line.left(hash);
        const qsizetype colon = line.indexOf(u':');
        if (colon < 0) continue;
        const QStringView key = line.left(colon).trimmed();
        const QStringView value = line.mid(colon + 1).trimmed();
        if (key.compare(u"user-agent", Qt::CaseInsensitive) == 0) {
            if (!inAgents) groups.append(Group{});
            groups.last().agents.append(ProductToken(value));
            inAgents = true;
            continue;
        }
        const bool allow = key.compare(u"allow", Qt::CaseInsensitive) == 0;
        const bool disallow = key.compare(u"disallow", Qt::CaseInsensitive) == 0;
        if (!allow && !disallow) continue;  // Sitemap, Crawl-delay and the like
        inAgents = false;
        // Rules before the first group belong to no one; an empty pattern says nothing.
        if (groups.isEmpty() || value.isEmpty() || value.size() > kMaxPatternChars) continue;
        Rule rule;
        rule.allow = allow;
        rule.length = value.size();
        QStringView pattern = value;
        if (pattern.endsWith(u'$')) {
            rule.anchored = true;
            pattern.chop(1);
        }
        rule.pattern = Normalize(pattern);
        groups.last().rules.append(rule);
    }

    // The groups that name this program, all of them together; else all "*" groups.
    RobotsRules rules;
    for (const QString& wanted : {me, QStringLiteral("*")}) {
        for (const Group& group : groups) {
            if (group.agents.contains(wanted)) rules.rules_ += group.rules;
        }
        if (std::any_of(groups.cbegin(), groups.cend(),
                        [&](const Group& group) { return group.agents.contains(wanted); })) {
            break;
        }
    }
    std::stable_sort(rules.rules_.begin(), rules.rules_.end(), [](const Rule& a, const Rule& b) {
        if (a.length != b.length) return a.length > b.length;
        return a.allow && !b.allow;
    });
    return rules;
}

bool RobotsRules::Matches(const Rule& rule, QStringView path) {
    // Pieces between stars, matched left to right at their first place: for patterns whose only
    // wildcard is "*" the first place is never worse, so this is linear in the path per piece.
    const QStringView pattern(rule.pattern);
    qsizetype at = 0;  // in path
    qsizetype from = 0;
    bool first = true;
    for (;;) {
        const qsizetype star = pattern.indexOf(u'*', from);
        const QStringView piece = pattern.mid(from, (star < 0 ? pattern.size() : star) - from);
        const bool last = star < 0;
        if (last && rule.anchored) {
            // The last piece sits at the very end of the path, after everything matched so far.
            if (path.size() - piece.size() < at) return false;
            if (first) return path.size() == piece.size() && path == piece;
            return path.endsWith(piece);
        }
        if (first) {
            if (!path.startsWith(piece)) return false;
            at = piece.size();
        } else if (!piece.isEmpty()) {
            const qsizetype found = path.indexOf(piece, at);
            if (found < 0) return false;
            at = found + piece.size();
        }
        if (last) return true;
        first = false;
        from = star + 1;
    }
}

bool RobotsRules::Allows(QStringView pathAndQuery) const {
    if (rules_.isEmpty()) return true;
    const QString path = Normalize(pathAndQuery.isEmpty() ? QStringView(u"/") : pathAndQuery);
    // Asking for the rules themselves is always allowed.
    if (path == u"/robots.txt") return true;
    for (const Rule& rule : rules_) {
        if (Matches(rule, path)) return rule.allow;
    }
    return true;
}
