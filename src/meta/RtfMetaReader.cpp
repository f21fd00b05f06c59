#include "meta/RtfMetaReader.h"

#include <QStringDecoder>
#include <vector>

#include "meta/DocMetadata.h"
#include "meta/MetaDate.h"

namespace {

enum class Field { None, Title, Author, Operator, Subject, Keywords, Company, Comment, Created, Revised, Pages, Skip };

struct Group {
    Field field = Field::None;
    bool first = true;       // no control word seen yet in this group
    bool ignorable = false;  // opened with \*
    bool inInfo = false;
    bool canOpen = false;
    bool opensFields = false;  // \info, \upr, \ud: its children name fields    // a direct child of \info (or of \upr, \ud inside it): may name a field
    int unicodeSkip = 1;
    int dateParts[6] = {0, 0, 0, 0, 0, 0};
};

Field FieldNamed(const QByteArray& word) {
    static const std::pair<const char*, Field> names[] = {
        {"title", Field::Title},       {"author", Field::Author},   {"operator", Field::Operator},
        {"subject", Field::Subject},   {"keywords", Field::Keywords}, {"company", Field::Company},
        {"doccomm", Field::Comment},   {"creatim", Field::Created}, {"revtim", Field::Revised},
        {"nofpages", Field::Pages},    {"ud", Field::None},         {"upr", Field::None},
    };
    for (const auto& [name, field] : names) {
        if (word == name) return field;
    }
    return Field::Skip;
}

QString CodecName(int codePage) {
    switch (codePage) {
        case 932: return QStringLiteral("Shift_JIS");
        case 936: return QStringLiteral("GB18030");
        case 949: return QStringLiteral("EUC-KR");
        case 950: return QStringLiteral("Big5");
        case 65001: return QStringLiteral("UTF-8");
        case 10000: return QStringLiteral("macintosh");
        default: return QStringLiteral("windows-%1").arg(codePage);
    }
}

class RtfInfoParser {
  public:
    RtfInfoParser(const QByteArray& bytes, DocMetadata* metadata) : bytes_(bytes), metadata_(metadata) {}

    void Run() {
        std::vector<Group> stack;
        stack.reserve(64);
        qsizetype i = 0;
        const qsizetype end = std::min<qsizetype>(bytes_.size(), 64 * 1024 * 1024);
        while (i < end) {
            const char c = bytes_[i];
            if (c == '{') {
                if (int(stack.size()) >= RtfMetaReader::kMaxDepth) {
                    metadata_->reason = QStringLiteral("RTF nesting too deep");
                    return;
                }
                Group group;
                if (!stack.empty()) {
                    const Group& parent = stack.back();
                    group.inInfo = parent.inInfo;
                    group.canOpen = parent.inInfo && parent.field == Field::None && parent.opensFields;
                    group.unicodeSkip = parent.unicodeSkip;
                    if (parent.field == Field::Skip) group.field = Field::Skip;
                }
                stack.push_back(group);
                ++i;
            } else if (c == '}') {
                if (stack.empty()) return;
                skip_ = 0;
                Close(stack.back());
                const bool wasInfo = stack.back().field == Field::None && isInfoGroup(stack);
                stack.pop_back();
                if (wasInfo) return;  // the end of \info: nothing more to read
                ++i;
            } else if (c == '\\') {
                i = ControlWord(i, &stack);
            } else {
                if (c != '\r' && c != '\n' && !stack.empty()) AddOrSkip([&] { AddByte(stack.back(), c); });
                ++i;
            }
        }
    }

  private:
    bool isInfoGroup(const std::vector<Group>& stack) const { return stack.size() == infoDepth_ && infoGroup_; }

    // Which group collects text: the innermost one with a field.
    Group* Collector(std::vector<Group>& stack) {
        for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
            if (it->field == Field::Skip) return nullptr;
            if (it->field != Field::None) return &*it;
        }
        return nullptr;
    }

    void AddByte(const Group& group, char c) {
        if (!collecting_ || group.field == Field::Skip || text_.size() > 64 * 1024) return;
        pending_.append(c);
    }
    void Flush() {
        if (pending_.isEmpty()) return;
        QStringDecoder decoder(CodecName(codePage_).toLatin1().constData());
        text_ += decoder.isValid() ? decoder.decode(pending_) : QString::fromLatin1(pending_);
        pending_.clear();
    }
    void AddUnit(const Group& group, char16_t unit) {
        if (!collecting_ || group.field == Field::Skip || text_.size() > 64 * 1024) return;
        Flush();
        text_.append(QChar(unit));
    }

    void Open(Group& group, Field field) {
        group.field = field;
        if (field != Field::Skip && field != Field::None) {
            collecting_ = true;
            text_.clear();
            pending_.clear();
        }
    }

    void Close(Group& group) {
        if (group.field == Field::None || group.field == Field::Skip || !group.inInfo) return;
        Flush();
        const QString value = text_.trimmed();
        collecting_ = false;
        text_.clear();
        const int* d = group.dateParts;
        switch (group.field) {
            case Field::Title: metadata_->title = value; break;
            case Field::Author: metadata_->author = value; break;
            case Field::Operator: metadata_->lastModifiedBy = value; break;
            case Field::Subject: metadata_->subject = value; break;
            case Field::Keywords: metadata_->keywords = value; break;
            case Field::Company: metadata_->company = value; break;
            case Field::Comment: if (metadata_->application.isEmpty()) comment_ = value; break;
            case Field::Created: metadata_->created = MetaDate::FromParts(d[0], d[1], d[2], d[3], d[4], d[5]); break;
            case Field::Revised: metadata_->modified = MetaDate::FromParts(d[0], d[1], d[2], d[3], d[4], d[5]); break;
            default: break;
        }
    }

    qsizetype ControlWord(qsizetype i, std::vector<Group>* stack) {
        const qsizetype size = bytes_.size();
        ++i;
        if (i >= size) return i;
        const char c = bytes_[i];
        if (!std::isalpha(static_cast<unsigned char>(c))) {
            // A control symbol.
            if (stack->empty()) return i + 1;
            Group& group = stack->back();
            if (c == '*') {
                group.ignorable = true;
            } else if (c == '\'' && i + 2 < size) {
                bool ok = false;
                const int value = bytes_.mid(i + 1, 2).toInt(&ok, 16);
                if (ok) AddOrSkip([&] { AddByte(group, char(value)); });
                return i + 3;
            } else if (c == '\\' || c == '{' || c == '}') {
                AddOrSkip([&] { AddByte(group, c); });
            } else if (c == '~') {
                AddUnit(group, u'\u00a0');
            } else if (c == '\n' || c == '\r') {
                AddUnit(group, u'\n');
            }
            return i + 1;
        }
        qsizetype start = i;
        while (i < size && i - start < 32 && std::isalpha(static_cast<unsigned char>(bytes_[i]))) ++i;
        const QByteArray word = bytes_.mid(start, i - start);
        bool hasParameter = false;
        long long parameter = 0;
        const qsizetype parameterStart = i;
        if (i < size && (bytes_[i] == '-' || std::isdigit(static_cast<unsigned char>(bytes_[i])))) {
            ++i;
            while (i < size && i - parameterStart < 11 && std::isdigit(static_cast<unsigned char>(bytes_[i]))) ++i;
            parameter = bytes_.mid(parameterStart, i - parameterStart).toLongLong(&hasParameter);
        }
        if (i < size && bytes_[i] == ' ') ++i;  // the delimiter belongs to the word
        if (stack->empty()) return i;
        Group& group = stack->back();
        const bool first = group.first;
        group.first = false;

        if (word == "ansicpg" && hasParameter && parameter > 0 && parameter < 100000) codePage_ = int(parameter);
        if (word == "info" && first && !infoGroup_) {
            infoGroup_ = true;
            infoDepth_ = stack->size();
            group.inInfo = true;
            group.opensFields = true;
            return i;
        }
        if (first && group.canOpen && group.field == Field::None) {
            Field field = FieldNamed(word);
            group.opensFields = word == "upr" || word == "ud";
            if (field == Field::Pages) {
                if (hasParameter && parameter >= 0 && parameter < 10'000'000) metadata_->pages = int(parameter);
                field = Field::Skip;
            }
            Open(group, field);
            return i;
        }
        if (first && !group.inInfo && group.ignorable) {
            group.field = Field::Skip;
            return i;
        }
        if (word == "uc" && hasParameter && parameter >= 0 && parameter < 16) {
            group.unicodeSkip = int(parameter);
        } else if (word == "u" && hasParameter) {
            AddUnit(group, char16_t(parameter < 0 ? parameter + 65536 : parameter));
            skip_ = group.unicodeSkip;
        } else if (hasParameter && (group.field == Field::Created || group.field == Field::Revised)) {
            static const char* parts[] = {"yr", "mo", "dy", "hr", "min", "sec"};
            for (int p = 0; p < 6; ++p) {
                if (word == parts[p]) group.dateParts[p] = int(std::clamp<long long>(parameter, 0, 9999));
            }
        } else if (word == "ldblquote") {
            AddUnit(group, u'\u201c');
        } else if (word == "rdblquote") {
            AddUnit(group, u'\u201d');
        } else if (word == "lquote") {
            AddUnit(group, u'\u2018');
        } else if (word == "rquote") {
            AddUnit(group, u'\u2019');
        } else if (word == "emdash") {
            AddUnit(group, u'\u2014');
        } else if (word == "endash") {
            AddUnit(group, u'\u2013');
        } else if (word == "tab" || word == "line" || word == "par") {
            AddUnit(group, u' ');
        }
        return i;
    }

    // After \uN the next N fallback characters (bytes or \'hh) are dropped.
    template <typename Add>
    void AddOrSkip(Add add) {
        if (skip_ > 0) {
            --skip_;
            return;
        }
        add();
    }

  public:
    void Finish() {
        if (metadata_->application.isEmpty() && !comment_.isEmpty()) metadata_->application = comment_;
    }

  private:
    const QByteArray& bytes_;
    DocMetadata* metadata_;
    int codePage_ = 1252;
    bool infoGroup_ = false;
    size_t infoDepth_ = 0;
    bool collecting_ = false;
    int skip_ = 0;
    QString text_;
    QByteArray pending_;
    QString comment_;
};

}  // namespace

void RtfMetaReader::Read(const QByteArray& bytes, DocMetadata* metadata) {
    metadata->type = QStringLiteral("rtf");
    RtfInfoParser parser(bytes, metadata);
    parser.Run();
    parser.Finish();
}
