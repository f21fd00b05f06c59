#pragma once
// The result-page keys that users may adjust in Setting.ini (Baidu, Bing, Bing Academic, Soso, Yahoo):
// each an up, a left and a right key, read once with their defaults. Immutable after loading.

#include <QString>

class Profile;

struct MatchKeys {
    QString up;
    QString left;
    QString right;
};

struct ParserKeys {
    MatchKeys baiduSection, baiduLink, baiduTitle;
    MatchKeys bingSection, bingLink, bingTitle;
    MatchKeys xueshuSection, xueshuLink, xueshuTitle, xueshuType;
    MatchKeys sosoSection, sosoLink, sosoTitle;
    MatchKeys yahooSection, yahooLink, yahooTitle;

    // The defaults for every key that Setting.ini does not name (an empty value stays empty).
    static ParserKeys Load(const Profile& settings);
};
