#include "gui/UpdateDialog.h"

#include <QCoreApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstdlib>

#include "app/UpdateInfo.h"
#include "gui/HyperLink.h"
#include "lists/MessageSink.h"

UpdateDialog::UpdateDialog(UpdateInfo& info, QMutex& checkLock, QString location, MessageSink& messages,
                           bool checked, QWidget* parent)
    : QDialog(parent),
      info_(info),
      checkLock_(checkLock),
      location_(std::move(location)),
      messages_(messages) {
    setWindowTitle(tr("Software Update"));
    auto* form = new QFormLayout;
    auto edit = [this](const char* name) {
        auto* line = new QLineEdit(this);
        line->setObjectName(QLatin1StringView(name));
        line->setReadOnly(true);
        return line;
    };
    current_ = edit("currentVersionEdit");
    latest_ = edit("latestVersionEdit");
    date_ = edit("versionDateEdit");
    form->addRow(tr("Current version:"), current_);
    form->addRow(tr("Latest version:"), latest_);
    form->addRow(tr("Released:"), date_);
    notes_ = new QPlainTextEdit(this);
    notes_->setObjectName(QStringLiteral("releaseNotesEdit"));
    notes_->setReadOnly(true);
    link_ = new HyperLink(this);
    link_->setObjectName(QStringLiteral("downloadLink"));
    link_->setText(tr("Download"));
    link_->setEnabled(false);
    auto* linkRow = new QHBoxLayout;
    linkRow->addWidget(new QLabel(tr("Download from:"), this));
    linkRow->addWidget(link_, 1);
    check_ = new QPushButton(tr("Check Now"), this);
    check_->setObjectName(QStringLiteral("checkNowButton"));
    check_->setDefault(true);
    cancel_ = new QPushButton(tr("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("cancelButton"));
    auto* quit = new QPushButton(tr("Quit"), this);
    quit->setObjectName(QStringLiteral("quitButton"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(check_);
    buttons->addWidget(cancel_);
    buttons->addWidget(quit);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(notes_, 1);
    layout->addLayout(linkRow);
    layout->addLayout(buttons);
    resize(460, 320);

    current_->setText(info_.CurrentVersion());
    connect(check_, &QPushButton::clicked, this, &UpdateDialog::CheckNow);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(quit, &QPushButton::clicked, this, [] { std::exit(0); });
    if (checked) {
        QMutexLocker lock(&checkLock_);
        Fill(info_.Check() == 1);
    }
}

UpdateDialog::~UpdateDialog() {
    if (checker_.joinable()) checker_.join();
}

void UpdateDialog::CheckNow() {
    latest_->setText(tr("Fetching the latest version..."));
    date_->setText(tr("Fetching its release date..."));
    notes_->setPlainText(tr("Fetching its release notes..."));
    link_->setEnabled(false);
    check_->setEnabled(false);
    if (checker_.joinable()) checker_.join();
    checker_ = std::thread([this] {
        bool newer;
        QString failure;
        {
            QMutexLocker lock(&checkLock_);  // never at once with the start-up check
            info_.Parse(location_);
            newer = info_.Check() == 1;
            failure = info_.Failure();
        }
        QMetaObject::invokeMethod(
            this, [this, newer, failure] { Fill(newer, failure); }, Qt::QueuedConnection);
    });
}

void UpdateDialog::Fill(bool newer, const QString& failure) {
    if (!newer) {
        // A check that read nothing says why instead of claiming there is nothing new.
        const QString text = failure.isEmpty() ? tr("No update is available.")
                                               : tr("The update check failed: %1").arg(failure);
        latest_->clear();
        date_->clear();
        notes_->setPlainText(failure.isEmpty() ? QString() : text);
        // After the dialog is up, so the box has a parent on screen.
        QMetaObject::invokeMethod(
            this,
            [this, text] {
                messages_.ShowMessageBox(text);
                reject();
            },
            Qt::QueuedConnection);
        return;
    }
    latest_->setText(info_.LatestVersion());
    date_->setText(info_.VersionDate());
    notes_->setPlainText(info_.ReleaseNotes());
    link_->SetAddress(info_.DownloadAddress());
    link_->setEnabled(true);
    link_->show();
    check_->setEnabled(true);
    cancel_->setEnabled(false);
}
