#include "gui/ProgressDelegate.h"

#include <QApplication>
#include <QStyleOptionProgressBar>

#include "gui/ResultTableModel.h"

namespace {

// The bar sits 2 pixels inside the cell; the style keeps a few pixels of its frame around the text.
constexpr int kBarInset = 2;
constexpr int kTextPadding = 8;

}  // namespace

int ProgressDelegate::ColumnWidth(const QWidget& view) {
    const QFontMetrics metrics = view.fontMetrics();
    // The widest figures: three-digit percent, four digits before the point, the larger unit.
    constexpr qint64 kWidestSpeeds[] = {qint64(1023.9 * 1024), qint64(1023.9 * 1024 * 1024)};
    int widest = 0;
    for (const qint64 speed : kWidestSpeeds)
        widest = std::max(widest, metrics.horizontalAdvance(ResultTableModel::ProgressText(100, speed)));
    return widest + 2 * (kBarInset + kTextPadding);
}

void ProgressDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    const QVariant percent = index.data(ResultTableModel::ProgressRole);
    if (!percent.isValid()) return QStyledItemDelegate::paint(painter, option, index);
    // The row's highlight first, so a selected row stays visibly selected behind its bar.
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);
    QStyleOptionProgressBar bar;
    bar.initFrom(widget);
    bar.rect = option.rect.adjusted(kBarInset, kBarInset, -kBarInset, -kBarInset);
    bar.minimum = 0;
    bar.maximum = 100;
    bar.progress = percent.toInt();
    bar.text = index.data(Qt::DisplayRole).toString();
    bar.textVisible = true;
    bar.textAlignment = Qt::AlignCenter;
    bar.state = option.state | QStyle::State_Horizontal;
    style->drawControl(QStyle::CE_ProgressBar, &bar, painter, widget);
}
