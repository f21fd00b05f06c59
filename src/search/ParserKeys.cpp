#include "search/ParserKeys.h"

#include "lists/IniFile.h"
#include "lists/Profile.h"

ParserKeys::ParserKeys() : ini_(std::make_shared<const IniFile>()) {}

ParserKeys ParserKeys::Load(const Profile& settings) {
    ParserKeys keys;
    keys.ini_ = std::make_shared<const IniFile>(IniFile::Load(settings.Path()));
    return keys;
}

MatchKeys ParserKeys::Apply(const QString& group, const MatchKeys& defaults) const {
    if (group.isEmpty()) return defaults;
    // A key is cut at 4,095 characters, the most a key has ever held.
    auto read = [&](const char* suffix, const QString& fallback) {
        return Profile::GetString(*ini_, group + QLatin1StringView(suffix), fallback).left(4095);
    };
    return {read("UpKey", defaults.up), read("LeftKey", defaults.left), read("RightKey", defaults.right)};
}
