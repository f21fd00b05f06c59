#pragma once
// Reads the fields of a definition's JSON objects with their place ("classic.block.left") in every
// refusal, so a user who edits a definitions file learns which field is wrong. The first refusal is the
// one reported. One object per file read; not shared between threads.

#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <initializer_list>

class JsonFieldReader {
  public:
    JsonFieldReader(QString* error, qsizetype maxText, qsizetype maxList)
        : error_(error), maxText_(maxText), maxList_(maxList) {}

    bool Failed() const { return failed_; }
    // Always false, so that a check can end with `return Fail(...)`.
    bool Fail(const QString& place, const QString& what);
    // False for a field whose name is not among `names`: a misspelt field must not switch a rule off.
    bool Known(const QJsonObject& object, const QString& place, std::initializer_list<const char*> names);
    // Each reader leaves *out as it was when the field is absent (and not required).
    bool Text(const QJsonValue& value, const QString& place, QString* out, bool required = false);
    bool Texts(const QJsonValue& value, const QString& place, QStringList* out, bool allowEmpty = false);
    bool Flag(const QJsonValue& value, const QString& place, bool* out);
    bool Number(const QJsonValue& value, const QString& place, int low, int high, int* out);
    // True when `number` is a whole number from low to high. Checked before any cast: a JSON number may
    // be far beyond what an integer holds, and casting such a double is undefined.
    static bool IsWholeNumberIn(double number, double low, double high);

  private:
    QString* error_;
    qsizetype maxText_;
    qsizetype maxList_;
    bool failed_ = false;
};
