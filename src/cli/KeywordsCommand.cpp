#include "cli/KeywordsCommand.h"

#include "app/Session.h"

QString KeywordsCommand::Summary() const {
    return QStringLiteral("show or change the keyword list (key.list)");
}

QString KeywordsCommand::Help() const {
    return QStringLiteral(
        "usage: skimmer-cli keywords list\n"
        "       skimmer-cli keywords add TEXT\n"
        "       skimmer-cli keywords clear\n"
        "\n"
        "list   prints the keywords in search order, one a line.\n"
        "add    adds TEXT as one keyword, exactly as given. When TEXT names an existing .txt file, its\n"
        "       lines are added instead (trimmed, blank lines and duplicates skipped); any other existing\n"
        "       file or folder adds nothing.\n"
        "clear  empties the list and removes key.list.\n");
}

int KeywordsCommand::Run(CliContext& context, const QStringList& args) {
    KeywordList& keywords = context.session.Keywords();
    if (args.size() == 1 && args[0] == u"list") {
        for (const QString& keyword : keywords.Keywords()) context.out << keyword << '\n';
        return kCliDone;
    }
    if (args.size() == 2 && args[0] == u"add") {
        const int added = keywords.AddKeyword(args[1]);
        QString error;
        if (!keywords.SaveKeywordFile(&error)) {
            return context.Failed(QStringLiteral("keywords: cannot write %1: %2; it is left as it was")
                                      .arg(keywords.FilePath(), error));
        }
        context.out << "added " << added << '\n';
        return kCliDone;
    }
    if (args.size() == 1 && args[0] == u"clear") {
        keywords.ClearKeywords();
        QString error;
        if (!keywords.SaveKeywordFile(&error)) {
            return context.Failed(
                QStringLiteral("keywords: cannot remove %1: %2").arg(keywords.FilePath(), error));
        }
        return kCliDone;
    }
    return context.Usage(QStringLiteral("keywords: expected list, add TEXT or clear"));
}
