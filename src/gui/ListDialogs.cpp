#include "gui/ListDialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "lists/MessageSink.h"

CListChooseDlg::CListChooseDlg(MessageSink& messages, QWidget* parent)
    : QDialog(parent), messages_(messages) {
    setWindowTitle(QStringLiteral("列表选择"));
    auto* layout = new QVBoxLayout(this);
    const std::pair<int, const char*> items[] = {
        {1120, "选择下载成功项"}, {1080, "选择下载失败项"}, {1109, "选择等待项"}, {1118, "选择正在下载项"}};
    for (int i = 0; i < 4; ++i) {
        boxes_[i] = new QCheckBox(QString::fromUtf8(items[i].second), this);
        boxes_[i]->setObjectName(QStringLiteral("check%1").arg(items[i].first));
        boxes_[i]->setChecked(true);
        layout->addWidget(boxes_[i]);
    }
    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setObjectName(QStringLiteral("button1"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignRight);
}

StatusFilter CListChooseDlg::Filter() const {
    return {boxes_[0]->isChecked(), boxes_[1]->isChecked(), boxes_[2]->isChecked(), boxes_[3]->isChecked()};
}

void CListChooseDlg::accept() {
    const StatusFilter filter = Filter();
    if (!filter.downloaded && !filter.failed && !filter.waiting && !filter.downloading) {
        messages_.ShowMessageBox(QStringLiteral("请至少选择一项"));
        return;
    }
    QDialog::accept();
}

CListStatDlg::CListStatDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("列表状态设置"));
    auto* layout = new QVBoxLayout(this);
    group_ = new QButtonGroup(this);
    const std::pair<int, const char*> items[] = {{1112, "所有失败的设置为等待"},
                                                 {1017, "设置为下载成功"},
                                                 {1113, "设置为等待"},
                                                 {1114, "设置为失败"},
                                                 {1115, "设置为重复"}};
    for (int i = 0; i < 5; ++i) {
        auto* radio = new QRadioButton(QString::fromUtf8(items[i].second), this);
        radio->setObjectName(QStringLiteral("radio%1").arg(items[i].first));
        group_->addButton(radio, i);
        layout->addWidget(radio);
    }
    group_->button(0)->setChecked(true);
    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setObjectName(QStringLiteral("button1"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignRight);
}

int CListStatDlg::Action() const {
    return group_->checkedId();
}
