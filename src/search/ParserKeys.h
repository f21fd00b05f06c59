#pragma once
// The result-page keys that users may adjust in Setting.ini: a classic layout names a key group (such as
// "YahooSection") and Setting.ini's "<group>UpKey", "<group>LeftKey" and "<group>RightKey" replace the
// layout's own keys one by one. Read once; immutable and shareable between threads after loading.

#include <QString>
#include <memory>

class IniFile;
class Profile;

struct MatchKeys {
    QString up;
    QString left;
    QString right;
};

class ParserKeys {
  public:
    ParserKeys();
    // Setting.ini as it is now (a missing file: no key adjusted).
    static ParserKeys Load(const Profile& settings);

    // The layout's keys with those Setting.ini names for `group` laid over them (an empty value stays
    // empty). No group: the keys as given.
    MatchKeys Apply(const QString& group, const MatchKeys& defaults) const;

  private:
    std::shared_ptr<const IniFile> ini_;
};
