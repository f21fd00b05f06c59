#include "gui/DialogMessages.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

void DialogMessages::ShowMessageBox(const QString& text) {
    QMessageBox::information(parent_, QApplication::applicationDisplayName(), text);
}

bool DialogMessages::AskYesNo(const QString& text, const QString& caption) {
    return QMessageBox::question(parent_, caption, text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

int DialogMessages::AskChoice(const QString& text, const QString& caption, const QStringList& answers) {
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Cancel, parent_);
    QList<QAbstractButton*> buttons;
    for (const QString& answer : answers) buttons.append(box.addButton(answer, QMessageBox::AcceptRole));
    if (!buttons.isEmpty()) box.setDefaultButton(qobject_cast<QPushButton*>(buttons.first()));
    box.setEscapeButton(QMessageBox::Cancel);
    box.exec();
    return int(buttons.indexOf(box.clickedButton()));
}
