#pragma once
// The result table header's menu: a tick per column that shows or hides it (the header keeps the state,
// which the window saves with the column widths), then whatever the window adds. The last column shown
// cannot be hidden. Main thread.

#include <QMenu>

class QHeaderView;

class ColumnMenu : public QMenu {
    Q_OBJECT
  public:
    ColumnMenu(QHeaderView* header, QWidget* parent = nullptr);

  private:
    void Refresh();

    QHeaderView* header_;
    QList<QAction*> columns_;
};
