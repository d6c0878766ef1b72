#include "window/command_bar.h"

#include <QPushButton>

#include "framework/dialog_template.h"
#include "framework/status.h"
#include "host/strings.h"

namespace cartera::window {

CommandBar::CommandBar(QWidget* parent, std::function<void(int id)> command) : QWidget(parent) {
    setAutoFillBackground(true);
    const ui::DialogTemplate* t = ui::FindDialogTemplate(kTemplateId);
    if (!t) return;
    for (const ui::DialogControl& c : t->controls) {
        if (c.kind != "button" && c.kind != "default") continue;
        auto* button = new QPushButton(this);
        button->setGeometry(ui::DialogUnitsToPixels(c.units, font()));
        button->setFocusPolicy(Qt::NoFocus);  // the grids keep the keyboard
        int id = c.id;
        connect(button, &QPushButton::clicked, this, [command, id] { command(id); });
        m_buttons[id] = button;
    }
    Retranslate();
}

void CommandBar::Retranslate() {
    const ui::DialogTemplate* t = ui::FindDialogTemplate(kTemplateId);
    for (auto& [id, button] : m_buttons) {
        if (const ui::DialogControl* c = t ? t->Find(id) : nullptr)
            button->setText(QString::fromStdString(c->Text()));
        std::string text = ::LS(id);
        button->setToolTip(QString::fromStdString(ui::CommandTooltip(text)));
        button->setStatusTip(QString::fromStdString(ui::CommandPrompt(text)));
    }
}

void CommandBar::UpdateEnabled(const std::function<bool(int id)>& enabled) {
    for (auto& [id, button] : m_buttons) button->setEnabled(enabled(id));
}

QPushButton* CommandBar::Button(int id) const {
    auto it = m_buttons.find(id);
    return it == m_buttons.end() ? nullptr : it->second;
}

}  // namespace cartera::window
