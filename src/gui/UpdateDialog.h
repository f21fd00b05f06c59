#pragma once
// The update notice: the current and newest version, its date and notes, a link to the download, and a
// button that checks again on a thread of its own. Main thread (the check posts its result back).

#include <QDialog>
#include <QMutex>
#include <thread>

class HyperLink;
class UpdateInfo;
class MessageSink;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class UpdateDialog : public QDialog {
    Q_OBJECT
  public:
    // checked: the information was already read (the start-up check found an update).
    UpdateDialog(UpdateInfo& info, QMutex& checkLock, QString location, MessageSink& messages, bool checked,
                 QWidget* parent = nullptr);
    ~UpdateDialog() override;

    void CheckNow();

  private:
    // Shows the newer version, else says there is none, or why the check read nothing.
    void Fill(bool newer, const QString& failure = QString());

    UpdateInfo& info_;
    QMutex& checkLock_;
    QString location_;
    MessageSink& messages_;
    QLineEdit* current_;
    QLineEdit* latest_;
    QLineEdit* date_;
    QPlainTextEdit* notes_;
    HyperLink* link_;
    QPushButton* check_;
    QPushButton* cancel_;
    std::thread checker_;
};
