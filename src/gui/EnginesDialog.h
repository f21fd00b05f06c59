#pragma once
// "Engines…": every engine of the definitions in force with its check box (and one for each site of an
// engine that gathers several, such as the PDF sites), the key fields of the engines that need some
// (credentials masked unless shown) and the reason it last blocked a search. OK writes the boxes into the
// options (as the main window's boxes do) and the keys into [Engines] of Setting.ini. Main thread.

#include <QDialog>
#include <QList>
#include <QPair>
#include <QStringList>

class QCheckBox;
class QLineEdit;
class Session;
struct EngineDefinition;

class EnginesDialog : public QDialog {
    Q_OBJECT
  public:
    explicit EnginesDialog(Session& session, QWidget* parent = nullptr);
    void accept() override;
    // A built-in engine's name in the window's language; a user's own definition keeps its name.
    static QString DisplayName(const EngineDefinition& engine);
    // The names of the API engines ticked now, in the catalogue's order.
    static QStringList TickedApiEngines(Session& session);

  private:
    Session& session_;
    QList<QPair<QCheckBox*, QString>> boxes_;  // box, setting key
    QList<QPair<QLineEdit*, QString>> keys_;   // field, [Engines] key
    QList<QLineEdit*> masked_;                 // the credentials among them
};
