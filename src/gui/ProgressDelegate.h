#pragma once
// Draws the status cell of a row in progress as a progress bar carrying the cell's text (percent and
// speed); every other cell is drawn as usual. Main thread.

#include <QStyledItemDelegate>

class ProgressDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    // The narrowest status column that shows the widest progress text whole on its bar ("Done: 100% ·
    // 1023.9 MB/s" in the window's language and font).
    static int ColumnWidth(const QWidget& view);
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};
