#pragma once
// The portfolio name dialog (template 3366): the new portfolio's name, and its currency
// (optional: three letters, results are then given in it).
#include <functional>
#include <string>

#include "dialogs/dlg_nombre_base.h"

class CDlgNombreCartera : public CDlgNombreBase {
    Q_OBJECT

  public:
    enum {
        IDD = 3366,
        IDC_EDIT_PORTFOLIO_NAME = 1050,
        IDC_CURRENCY = 1112,
        IDC_CURRENCY_LABEL = 1113
    };

    explicit CDlgNombreCartera(QWidget* parent = nullptr);

    // The currency in capitals, read when the dialog closes with OK; empty for none.
    const std::string& GetCurrency() const { return m_currency; }
    QLineEdit* CurrencyEdit() const { return m_currencyEdit; }

    // A currency that is not a three-letter code is refused with the reason; else the name
    // is checked as every name is.
    void accept() override;

    // Shows the dialog modally: IDOK (1) or IDCANCEL (2). With a runner installed the runner
    // answers instead (tests drive the dialog's widgets through it).
    int DoModal();
    using Runner = std::function<int(CDlgNombreCartera& dialog)>;
    // Installs the runner (empty restores the modal loop) and returns the previous one.
    static Runner SetRunner(Runner runner);

  private:
    QLineEdit* m_currencyEdit = nullptr;
    std::string m_currency;
};
