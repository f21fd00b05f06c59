#include "search/ParserKeys.h"

#include "lists/IniFile.h"
#include "lists/Profile.h"

namespace {

// One group: "<prefix>UpKey", "<prefix>LeftKey", "<prefix>RightKey".
MatchKeys Group(const IniFile& ini, const char* prefix, const char* left, const char* right) {
    const QString name = QString::fromLatin1(prefix);
    // The old buffer held 4,096 characters with its terminator.
    auto read = [&](const char* suffix, const char* fallback) {
        return Profile::GetString(ini, name + QLatin1StringView(suffix), QString::fromUtf8(fallback))
            .left(4095);
    };
    return {read("UpKey", ""), read("LeftKey", left), read("RightKey", right)};
}

}  // namespace

ParserKeys ParserKeys::Load(const Profile& settings) {
    const IniFile ini = IniFile::Load(settings.Path());
    ParserKeys keys;
    keys.baiduSection = Group(ini, "BaiduSection", "se_com_default", "c-tip-icon");
    keys.baiduLink = Group(ini, "BaiduLink", "url=", "\"");
    keys.baiduTitle = Group(ini, "BaiduTitle", ">", "</a>");
    keys.bingSection = Group(ini, "Bing", "</div><div><h2>", "b_caption");
    keys.bingLink = Group(ini, "BingLink", "href=\"", "\"");
    keys.bingTitle = Group(ini, "BingTitle", ">", "</a>");
    keys.xueshuSection = Group(ini, "BingXueshu", "sb_doct_txt b_float", "b_caption");
    keys.xueshuLink = Group(ini, "BingXueshuLink", "href=\"", "\"");
    keys.xueshuTitle = Group(ini, "BingXueshuTitle", ">", "</a>");
    keys.xueshuType = Group(ini, "BingXueshuType", "[", "]");
    keys.sosoSection = Group(ini, "SousouSection", "sb_doct_txt b_float", "b_caption");
    keys.sosoLink = Group(ini, "SousouLink", "href=\"", "\"");
    keys.sosoTitle = Group(ini, "SousouTitle", ">", "</a>");
    keys.yahooSection = Group(ini, "YahooSection", "<h3 class=\"title\"", "</h3>");
    keys.yahooLink = Group(ini, "YahooLink", "href=\"", "\"");
    keys.yahooTitle = Group(ini, "YahooTitle", ">", "</a>");
    return keys;
}
