#include "search/PlainAnchorScanner.h"

#include <array>
#include <cstring>

#include "engines/HtmlDocument.h"
#include "lists/TextCodec.h"

namespace {

// Character classes as libxml2's HTML parser has them, one table lookup per byte of the page.
enum CharClass : unsigned char { kBlank = 1, kLetter = 2, kName = 4 };

constexpr std::array<unsigned char, 256> MakeClasses() {
    std::array<unsigned char, 256> classes{};
    for (const char c : {' ', '\t', '\n', '\r'}) classes[size_t(c)] = kBlank;
    for (int c = 0; c < 26; ++c) classes[size_t('a' + c)] = classes[size_t('A' + c)] = kLetter | kName;
    for (const char c : {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9', ':', '-', '_', '.'})
        classes[size_t(c)] = kName;
    return classes;
}

constexpr std::array<unsigned char, 256> kClasses = MakeClasses();

bool Is(char c, CharClass wanted) {
    return (kClasses[static_cast<unsigned char>(c)] & wanted) != 0;
}

bool IsBlank(char c) {
    return Is(c, kBlank);
}

bool IsLetter(char c) {
    return Is(c, kLetter);
}

bool IsNameChar(char c) {
    return Is(c, kName);
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c | 0x20) : c;
}

bool NameIs(QByteArrayView name, const char* wanted) {
    const qsizetype length = qsizetype(std::strlen(wanted));
    if (name.size() != length) return false;
    for (qsizetype i = 0; i < length; ++i) {
        if (Lower(name[i]) != wanted[i]) return false;
    }
    return true;
}

// Elements whose content the parser reads as raw text, or that change how the markup around them is read:
// a page with any of them is left to the parser.
bool IsSpecialElement(QByteArrayView name) {
    static const char* const kSpecial[] = {"script",   "style",    "textarea", "xmp",      "plaintext",
                                           "listing",  "iframe",   "noembed",  "noframes", "noscript",
                                           "template", "title",    "svg",      "math",     "select",
                                           "option",   "frameset", "frame",    "object",   "applet"};
    for (const char* special : kSpecial) {
        if (NameIs(name, special)) return true;
    }
    return false;
}

// A walk over the page that gives up (Fail) at the first thing it does not read exactly as the parser.
class Walk {
  public:
    explicit Walk(QByteArrayView page) : data_(page.data()), size_(page.size()) {}

    std::optional<PlainAnchors> Run() {
        qsizetype p = 0;
        int tags = 0;
        while (p < size_) {
            const void* open = std::memchr(data_ + p, '<', size_t(size_ - p));
            if (!open) break;
            p = static_cast<const char*>(open) - data_;
            const char next = At(p + 1);
            if (IsLetter(next)) {
                // Nesting deeper than the parser's bound needs more start tags than this.
                if (++tags > HtmlDocument::kMaxDepth - 16) return std::nullopt;
                p = StartTag(p + 1);
            } else if (next == '/') {
                p = EndTag(p + 2, nullptr);
            } else if (next == '!') {
                p = Doctype(p);
            } else if (next == '_' || next == ':' || next == '.' || next == '?' || next == '\0') {
                return std::nullopt;
            } else {
                ++p;  // a "<" that opens nothing is text
            }
            if (p < 0) return std::nullopt;
        }
        return std::move(found_);
    }

  private:
    char At(qsizetype i) const { return i < size_ ? data_[i] : '\0'; }

    // "<!DOCTYPE ...>" without quotes; any other "<!" (a comment, a marked section) is the parser's.
    qsizetype Doctype(qsizetype p) const {
        if (!NameIs(QByteArrayView(data_ + p + 2, qMin<qsizetype>(7, size_ - p - 2)), "doctype")) return -1;
        for (qsizetype i = p + 9; i < size_; ++i) {
            if (data_[i] == '>') return i + 1;
            if (data_[i] == '"' || data_[i] == '\'' || data_[i] == '<') return -1;
        }
        return -1;
    }

    // From a name's first character: the end of the name, or -1 when a character the parser would read
    // differently follows it.
    qsizetype NameEnd(qsizetype p) const {
        while (IsNameChar(At(p))) ++p;
        const char after = At(p);
        return IsBlank(after) || after == '>' || after == '/' ? p : -1;
    }

    // From after "</": the position after the tag's ">"; *name (when given) is its name.
    qsizetype EndTag(qsizetype p, QByteArrayView* name) const {
        if (!IsLetter(At(p))) return -1;
        const qsizetype end = NameEnd(p);
        if (end < 0) return -1;
        if (name) *name = QByteArrayView(data_ + p, end - p);
        qsizetype q = end;
        while (IsBlank(At(q))) ++q;
        return At(q) == '>' ? q + 1 : -1;
    }

    struct Attribute {
        QByteArrayView name;
        QByteArrayView value;
        bool hasValue = false;
    };

    // From after a start tag's name: its attributes (when asked for) and the position after its ">" (*empty:
    // "/>"); -1 for a tag the parser might read another way (a value without quotes holding a quote, too many
    // attributes, a stray character).
    qsizetype Attributes(qsizetype p, QList<Attribute>* attributes, bool* empty) const {
        for (int count = 0;; ++count) {
            while (IsBlank(At(p))) ++p;
            const char c = At(p);
            if (c == '>') return p + 1;
            if (c == '/' && At(p + 1) == '>') {
                *empty = true;
                return p + 2;
            }
            if (!IsLetter(c) || count >= 64) return -1;
            Attribute attribute;
            const qsizetype nameStart = p;
            while (IsNameChar(At(p))) ++p;
            attribute.name = QByteArrayView(data_ + nameStart, p - nameStart);
            qsizetype q = p;
            while (IsBlank(At(q))) ++q;
            if (At(q) == '=') {
                ++q;
                while (IsBlank(At(q))) ++q;
                const char quote = At(q);
                qsizetype valueStart = q;
                if (quote == '"' || quote == '\'') {
                    valueStart = ++q;
                    while (q < size_ && data_[q] != quote) ++q;
                    if (q >= size_) return -1;
                    attribute.value = QByteArrayView(data_ + valueStart, q - valueStart);
                    ++q;
                } else {
                    while (q < size_ && !IsBlank(data_[q]) && data_[q] != '>') {
                        const char v = data_[q];
                        if (v == '"' || v == '\'' || v == '<' || v == '=' || v == '`') return -1;
                        ++q;
                    }
                    if (q == valueStart) return -1;
                    attribute.value = QByteArrayView(data_ + valueStart, q - valueStart);
                }
                attribute.hasValue = true;
                p = q;
                if (!IsBlank(At(p)) && At(p) != '>' && At(p) != '/') return -1;
            } else {
                const char after = At(p);
                if (!IsBlank(after) && after != '>') return -1;
            }
            if (attributes) attributes->append(attribute);
        }
    }

    qsizetype StartTag(qsizetype p) {
        const qsizetype nameEnd = NameEnd(p);
        if (nameEnd < 0) return -1;
        const QByteArrayView name(data_ + p, nameEnd - p);
        if (IsSpecialElement(name)) return -1;
        const bool anchor = NameIs(name, "a");
        const bool base = NameIs(name, "base");
        QList<Attribute> attributes;
        bool empty = false;
        const qsizetype end = Attributes(nameEnd, anchor || base ? &attributes : nullptr, &empty);
        if (end < 0 || !(anchor || base)) return end;
        if (anchor && empty) return -1;

        // The href an anchor or base gives the parser: its first, as written; an entity or markup in it,
        // a second one or one without a value is read by the parser's own rules.
        QString href;
        for (const Attribute& attribute : attributes) {
            if (!NameIs(attribute.name, "href")) continue;
            if (!href.isNull() || !attribute.hasValue || attribute.value.contains('&') ||
                attribute.value.contains('<'))
                return -1;
            href = QString::fromUtf8(attribute.value);
            if (href.isNull()) href = QLatin1StringView("");
        }
        if (base) {
            if (!href.isNull() && found_.baseHref.isNull()) found_.baseHref = href;
            return end;
        }
        // Text only, then "</a>": anything else inside an anchor is left to the parser.
        const void* close = std::memchr(data_ + end, '<', size_t(size_ - end));
        if (!close) return -1;
        const qsizetype closeAt = static_cast<const char*>(close) - data_;
        const QByteArrayView text(data_ + end, closeAt - end);
        if (text.contains('&') || At(closeAt + 1) != '/') return -1;
        QByteArrayView closing;
        const qsizetype after = EndTag(closeAt + 2, &closing);
        if (after < 0 || !NameIs(closing, "a")) return -1;
        found_.anchors.append({QString::fromUtf8(text).simplified(), href});
        return after;
    }

    const char* data_;
    qsizetype size_;
    PlainAnchors found_;
};

// Bytes the decoding and the parser would read otherwise: NUL (dropped by the decoding), control
// characters, and the two code points that are no characters to the parser.
bool HasUnsafeBytes(QByteArrayView page) {
    const auto* p = reinterpret_cast<const unsigned char*>(page.data());
    for (qsizetype i = 0; i < page.size(); ++i) {
        const unsigned char c = p[i];
        if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7F) return true;
        if (c == 0xEF && i + 2 < page.size() && p[i + 1] == 0xBF && (p[i + 2] == 0xBE || p[i + 2] == 0xBF))
            return true;
    }
    return false;
}

}  // namespace

std::optional<PlainAnchors> PlainAnchorScanner::Scan(QByteArrayView page) {
    // The decoding drops a leading byte-order mark, as here.
    if (page.startsWith("\xEF\xBB\xBF")) page = page.sliced(3);
    if (page.isEmpty() || page.size() > HtmlDocument::kMaxPageBytes) return std::nullopt;
    if (HasUnsafeBytes(page) || !TextCodec::IsValidUtf8(page)) return std::nullopt;
    return Walk(page).Run();
}
