#pragma once
// Where the core's message boxes and questions go: the window shows real dialogs, the command line
// prints, tests answer. Called on the owner's (main) thread.

#include <QString>

class MessageSink {
  public:
    virtual ~MessageSink() = default;
    virtual void ShowMessageBox(const QString& text) = 0;
    // Yes/No question; true for Yes.
    virtual bool AskYesNo(const QString& text, const QString& caption) = 0;
};
