#pragma once
// The other-operations sheet: impositions, refunds, deposits, expenses and dividends, one
// page each. OK records one movement from the page showing; a movement being modified
// opens the sheet on the page of its type.
#include <ctime>
#include <string>

#include "dialogs/property_page_base.h"

class COrderCartera;
class CSistemaCartera;
class CDateField;
class CurrencyFields;
class CNumEdit;
class QComboBox;
class QLineEdit;
class QPushButton;

// The currency and rate fields' control ids, the same on every page of the sheet.
inline constexpr int kCurrencyFieldId = 1112;
inline constexpr int kRateFieldId = 1113;

// A page with a date, a description, an amount, its currency and rate, recording a movement
// of one type.
class CDlgOperacionSimple : public CPropertyPageBase {
    Q_OBJECT

  public:
    struct Ids {
        int dialog, type, date, text, amount;
    };
    // movement: the movement to modify, or null; neither owned.
    CDlgOperacionSimple(const Ids& ids, CSistemaCartera* ledger, COrderCartera* movement);

    bool OnOK() override;
    bool CanApply() const override;
    // A date, and an amount that is a number within the bounds of entry (below 0 too).
    std::string WhyNotApply() const override;
    QWidget* FirstField() const override;
    int Type() const { return m_ids.type; }

    CDateField* DatePicker() const { return m_date; }
    QLineEdit* Description() const { return m_description; }
    CNumEdit* Amount() const { return m_amount; }
    CurrencyFields* Currency() const { return m_currencyFields; }

  private:
    Ids m_ids;
    CSistemaCartera* m_pSistema;
    COrderCartera* m_pOrden;
    CDateField* m_date;
    QLineEdit* m_description;
    CNumEdit* m_amount;
    CurrencyFields* m_currencyFields;
};

class CDlgImposicion : public CDlgOperacionSimple {
  public:
    CDlgImposicion(CSistemaCartera* ledger, COrderCartera* movement);
};
class CDlgReintegro : public CDlgOperacionSimple {
  public:
    CDlgReintegro(CSistemaCartera* ledger, COrderCartera* movement);
};
class CDlgIngreso : public CDlgOperacionSimple {
  public:
    CDlgIngreso(CSistemaCartera* ledger, COrderCartera* movement);
};
class CDlgGasto : public CDlgOperacionSimple {
  public:
    CDlgGasto(CSistemaCartera* ledger, COrderCartera* movement);
};

class CDlgDividendos : public CPropertyPageBase {
    Q_OBJECT

  public:
    enum {
        IDD = 3376,
        IDC_DATE = 1069,
        IDC_SYMBOL = 1070,
        IDC_SEARCH = 1037,
        IDC_GROUP = 1071,
        IDC_CONTRACTS = 1073,
        IDC_PER_SHARE = 1074,
        IDC_TOTAL = 1072,
    };
    CDlgDividendos(CSistemaCartera* ledger, COrderCartera* movement);

    bool OnOK() override;
    bool CanApply() const override;
    // A date, shares from 1 (a dividend on none would be no dividend), a dividend per share
    // from 0, and a total within the bounds of entry.
    std::string WhyNotApply() const override;
    QWidget* FirstField() const override;
    // "...": the host's symbol search; the chosen security becomes the box's selection.
    void OnSearch();
    // A security chosen: the shares the portfolio holds of it fill the shares box, unless
    // the user typed some or a dividend is being modified.
    void OnSymbolChanged() override;

    CDateField* DatePicker() const { return m_date; }
    CPortfolioCBox* SymbolBox() const { return m_pSymbolBox; }
    QComboBox* Group() const { return m_group; }
    CNumEdit* Contracts() const { return m_contracts; }
    CNumEdit* PerShare() const { return m_perShare; }
    CNumEdit* Total() const { return m_total; }
    CurrencyFields* Currency() const { return m_currencyFields; }

  private:
    // The total follows shares times dividend per share, blank while either is refused.
    void UpdateTotal();
    // The dividend OK would record.
    COrderCartera Dividend() const;

    CSistemaCartera* m_pSistema;
    COrderCartera* m_pOrden;
    CDateField* m_date;
    QPushButton* m_search;
    QComboBox* m_group;
    CNumEdit* m_contracts;
    CNumEdit* m_perShare;
    CNumEdit* m_total;
    CurrencyFields* m_currencyFields;
};

class CSheetVarios : public CPropertySheetBase {
    Q_OBJECT

  public:
    CSheetVarios(const std::string& caption, QWidget* parent = nullptr, int firstPage = 0);

    // Set by the caller before Run; neither owned.
    CSistemaCartera* m_pSistema = nullptr;
    COrderCartera* m_pOrden = nullptr;

    // Creates the five pages and runs the sheet modally; the ledger shows the outcome.
    void Run();
    // The sheet index of the page for a movement type 1 to 5; -1 for other types.
    static int PageOfType(int type);
};
