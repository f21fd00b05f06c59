#pragma once
// A block of the key matcher: a set of named attributes (names compared without case), each holding a
// text and a number. Subclasses run a search over their input attributes and write their outputs back.
// One block belongs to one thread.

#include <QString>
#include <map>

struct BlockValue {
    enum Kind { kNumber = 1, kText = 2 };
    int kind = kText;
    QString text;
    // Kept in double precision so offsets into pages larger than 16 M code units stay exact.
    double number = 0;

    static BlockValue FromText(const QString& text);
    static BlockValue FromNumber(double number);
    qint64 AsInt() const { return qint64(number); }
};

class MatchBlock {
  public:
    virtual ~MatchBlock() = default;
    virtual bool Run() = 0;
    virtual QString GetContent() = 0;

    void SetAttr(const QString& name, const QString& text);
    void SetAttr(const QString& name, const char* text) { SetAttr(name, QString::fromUtf8(text)); }
    void SetAttr(const QString& name, double number);
    void SetAttr(const QString& name, int number) { SetAttr(name, double(number)); }
    // A copy of the attribute; an absent one is created empty first.
    virtual BlockValue GetAttr(const QString& name);
    QString Text(const QString& name) { return GetAttr(name).text; }

    // Leading decimal number of a text ("12abc" is 12, "abc" is 0).
    static double LeadingNumber(const QString& text);

  protected:
    struct CaseInsensitiveLess {
        bool operator()(const QString& a, const QString& b) const {
            return a.compare(b, Qt::CaseInsensitive) < 0;
        }
    };
    BlockValue& Slot(const QString& name) { return attributes_[name]; }

  private:
    std::map<QString, BlockValue, CaseInsensitiveLess> attributes_;
};
