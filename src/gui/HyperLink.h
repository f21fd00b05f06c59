#pragma once
// A text link: underlined, blue before use, purple once visited, red under the mouse, a hand cursor and
// its address as tooltip; a click opens the address with the desktop's "open".

#include <QLabel>

class HyperLink : public QLabel {
    Q_OBJECT
  public:
    explicit HyperLink(QWidget* parent = nullptr);
    void SetAddress(const QString& address);
    const QString& Address() const { return address_; }
    bool Visited() const { return visited_; }

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    void Paint();

    QString address_;
    bool visited_ = false;
    bool hovered_ = false;
};
