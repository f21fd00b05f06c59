#pragma once
// "Network…": the proxies of section [Network] (one for everything, one per role, the search pool, the
// hosts that go direct, whether the environment's proxies count) and the CA bundle. Passwords inside the
// addresses are shown masked until "Show passwords" is ticked; a masked field left alone keeps its stored
// value. OK checks every proxy, writes [Network] and puts it in force at once. Main thread.

#include <QDialog>
#include <QList>

class QCheckBox;
class QLabel;
class QLineEdit;
class Session;

class NetworkDialog : public QDialog {
    Q_OBJECT
  public:
    explicit NetworkDialog(Session& session, QWidget* parent = nullptr);
    void accept() override;

  private:
    struct Field {
        QLineEdit* edit;
        QString key;
        QString stored;  // as in Setting.ini
        QString masked;  // as first shown
    };
    void ShowPasswords(bool shown);

    Session& session_;
    QList<Field> fields_;
    QCheckBox* useEnvironment_ = nullptr;
    QLabel* error_ = nullptr;
};
