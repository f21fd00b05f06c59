#pragma once
// Message boxes of the window: real dialogs, parented to the window. Tests replace the sink with one
// that answers by itself, so no test waits on a modal dialog.

#include <QWidget>

#include "lists/MessageSink.h"

class QDialog;
class QMessageBox;

class DialogMessages : public MessageSink {
  public:
    explicit DialogMessages(QWidget* parent) : parent_(parent) {}
    void ShowMessageBox(const QString& text) override;
    bool AskYesNo(const QString& text, const QString& caption) override;
    int AskChoice(const QString& text, const QString& caption, const QStringList& answers) override;

    // The width a window needs for the title bar to show its whole title: the title as the desktop shows
    // it (the program's name appended), in the bold face title bars use, beside the icon and buttons.
    static int TitleWidth(const QWidget& window);
    // Widens a dialog to its title, which the window manager would otherwise cut. A message box ignores
    // a minimum width, so it gets a spacer in its grid instead.
    static void FitTitle(QMessageBox& box);
    static void FitTitle(QDialog& dialog);

  private:
    QWidget* parent_;
};
