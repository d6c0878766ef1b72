#pragma once
// The portfolio's currency dialog (template 3362): names the currency of a portfolio that has
// none, once; results are then given in it.
#include <functional>
#include <optional>
#include <string>

#include "dialogs/dlg_nombre_base.h"

class PortfolioCurrencyDialog : public CDlgNombreBase {
    Q_OBJECT

  public:
    enum { IDD = 3362, IDC_CURRENCY = 1112 };

    explicit PortfolioCurrencyDialog(QWidget* parent = nullptr);

    // The code in capitals, once the dialog closed with OK.
    const std::string& Code() const { return m_code; }
    // A text that is not a three-letter code is refused with the reason.
    void accept() override;

    // IDOK (1) or IDCANCEL (2); with a runner installed the runner answers instead.
    int DoModal();
    using Runner = std::function<int(PortfolioCurrencyDialog& dialog)>;
    static Runner SetRunner(Runner runner);

  private:
    std::string m_code;
};

namespace cartera {
// The code typed in capitals when it is a currency code or empty; nullopt after saying why
// it is not (the focus back on edit).
std::optional<std::string> TypedCurrency(QLineEdit* edit);
}  // namespace cartera
