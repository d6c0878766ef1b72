#pragma once
// The buy/sell sheet: one page on which the user enters a buy or a sell of a security, or
// changes one. The page shows the order (date, symbol, contracts, price, live last price,
// commission schedule, group) and a summary (gross amount, commission, total) that follows
// what is typed; OK records one movement through the ledger.
#include <ctime>
#include <optional>
#include <string>

#include "dialogs/property_page_base.h"
#include "model/entry.h"
#include "model/order.h"

class CNegocioC;
class COrderCartera;
class CSistemaCartera;
class CDateField;
class CurrencyFields;
class CNumEdit;
class QComboBox;
class QLabel;
class QPushButton;
struct CComboConsultaData;

namespace cartera::qt {
class QuoteBoxWidget;
}

class CDlgCompraAccion : public CPropertyPageBase {
    Q_OBJECT

  public:
    enum {
        IDD = 3368,
        IDC_DATE = 1039,
        IDC_SYMBOL = 1053,
        IDC_SEARCH = 1037,
        IDC_CONTRACTS = 1048,
        IDC_PRICE = 1049,
        IDC_LAST = 1078,
        IDC_SCHEDULE = 1047,
        IDC_GROUP = 1043,
        IDC_GROSS = 1054,
        IDC_COMMISSION = 1055,
        IDC_TOTAL = 1056,
        IDC_NO_SCHEDULE = 1080,
        IDC_EDIT_SCHEDULES = 1081,
        IDC_CURRENCY = 1112,
        IDC_RATE = 1113,
    };

    // buy: non-zero for a buy (a movement being modified brings its own side); trade (an
    // open trade to close or add to) and movement (one to modify) may be null. None owned.
    CDlgCompraAccion(CSistemaCartera* ledger, int buy, CNegocioC* trade, COrderCartera* movement,
                     QWidget* parent = nullptr);
    ~CDlgCompraAccion() override;

    bool OnOK() override;
    bool CanApply() const override;
    // A security chosen, a date, a number of contracts from 1, a price from 0, a commission
    // that is a number, and an order within the bounds of entry.
    std::string WhyNotApply() const override;
    // A new order larger than the open position it meets: what it opens.
    std::string Notice() const override;
    void OnSymbolChanged() override;
    QWidget* FirstField() const override;

    // Recomputes the summary boxes from contracts, price and schedule; they stay blank while
    // the contracts or the price are refused.
    void UpdateAmounts();
    // "...": the host's symbol search; the chosen security becomes the page's.
    void OnSearch();

    bool IsBuy() const { return m_nBuy != 0; }
    CDateField* DatePicker() const { return m_date; }
    CPortfolioCBox* SymbolBox() const { return m_pSymbolBox; }
    QPushButton* SearchButton() const { return m_search; }
    CNumEdit* Contracts() const { return m_contracts; }
    CNumEdit* Price() const { return m_price; }
    cartera::qt::QuoteBoxWidget* Last() const { return m_last; }
    QComboBox* Schedules() const { return m_schedules; }
    QComboBox* Group() const { return m_group; }
    CNumEdit* Gross() const { return m_gross; }
    CNumEdit* Commission() const { return m_commission; }
    CNumEdit* Total() const { return m_total; }
    // "Schedules…": shown with the line saying so while there is no commission schedule.
    QPushButton* SchedulesButton() const { return m_editSchedules; }
    // The currency and its rate, the portfolio's at first.
    CurrencyFields* Currency() const { return m_currencyFields; }

  private:
    void BuildControls();
    void OnInitDialog();
    void StartFrom(const CComboConsultaData& security, cartera::Quantity contracts, double price,
                   const std::string& group, int decimals);
    void OnLastChanged();
    // Lists the commission schedules, the default one chosen; with none, the page says the
    // commission is 0 and offers the editor.
    void FillSchedules();
    // "Schedules…": the commission editor, then the schedules it saved.
    void OnEditSchedules();
    void StartModifying(const COrderCartera& m);
    // The edit that holds a field of the movement.
    QWidget* FieldEdit(cartera::EntryField field) const;
    // The price a new price is checked against: the live last price, else the portfolio's
    // latest price of the security.
    std::optional<double> ReferencePrice(const COrderCartera& m) const;
    // A price more than 10 times away from the reference asks whether to go on.
    bool ConfirmFarPrice(const COrderCartera& m);
    // What the page holds, as the entry rules read it.
    cartera::BuySellPage PageState() const;
    // Why the contracts or the price stop OK; empty when neither does.
    std::string OrderProblem() const;
    // What entry refuses in the movement OK would record (CheckEntryBounds), in the
    // interface language; empty when nothing.
    std::string BoundsProblem() const;

    int m_nBuy;
    CNegocioC* m_pNegocio;
    COrderCartera* m_pOrden;
    std::optional<COrderCartera> m_before;  // the movement being modified, as it was
    int m_nDecimales = 2;
    CSistemaCartera* m_pSistema;
    CDateField* m_date = nullptr;
    QPushButton* m_search = nullptr;
    CNumEdit* m_contracts = nullptr;
    CNumEdit* m_price = nullptr;
    cartera::qt::QuoteBoxWidget* m_last = nullptr;
    QComboBox* m_schedules = nullptr;
    QComboBox* m_group = nullptr;
    CNumEdit* m_gross = nullptr;
    CNumEdit* m_commission = nullptr;
    CNumEdit* m_total = nullptr;
    QLabel* m_noSchedule = nullptr;
    QPushButton* m_editSchedules = nullptr;
    CurrencyFields* m_currencyFields = nullptr;
};

class CSheetCompra : public CPropertySheetBase {
    Q_OBJECT

  public:
    CSheetCompra(const std::string& caption, QWidget* parent = nullptr, int firstPage = 0);

    // Set by the caller before Run; none owned.
    CNegocioC* m_pNegocio = nullptr;
    COrderCartera* m_pOrden = nullptr;
    CSistemaCartera* m_pSistema = nullptr;
    int m_nRequestedPage = -1;

    // Creates the page and runs the sheet modally; the ledger shows the outcome.
    void Run(int buy);
    CDlgCompraAccion* Page() const { return m_page; }

  private:
    void OnInitDialog();

    CDlgCompraAccion* m_page = nullptr;
};
