#include "gui/ListDialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "gui/DialogMessages.h"
#include "lists/MessageSink.h"

StatusChoiceDialog::StatusChoiceDialog(MessageSink& messages, QWidget* parent)
    : QDialog(parent), messages_(messages) {
    setWindowTitle(tr("Choose Rows"));
    auto* layout = new QVBoxLayout(this);
    const std::pair<const char*, QString> items[] = {{"downloadedCheck", tr("Downloaded rows")},
                                                     {"failedCheck", tr("Failed rows")},
                                                     {"waitingCheck", tr("Waiting rows")},
                                                     {"downloadingCheck", tr("Rows being downloaded")}};
    for (int i = 0; i < 4; ++i) {
        boxes_[i] = new QCheckBox(items[i].second, this);
        boxes_[i]->setObjectName(QLatin1StringView(items[i].first));
        boxes_[i]->setChecked(true);
        layout->addWidget(boxes_[i]);
    }
    auto* ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignRight);
    DialogMessages::FitTitle(*this);
}

StatusFilter StatusChoiceDialog::Filter() const {
    return {boxes_[0]->isChecked(), boxes_[1]->isChecked(), boxes_[2]->isChecked(), boxes_[3]->isChecked()};
}

void StatusChoiceDialog::accept() {
    const StatusFilter filter = Filter();
    if (!filter.downloaded && !filter.failed && !filter.waiting && !filter.downloading) {
        messages_.ShowMessageBox(tr("Choose at least one."));
        return;
    }
    QDialog::accept();
}

StatusActionDialog::StatusActionDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Set Status"));
    auto* layout = new QVBoxLayout(this);
    group_ = new QButtonGroup(this);
    const std::pair<const char*, QString> items[] = {
        {"failedToWaitingRadio", tr("Set every failed row to waiting")},
        {"downloadedRadio", tr("Set to downloaded")},
        {"waitingRadio", tr("Set to waiting")},
        {"failedRadio", tr("Set to failed")},
        {"duplicateRadio", tr("Set to duplicate")}};
    for (int i = 0; i < 5; ++i) {
        auto* radio = new QRadioButton(items[i].second, this);
        radio->setObjectName(QLatin1StringView(items[i].first));
        group_->addButton(radio, i);
        layout->addWidget(radio);
    }
    group_->button(0)->setChecked(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("okButton"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    DialogMessages::FitTitle(*this);
}

ResultList::StatusAction StatusActionDialog::Action() const {
    return ResultList::StatusAction(group_->checkedId());  // the buttons' ids follow the enum
}
