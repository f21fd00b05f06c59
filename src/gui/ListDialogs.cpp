#include "gui/ListDialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "lists/MessageSink.h"

StatusChoiceDialog::StatusChoiceDialog(MessageSink& messages, QWidget* parent)
    : QDialog(parent), messages_(messages) {
    setWindowTitle(QStringLiteral("列表选择"));
    auto* layout = new QVBoxLayout(this);
    const std::pair<const char*, const char*> items[] = {{"downloadedCheck", "选择下载成功项"},
                                                         {"failedCheck", "选择下载失败项"},
                                                         {"waitingCheck", "选择等待项"},
                                                         {"downloadingCheck", "选择正在下载项"}};
    for (int i = 0; i < 4; ++i) {
        boxes_[i] = new QCheckBox(QString::fromUtf8(items[i].second), this);
        boxes_[i]->setObjectName(QLatin1StringView(items[i].first));
        boxes_[i]->setChecked(true);
        layout->addWidget(boxes_[i]);
    }
    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignRight);
}

StatusFilter StatusChoiceDialog::Filter() const {
    return {boxes_[0]->isChecked(), boxes_[1]->isChecked(), boxes_[2]->isChecked(), boxes_[3]->isChecked()};
}

void StatusChoiceDialog::accept() {
    const StatusFilter filter = Filter();
    if (!filter.downloaded && !filter.failed && !filter.waiting && !filter.downloading) {
        messages_.ShowMessageBox(QStringLiteral("请至少选择一项"));
        return;
    }
    QDialog::accept();
}

StatusActionDialog::StatusActionDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("列表状态设置"));
    auto* layout = new QVBoxLayout(this);
    group_ = new QButtonGroup(this);
    const std::pair<const char*, const char*> items[] = {{"failedToWaitingRadio", "所有失败的设置为等待"},
                                                         {"downloadedRadio", "设置为下载成功"},
                                                         {"waitingRadio", "设置为等待"},
                                                         {"failedRadio", "设置为失败"},
                                                         {"duplicateRadio", "设置为重复"}};
    for (int i = 0; i < 5; ++i) {
        auto* radio = new QRadioButton(QString::fromUtf8(items[i].second), this);
        radio->setObjectName(QLatin1StringView(items[i].first));
        group_->addButton(radio, i);
        layout->addWidget(radio);
    }
    group_->button(0)->setChecked(true);
    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignRight);
}

int StatusActionDialog::Action() const {
    return group_->checkedId();
}
