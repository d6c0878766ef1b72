#pragma once
// The corporate-action sheet: one page recording a split or reverse split, a symbol or ISIN
// change, a stock dividend, a spin-off or a merger for stock (model/action.h). The ratio is
// typed as two numbers with "new for" and "old" between them, so it cannot be read
// backwards, and the page shows the position before the action and after it.
#include <optional>
#include <string>

#include "dialogs/property_page_base.h"

class COrderCartera;
class CSistemaCartera;
class CNumEdit;
class QComboBox;
class QLabel;
class QLineEdit;

class CDlgAccion : public CPropertyPageBase {
    Q_OBJECT

  public:
    enum {
        IDD = 3370,
        IDC_DATE = 1101,
        IDC_KIND = 1102,
        IDC_SECURITY = 1103,
        IDC_NEW = 1105,
        IDC_OLD = 1106,
        IDC_CODE = 1107,
        IDC_COST = 1108,
        IDC_SHARES = 1109,
        IDC_CASH = 1110,
        IDC_PREVIEW = 1111,
    };
    // movement: the action to modify, or null; neither owned. The securities offered are
    // those the portfolio holds.
    CDlgAccion(CSistemaCartera* ledger, COrderCartera* movement);

    bool OnOK() override;
    bool CanApply() const override;
    // The first field the action needs that is missing or refused, named by its label.
    std::string WhyNotApply() const override;
    QWidget* FirstField() const override;

    CDateField* DatePicker() const { return m_date; }
    QComboBox* Kind() const { return m_kind; }  // in the order of the types, from split
    QComboBox* Security() const { return m_security; }
    CNumEdit* RatioNew() const { return m_new; }
    CNumEdit* RatioOld() const { return m_old; }
    QLineEdit* NewCode() const { return m_code; }
    CNumEdit* CostShare() const { return m_cost; }
    CNumEdit* Shares() const { return m_shares; }
    CNumEdit* CashInLieu() const { return m_cash; }
    QLabel* Preview() const { return m_preview; }

  private:
    // The action OK would record, or why it cannot (in the interface language).
    std::optional<COrderCartera> Action(std::string* why) const;
    // The fields the kind takes enabled, the preview of the action, and OK.
    void Update();

    CSistemaCartera* m_pSistema;
    COrderCartera* m_pOrden;
    CDateField* m_date;
    QComboBox* m_kind;
    QComboBox* m_security;
    CNumEdit* m_new;
    CNumEdit* m_old;
    QLineEdit* m_code;
    CNumEdit* m_cost;
    CNumEdit* m_shares;
    CNumEdit* m_cash;
    QLabel* m_preview;
};

class CSheetAccion : public CPropertySheetBase {
    Q_OBJECT

  public:
    explicit CSheetAccion(const std::string& caption, QWidget* parent = nullptr);

    // Set by the caller before Run; neither owned.
    CSistemaCartera* m_pSistema = nullptr;
    COrderCartera* m_pOrden = nullptr;

    // Creates the page and runs the sheet modally; the ledger shows the outcome.
    void Run();
    CDlgAccion* Page() const;
};
