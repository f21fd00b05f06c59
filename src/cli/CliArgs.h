#pragma once
// The arguments of one command split into positionals, switches and options with a value, checked
// against what the command declares. Anything else is a usage error with a one-line message.

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>

class CliArgs {
  public:
    // switches: "--overwrite"; valued: "--to" (given as "--to X" or "--to=X"; the last one wins, except
    // for repeatable ones, which collect every value).
    CliArgs(QStringList switches, QStringList valued, QStringList repeatable = {});

    // False with error() set when an argument is not declared or an option misses its value.
    bool Parse(const QStringList& args);
    const QString& Error() const { return error_; }

    const QStringList& Positionals() const { return positionals_; }
    bool Has(const QString& name) const { return present_.contains(name); }
    QString Value(const QString& name) const { return values_.value(name).value(0); }
    QStringList Values(const QString& name) const { return values_.value(name); }
    // The option as a whole number; nullopt (and error set) when it is there but not a number.
    std::optional<qint64> Number(const QString& name, qint64 fallback);

  private:
    QStringList switches_;
    QStringList valued_;
    QStringList repeatable_;
    QStringList positionals_;
    QSet<QString> present_;
    QHash<QString, QStringList> values_;
    QString error_;
};
