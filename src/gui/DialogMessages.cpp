#include "gui/DialogMessages.h"

#include <QApplication>
#include <QMessageBox>

void DialogMessages::ShowMessageBox(const QString& text) {
    QMessageBox::information(parent_, QApplication::applicationDisplayName(), text);
}

bool DialogMessages::AskYesNo(const QString& text, const QString& caption) {
    return QMessageBox::question(parent_, caption, text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}
