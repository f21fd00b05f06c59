#pragma once
// The two small list dialogs: which statuses to take (a StatusFilter) and which status to set (a
// status action). Main thread.

#include <QDialog>

#include "lists/ResultEntry.h"
#include "lists/ResultList.h"

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
    ResultList::StatusAction Action() const;

  private:
    QButtonGroup* group_;
};
