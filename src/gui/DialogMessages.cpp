#include "gui/DialogMessages.h"

#include <QApplication>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>

namespace {

// The window icon, the close, minimise and maximise buttons and the bar's padding.
constexpr int kTitleBarDecorations = 160;

}  // namespace

int DialogMessages::TitleWidth(const QWidget& window) {
    QString title = window.windowTitle();
    const QString program = QApplication::applicationDisplayName();
    // As Qt hands it to the window manager: "Title — Program".
    if (!program.isEmpty() && title != program) title += QStringLiteral(" \u2014 ") + program;
    QFont bold = window.font();
    bold.setBold(true);
    return QFontMetrics(bold).horizontalAdvance(title) + kTitleBarDecorations;
}

void DialogMessages::FitTitle(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid) return box.setMinimumWidth(TitleWidth(box));
    const int width = TitleWidth(box) - box.contentsMargins().left() - box.contentsMargins().right() -
                      grid->contentsMargins().left() - grid->contentsMargins().right();
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

void DialogMessages::FitTitle(QDialog& dialog) {
    dialog.setMinimumWidth(std::max(dialog.minimumWidth(), TitleWidth(dialog)));
}

void DialogMessages::ShowMessageBox(const QString& text) {
    QMessageBox box(QMessageBox::Information, QApplication::applicationDisplayName(), text, QMessageBox::Ok,
                    parent_);
    FitTitle(box);
    box.exec();
}

bool DialogMessages::AskYesNo(const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, parent_);
    FitTitle(box);
    return box.exec() == QMessageBox::Yes;
}

int DialogMessages::AskChoice(const QString& text, const QString& caption, const QStringList& answers) {
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Cancel, parent_);
    QList<QAbstractButton*> buttons;
    for (const QString& answer : answers) buttons.append(box.addButton(answer, QMessageBox::AcceptRole));
    if (!buttons.isEmpty()) box.setDefaultButton(qobject_cast<QPushButton*>(buttons.first()));
    box.setEscapeButton(QMessageBox::Cancel);
    FitTitle(box);
    box.exec();
    return int(buttons.indexOf(box.clickedButton()));
}
