#include "dialogs/dlg_nombre_cartera.h"

#include <QLabel>
#include <QLineEdit>

#include "dialogs/currency_dialog.h"
#include "framework/dialog_template.h"

namespace {
CDlgNombreCartera::Runner& ModalRunner() {
    static CDlgNombreCartera::Runner runner;
    return runner;
}
}  // namespace

CDlgNombreCartera::CDlgNombreCartera(QWidget* parent)
    : CDlgNombreBase(IDD, IDC_EDIT_PORTFOLIO_NAME, parent) {
    const cartera::ui::DialogTemplate* t = cartera::ui::FindDialogTemplate(IDD);
    const cartera::ui::DialogControl* label = t ? t->Find(IDC_CURRENCY_LABEL) : nullptr;
    const cartera::ui::DialogControl* edit = t ? t->Find(IDC_CURRENCY) : nullptr;
    m_currencyEdit = new QLineEdit(this);
    m_currencyEdit->setMaxLength(3);
    // After the name in the tab order, before OK.
    setTabOrder(NameEdit(), m_currencyEdit);
    if (!label || !edit) return;
    auto* text = new QLabel(QString::fromStdString(label->Text()), this);
    text->setGeometry(cartera::ui::DialogUnitsToPixels(label->units, font()));
    text->setBuddy(m_currencyEdit);
    m_currencyEdit->setGeometry(cartera::ui::DialogUnitsToPixels(edit->units, font()));
}

void CDlgNombreCartera::accept() {
    std::optional<std::string> code = cartera::TypedCurrency(m_currencyEdit);
    if (!code) return;
    m_currency = *code;
    CDlgNombreBase::accept();
}

int CDlgNombreCartera::DoModal() { return ModalRunner() ? ModalRunner()(*this) : RunModal(); }

CDlgNombreCartera::Runner CDlgNombreCartera::SetRunner(Runner runner) {
    Runner previous = std::move(ModalRunner());
    ModalRunner() = std::move(runner);
    return previous;
}
