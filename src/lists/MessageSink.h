#pragma once
// Where the core's message boxes and questions go: the window shows real dialogs, the command line
// prints, tests answer. Called on the owner's (main) thread.

#include <QString>
#include <QStringList>

class MessageSink {
  public:
    virtual ~MessageSink() = default;
    virtual void ShowMessageBox(const QString& text) = 0;
    // Yes/No question; true for Yes.
    virtual bool AskYesNo(const QString& text, const QString& caption) = 0;
    // A question with named answers and Cancel: the index of the answer, -1 for Cancel. A sink that
    // only says yes or no takes yes for the first answer.
    virtual int AskChoice(const QString& text, const QString& caption, const QStringList& answers) {
        return !answers.isEmpty() && AskYesNo(text, caption) ? 0 : -1;
    }
};
