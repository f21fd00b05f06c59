#include "cli/CliApp.h"

#include "app/HomeLock.h"
#include "app/Session.h"
#include "cli/ConfigCommand.h"
#include "cli/DownloadCommands.h"
#include "cli/EnginesCommand.h"
#include "cli/JobCommands.h"
#include "cli/KeywordsCommand.h"
#include "cli/ListCommands.h"
#include "cli/MetaCommands.h"
#include "cli/NetCommands.h"
#include "cli/ReportCommand.h"
#include "cli/SearchCommands.h"
#include "lists/NetworkSettings.h"
#include "net/CurlSetup.h"

namespace {

struct TerminalMessages : MessageSink {
    explicit TerminalMessages(QTextStream& err) : err(err) {}
    void ShowMessageBox(const QString& text) override {
        err << "skimmer-cli: " << text << '\n';
        err.flush();
    }
    // The command itself is the user's answer.
    bool AskYesNo(const QString&, const QString&) override { return true; }
    QTextStream& err;
};

}  // namespace

int CliContext::Usage(const QString& message) const {
    err << "skimmer-cli: " << message << '\n';
    err.flush();
    return kCliUsage;
}

int CliContext::Failed(const QString& message) const {
    err << "skimmer-cli: " << message << '\n';
    err.flush();
    return kCliFailed;
}

CliApp::CliApp() {
    commands_.push_back(std::make_unique<ConfigCommand>());
    commands_.push_back(std::make_unique<KeywordsCommand>());
    commands_.push_back(std::make_unique<FetchCommand>());
    commands_.push_back(std::make_unique<RealUrlCommand>());
    commands_.push_back(std::make_unique<SizeCommand>());
    commands_.push_back(std::make_unique<GetCommand>());
    commands_.push_back(std::make_unique<QueriesCommand>());
    commands_.push_back(std::make_unique<AnchorsCommand>());
    commands_.push_back(std::make_unique<ResolveCommand>());
    commands_.push_back(std::make_unique<ParseCommand>());
    commands_.push_back(std::make_unique<EnginesCommand>());
    commands_.push_back(std::make_unique<SearchCommand>());
    commands_.push_back(std::make_unique<DownloadCommand>());
    commands_.push_back(std::make_unique<HandoffCommand>());
    commands_.push_back(std::make_unique<ListCommand>());
    commands_.push_back(std::make_unique<RegistryCommand>());
    commands_.push_back(std::make_unique<MetaCommand>());
    commands_.push_back(std::make_unique<ReportCommand>());
}

CliApp::~CliApp() = default;

QString CliApp::Usage() const {
    QString text = QStringLiteral(
        "usage: skimmer-cli [--home DIR] COMMAND [ARGS...]\n"
        "\n"
        "Finds publicly shared documents through search engines and downloads them in bulk; the\n"
        "command-line face of the skimmer desktop program, working on the same files.\n"
        "\n"
        "  --home DIR   the application home (settings, key.list, run.log); default $SKIMMER_HOME,\n"
        "               else ~/.local/share/skimmer\n"
        "  --help       this text; COMMAND --help tells about one command\n"
        "  --version    the program's version\n"
        "\n"
        "fetch, get, search and download take --proxy URL: that proxy (http, https, socks4a, socks5,\n"
        "socks5h; user:password@ allowed) for everything the run sends, instead of [Network].\n"
        "\n"
        "commands:\n");
    for (const auto& command : commands_) {
        text += QStringLiteral("  %1%2\n").arg(command->Name(), -10).arg(command->Summary());
    }
    text +=
        QStringLiteral("\nexit status: 0 done, 1 the work failed, 2 usage error, 130 stopped by Ctrl-C\n");
    return text;
}

CliCommand* CliApp::Find(const QString& name) const {
    for (const auto& command : commands_) {
        if (command->Name() == name) return command.get();
    }
    return nullptr;
}

int CliApp::TakeProxyOption(const QString& command, QStringList& args, std::optional<QString>* proxy,
                            QTextStream& err) {
    static const QStringList kTakers{"fetch", "get", "search", "download"};
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == u"--") break;
        const bool joined = args[i].startsWith(u"--proxy=");
        if (args[i] != u"--proxy" && !joined) continue;
        if (!kTakers.contains(command)) {
            err << "skimmer-cli: " << command << ": unknown option '--proxy'\n";
            return kCliUsage;
        }
        if (!joined && i + 1 >= args.size()) {
            err << "skimmer-cli: " << command << ": --proxy needs a value\n";
            return kCliUsage;
        }
        *proxy = joined ? args[i].mid(8) : args[i + 1];
        args.remove(i, joined ? 1 : 2);
        --i;
    }
    QString why;
    if (proxy->has_value() && !ProxyAddress::Parse(**proxy, &why)) {
        err << "skimmer-cli: " << command << ": --proxy: " << why << '\n';
        return kCliUsage;
    }
    return kCliDone;
}

int CliApp::Run(const QStringList& args, QTextStream& out, QTextStream& err) {
    QString home;
    qsizetype i = 0;
    for (; i < args.size() && args[i].startsWith(u'-'); ++i) {
        const QString& arg = args[i];
        if (arg == u"--help" || arg == u"-h") {
            out << Usage();
            return kCliDone;
        }
        if (arg == u"--version") {
            out << "skimmer-cli " << SKIMMER_VERSION << '\n';
            return kCliDone;
        }
        if (arg == u"--home" && i + 1 < args.size()) {
            home = args[++i];
        } else if (arg.startsWith(u"--home=")) {
            home = arg.mid(7);
        } else {
            err << "skimmer-cli: unknown option '" << arg << "' (see skimmer-cli --help)\n";
            return kCliUsage;
        }
        if (home.isEmpty()) {
            err << "skimmer-cli: --home needs a folder\n";
            return kCliUsage;
        }
    }
    if (i >= args.size()) {
        err << "skimmer-cli: no command given (see skimmer-cli --help)\n";
        return kCliUsage;
    }
    CliCommand* command = Find(args[i]);
    if (!command) {
        err << "skimmer-cli: unknown command '" << args[i] << "' (see skimmer-cli --help)\n";
        return kCliUsage;
    }
    QStringList rest = args.mid(i + 1);
    if (rest.contains(u"--help") || rest.contains(u"-h")) {
        out << command->Help();
        return kCliDone;
    }
    std::optional<QString> proxy;
    if (const int status = TakeProxyOption(command->Name(), rest, &proxy, err); status != kCliDone)
        return status;

    const QString homeDir = AppHome::ResolveDir(home);
    HomeLock lock(AppHome(homeDir).LockPath());
    if (command->ChangesHome(rest)) {
        // The session reads the files it is about to change: take the lock before it starts.
        AppHome(homeDir).Prepare();
        QString error;
        if (!lock.Acquire(&error)) {
            err << "skimmer-cli: " << command->Name() << ": " << error << '\n';
            return kCliFailed;
        }
    }
    TerminalMessages messages(err);  // outlives the session that points at it
    Session session(homeDir);
    // The terminal is this front end's status line.
    QObject::connect(&session.Status(), &StatusLine::messageShown, &session,
                     [&err](const QString& text) { err << text << Qt::endl; });
    session.SetMessageSink(&messages);
    // Every command names the list files it works on: the window's last list stays untouched (and a
    // large or odd one cannot slow or stall a command that has nothing to do with it).
    const QString problem = session.Start(false);
    if (!problem.isEmpty()) err << "skimmer-cli: " << problem << '\n';
    if (proxy) {
        // One proxy for every role of this run, and no pool: what the user asked for, nothing else.
        NetworkSettings network = CurlSetup::Network();
        network.UseForEverything(*proxy);
        CurlSetup::SetNetwork(network);
    }
    CliContext context{session, out, err};
    const int status = command->Run(context, rest);
    out.flush();
    err.flush();
    return status;
}
