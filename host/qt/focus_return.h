#pragma once
// Gives the keyboard back where it was when a modal dialog or message box closes: the
// window it came from is activated again and the widget that had the focus (a grid on its
// current cell, a sheet's field) takes it. Without this a closed dialog left no window
// active, or another one, and the keys went nowhere until the user clicked.
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <vector>

namespace cartera::qt {

class FocusReturn : public QObject {
  public:
    // Watches every window of the application while it lives.
    explicit FocusReturn(QObject* parent = nullptr);
    ~FocusReturn() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Opened {
        QPointer<QWidget> dialog;
        QPointer<QWidget> focus;  // null: nothing had the focus
    };
    std::vector<Opened> m_open;  // the modal windows showing, innermost last
};

}  // namespace cartera::qt
