#include "gui/ColumnMenu.h"

#include <QHeaderView>

ColumnMenu::ColumnMenu(QHeaderView* header, QWidget* parent) : QMenu(parent), header_(header) {
    setObjectName(QStringLiteral("columnMenu"));
    QAbstractItemModel* model = header->model();
    for (int column = 0; column < model->columnCount(); ++column) {
        QAction* action = addAction(model->headerData(column, Qt::Horizontal).toString());
        action->setObjectName(QStringLiteral("column%1Action").arg(column));
        action->setCheckable(true);
        connect(action, &QAction::toggled, this, [this, column](bool shown) {
            header_->setSectionHidden(column, !shown);
            // A column shown again after it was hidden at width 0 would stay invisible.
            if (shown && header_->sectionSize(column) < header_->minimumSectionSize())
                header_->resizeSection(column, header_->defaultSectionSize());
        });
        columns_.append(action);
    }
    addSeparator();
    connect(this, &QMenu::aboutToShow, this, &ColumnMenu::Refresh);
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { popup(header_->viewport()->mapToGlobal(at)); });
    Refresh();
}

void ColumnMenu::Refresh() {
    int shown = 0;
    for (int column = 0; column < columns_.size(); ++column) shown += header_->isSectionHidden(column) ? 0 : 1;
    for (int column = 0; column < columns_.size(); ++column) {
        QAction* action = columns_[column];
        const QSignalBlocker quiet(action);
        const bool visible = !header_->isSectionHidden(column);
        action->setChecked(visible);
        action->setEnabled(!visible || shown > 1);
        // In the window's language of the moment.
        action->setText(header_->model()->headerData(column, Qt::Horizontal).toString());
    }
}
