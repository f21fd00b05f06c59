#pragma once
// What a site's robots.txt lets this program fetch: the rules of the groups that name it ("skimmer"),
// or else those of the "*" groups. The longest matching path pattern decides (an Allow wins a tie);
// "*" in a pattern matches any run of characters and a final "$" anchors it at the end. Lines it does
// not understand are passed over, so any text gives some rules. Immutable once read; any thread.

#include <QList>
#include <QString>
#include <QStringView>

class RobotsRules {
  public:
    static constexpr const char* kAgent = "skimmer";
    // Only the first 512 KiB of a robots.txt are read, as the big crawlers do.
    static constexpr qsizetype kMaxChars = 512 * 1024;
    // Longer patterns are passed over: no site needs them, and they would make every match slow.
    static constexpr qsizetype kMaxPatternChars = 2048;

    // Everything allowed: a site without a robots.txt.
    RobotsRules() = default;
    static RobotsRules Parse(QStringView text, const QString& agent = QString::fromLatin1(kAgent));

    // Whether the path (with its query, as sent: "/a/b?c=d") may be fetched.
    bool Allows(QStringView pathAndQuery) const;
    qsizetype RuleCount() const { return rules_.size(); }

  private:
    struct Rule {
        QString pattern;  // percent-encoded, without a final "$"
        bool anchored = false;
        bool allow = false;
        qsizetype length = 0;  // the pattern as written: what "longest" compares
    };
    static bool Matches(const Rule& rule, QStringView path);

    QList<Rule> rules_;  // longest first, Allow before Disallow among equals
};
