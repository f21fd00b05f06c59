#pragma once
// Message boxes of the window: real dialogs, parented to the window. Tests replace the sink with one
// that answers by itself, so no test waits on a modal dialog.

#include <QWidget>

#include "lists/MessageSink.h"

class DialogMessages : public MessageSink {
  public:
    explicit DialogMessages(QWidget* parent) : parent_(parent) {}
    void ShowMessageBox(const QString& text) override;
    bool AskYesNo(const QString& text, const QString& caption) override;
    int AskChoice(const QString& text, const QString& caption, const QStringList& answers) override;

  private:
    QWidget* parent_;
};
