#include "gui/CHyperLink.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

CHyperLink::CHyperLink(QWidget* parent) : QLabel(parent) {
    setCursor(Qt::PointingHandCursor);
    Paint();
}

void CHyperLink::SetAddress(const QString& address) {
    address_ = address;
    setToolTip(address);
}

void CHyperLink::Paint() {
    const char* colour = hovered_ ? "#ff0000" : visited_ ? "#551a8b" : "#0000ee";
    setStyleSheet(
        QStringLiteral("QLabel { color: %1; text-decoration: underline; }").arg(QLatin1StringView(colour)));
}

void CHyperLink::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (!isEnabled() || address_.isEmpty()) return;
    if (QDesktopServices::openUrl(QUrl::fromUserInput(address_))) {
        visited_ = true;
        Paint();
        return;
    }
    QApplication::beep();
    QMessageBox::warning(this, windowTitle(), QStringLiteral("The specified file was not found."));
}

void CHyperLink::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    Paint();
    QLabel::enterEvent(event);
}

void CHyperLink::leaveEvent(QEvent* event) {
    hovered_ = false;
    Paint();
    QLabel::leaveEvent(event);
}
