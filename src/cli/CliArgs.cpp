#include "cli/CliArgs.h"

CliArgs::CliArgs(QStringList switches, QStringList valued, QStringList repeatable)
    : switches_(std::move(switches)), valued_(std::move(valued)), repeatable_(std::move(repeatable)) {
    valued_ += repeatable_;
}

bool CliArgs::Parse(const QStringList& args) {
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == u"--") {
            positionals_ += args.mid(i + 1);
            break;
        }
        if (!arg.startsWith(u'-') || arg == u"-") {
            positionals_.append(arg);
            continue;
        }
        QString name = arg;
        std::optional<QString> value;
        if (const qsizetype eq = arg.indexOf(u'='); eq > 0 && arg.startsWith(u"--")) {
            name = arg.left(eq);
            value = arg.mid(eq + 1);
        }
        if (switches_.contains(name) && !value) {
            present_.insert(name);
            continue;
        }
        if (!valued_.contains(name)) {
            error_ = QStringLiteral("unknown option '%1'").arg(arg);
            return false;
        }
        if (!value) {
            if (i + 1 >= args.size()) {
                error_ = QStringLiteral("%1 needs a value").arg(name);
                return false;
            }
            value = args[++i];
        }
        present_.insert(name);
        if (repeatable_.contains(name)) {
            values_[name].append(*value);
        } else {
            values_[name] = QStringList{*value};
        }
    }
    return true;
}

std::optional<qint64> CliArgs::Number(const QString& name, qint64 fallback) {
    if (!Has(name)) return fallback;
    bool ok = false;
    const qint64 number = Value(name).toLongLong(&ok);
    if (!ok) {
        error_ = QStringLiteral("%1 takes a whole number").arg(name);
        return std::nullopt;
    }
    return number;
}
