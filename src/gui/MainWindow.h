#pragma once
// The program's main window over a Session: shows the status line and writes the settings and keyword
// list when it closes. Lives on the main thread.

#include <QWidget>

class QLineEdit;
class Session;

class MainWindow : public QWidget {
    Q_OBJECT
  public:
    explicit MainWindow(Session& session, QWidget* parent = nullptr);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    Session& session_;
    QLineEdit* statusLine_;
};
