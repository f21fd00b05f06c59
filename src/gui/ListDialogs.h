#pragma once
// The two small list dialogs: "列表选择" (which statuses: a StatusFilter) and "列表状态设置" (which
// status action). Main thread.

#include <QDialog>

#include "lists/ResultEntry.h"

class QCheckBox;
class QButtonGroup;
class MessageSink;

class CListChooseDlg : public QDialog {
    Q_OBJECT
  public:
    CListChooseDlg(MessageSink& messages, QWidget* parent = nullptr);
    StatusFilter Filter() const;
    void accept() override;

  private:
    MessageSink& messages_;
    QCheckBox* boxes_[4];
};

class CListStatDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CListStatDlg(QWidget* parent = nullptr);
    int Action() const;

  private:
    QButtonGroup* group_;
};
