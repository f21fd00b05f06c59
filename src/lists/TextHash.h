#pragma once
// A hash for QString keys in standard containers. The big indexes of the program (a million links or
// titles) are about twice as fast in std::unordered_set/map with this hash as in QSet/QHash.

#include <QString>
#include <functional>
#include <string_view>

struct TextHash {
    size_t operator()(const QString& text) const noexcept {
        return std::hash<std::u16string_view>{}(
            std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size())));
    }
};
