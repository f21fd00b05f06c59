#include "search/MatchBlock.h"

BlockValue BlockValue::FromText(const QString& text) {
    BlockValue value;
    value.kind = kText;
    value.text = text;
    value.number = MatchBlock::LeadingNumber(text);
    return value;
}

BlockValue BlockValue::FromNumber(double number) {
    BlockValue value;
    value.kind = kNumber;
    value.number = number;
    value.text = QString::asprintf("%.6f", number);
    return value;
}

double MatchBlock::LeadingNumber(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace()) ++i;
    const qsizetype start = i;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) ++i;
    qsizetype digits = 0;
    while (i < text.size() && text[i].isDigit() && text[i].unicode() < 128) ++i, ++digits;
    if (i < text.size() && text[i] == u'.') {
        ++i;
        while (i < text.size() && text[i].isDigit() && text[i].unicode() < 128) ++i, ++digits;
    }
    if (digits == 0) return 0;
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < text.size() && (text[j] == u'+' || text[j] == u'-')) ++j;
        if (j < text.size() && text[j].isDigit() && text[j].unicode() < 128) {
            while (j < text.size() && text[j].isDigit() && text[j].unicode() < 128) ++j;
            i = j;
        }
    }
    return text.mid(start, i - start).toDouble();
}

void MatchBlock::SetAttr(const QString& name, const QString& text) {
    attributes_[name] = BlockValue::FromText(text);
}

void MatchBlock::SetAttr(const QString& name, double number) {
    attributes_[name] = BlockValue::FromNumber(number);
}

BlockValue MatchBlock::GetAttr(const QString& name) {
    return attributes_[name];
}
