#include "gui/HyperLink.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

HyperLink::HyperLink(QWidget* parent) : QLabel(parent) {
    setCursor(Qt::PointingHandCursor);
    Paint();
}

void HyperLink::SetAddress(const QString& address) {
    address_ = address;
    setToolTip(address);
}

void HyperLink::Paint() {
    const char* colour = hovered_ ? "#ff0000" : visited_ ? "#551a8b" : "#0000ee";
    setStyleSheet(
        QStringLiteral("QLabel { color: %1; text-decoration: underline; }").arg(QLatin1StringView(colour)));
}

void HyperLink::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (!isEnabled() || address_.isEmpty()) return;
    if (QDesktopServices::openUrl(QUrl::fromUserInput(address_))) {
        visited_ = true;
        Paint();
        return;
    }
    QApplication::beep();
    QMessageBox::warning(this, windowTitle(), tr("The specified file was not found."));
}

void HyperLink::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    Paint();
    QLabel::enterEvent(event);
}

void HyperLink::leaveEvent(QEvent* event) {
    hovered_ = false;
    Paint();
    QLabel::leaveEvent(event);
}
