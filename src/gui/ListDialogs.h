#pragma once
// The two small list dialogs: "列表选择" (which statuses: a StatusFilter) and "列表状态设置" (which
// status action). Main thread.

#include <QDialog>

#include "lists/ResultEntry.h"

class QCheckBox;
class QButtonGroup;
class MessageSink;

class StatusChoiceDialog : public QDialog {
    Q_OBJECT
  public:
    StatusChoiceDialog(MessageSink& messages, QWidget* parent = nullptr);
    StatusFilter Filter() const;
    void accept() override;

  private:
    MessageSink& messages_;
    QCheckBox* boxes_[4];
};

class StatusActionDialog : public QDialog {
    Q_OBJECT
  public:
    explicit StatusActionDialog(QWidget* parent = nullptr);
    int Action() const;

  private:
    QButtonGroup* group_;
};
