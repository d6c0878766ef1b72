#pragma once
// The portfolio frame's command bar (dialog template 3367): one push button per portfolio
// command, placed as the template says; a press sends the button's command to the frame.
#include <QWidget>
#include <functional>
#include <map>

class QPushButton;

namespace cartera::window {

class CommandBar : public QWidget {
  public:
    static constexpr int kTemplateId = 3367;

    // command(id) runs on a press of the button with that id.
    CommandBar(QWidget* parent, std::function<void(int id)> command);

    // Re-reads the buttons' texts in the interface language.
    void Retranslate();
    // Enables each button whose command enabled(id) answers true for, greys the others.
    void UpdateEnabled(const std::function<bool(int id)>& enabled);
    // The button of a command id; null when the bar has none.
    QPushButton* Button(int id) const;

  private:
    std::map<int, QPushButton*> m_buttons;
};

}  // namespace cartera::window
