#include "dialogs/currency_dialog.h"

#include <QLineEdit>

#include "host/message_box.h"
#include "host/strings.h"
#include "model/extra_fields.h"

namespace {
PortfolioCurrencyDialog::Runner& ModalRunner() {
    static PortfolioCurrencyDialog::Runner runner;
    return runner;
}
}  // namespace

namespace cartera {
std::optional<std::string> TypedCurrency(QLineEdit* edit) {
    constexpr int kNotACode = 45020;  // "Currency: type a three-letter code such as EUR."
    const std::string code = edit->text().trimmed().toUpper().toStdString();
    if (code.empty() || IsCurrencyCode(code)) return code;
    AfxMessageBox(::LS(kNotACode), MB_OK | MB_ICONEXCLAMATION);
    edit->setFocus();
    return std::nullopt;
}
}  // namespace cartera

PortfolioCurrencyDialog::PortfolioCurrencyDialog(QWidget* parent)
    : CDlgNombreBase(IDD, IDC_CURRENCY, parent) {
    NameEdit()->setMaxLength(3);
}

void PortfolioCurrencyDialog::accept() {
    std::optional<std::string> code = cartera::TypedCurrency(NameEdit());
    if (!code) return;
    m_code = *code;
    CDlgNombreBase::accept();
}

int PortfolioCurrencyDialog::DoModal() { return ModalRunner() ? ModalRunner()(*this) : RunModal(); }

PortfolioCurrencyDialog::Runner PortfolioCurrencyDialog::SetRunner(Runner runner) {
    Runner previous = std::move(ModalRunner());
    ModalRunner() = std::move(runner);
    return previous;
}
