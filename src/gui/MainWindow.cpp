#include "gui/MainWindow.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/Session.h"

MainWindow::MainWindow(Session& session, QWidget* parent) : QWidget(parent), session_(session) {
    setWindowTitle(QStringLiteral("Skimmer %1").arg(QStringLiteral(SKIMMER_VERSION)));
    resize(875, 650);
    auto* layout = new QVBoxLayout(this);
    auto* heading =
        new QLabel(QStringLiteral("关键字：%1").arg(session_.Keywords().Keywords().join(u' ')), this);
    heading->setObjectName(QStringLiteral("keywordSummary"));
    layout->addWidget(heading, 1, Qt::AlignTop);
    statusLine_ = new QLineEdit(this);
    statusLine_->setObjectName(QStringLiteral("edit1037"));
    statusLine_->setReadOnly(true);
    layout->addWidget(statusLine_);
    statusLine_->setText(session_.Status().Current());
    connect(&session_.Status(), &StatusLine::messageShown, statusLine_, &QLineEdit::setText);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    session_.GetOptions().ReadBack();
    session_.SaveSettings();
    session_.SaveKeywords();
    event->accept();
}
