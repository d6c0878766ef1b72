#pragma once
// The property pages and sheets of the entry dialogs. A page is laid out from its dialog
// template; a sheet shows its pages as tabs above OK and Cancel (Enter is OK, Esc is
// Cancel). OK applies the page showing: the page records its movement, or refuses and the
// sheet stays open. OK is disabled while the page showing lacks a required number, and a
// line beside the buttons says why.
#include <QDialog>
#include <QWidget>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

class CDateField;
class CNumEdit;
class CPortfolioCBox;
class QLabel;
class QDateTimeEdit;
class QPushButton;
class QTabWidget;
class CPropertySheetBase;
class CSistemaCartera;
class CurrencyFields;
namespace cartera {
struct Context;
}

namespace cartera::ui {
struct DialogTemplate;
}

class CPropertyPageBase : public QWidget {
    Q_OBJECT

  public:
    // Lays nothing out yet; the derived page calls Place* while building its controls.
    CPropertyPageBase(int templateId, QWidget* parent = nullptr);

    // The caption of the page's template in the interface language.
    QString Caption() const;
    // OK pressed while the page shows: refused (the focus moved to the symbol box) while the
    // page's symbol box is searching or reports an error; otherwise OnOK.
    virtual bool OnApply();
    // Records the page's movement; false keeps the sheet open.
    virtual bool OnOK() { return true; }
    // Whether OK may be pressed now (every required number present).
    virtual bool CanApply() const { return true; }
    // Why OK cannot be pressed now, in the interface language: the field that is missing or
    // wrong, named by its label. Empty when nothing stops it; OK is enabled only then (and
    // when CanApply).
    virtual std::string WhyNotApply() const { return {}; }
    // What the sheet tells about the order OK would record, without refusing it; empty for
    // nothing to tell.
    virtual std::string Notice() const { return {}; }
    // Called by the page's symbol box after the chosen security changed.
    virtual void OnSymbolChanged() {}
    // The first control to take the focus when the page shows.
    virtual QWidget* FirstField() const { return nullptr; }

    // The page's index in its sheet; -1 outside a sheet.
    int IndexInSheet() const;

  signals:
    // A field that CanApply reads changed.
    void inputChanged();

  protected:
    // Places w at the template control id (of kind), names it by the id, and returns the
    // control's text.
    std::string Place(QWidget* w, int id, const char* kind) const;
    // Creates the template's frames and labels (in template order, before the controls, so
    // they stay beneath them). A label with a control id is named by it.
    void AddFramesAndLabels();
    // The page's date field at the template's control id; a typed text that changes it
    // changes the page's input.
    CDateField* MakeDatePicker(int id);
    // The portfolio symbol box at symbolId (kept in m_pSymbolBox, its cache file ctx's) and
    // its search button at searchId (Ctrl+F, no Tab stop), returned; both owned by the page.
    QPushButton* MakeSymbolBox(const cartera::Context& ctx, int symbolId, int searchId);
    // The currency and rate fields at the template's control ids, owned by the page; the
    // rate offered follows date. A change of either changes the page's input.
    CurrencyFields* MakeCurrencyFields(CSistemaCartera* ledger, CDateField* date, int currencyId,
                                       int rateId);
    static void SetWhen(QDateTimeEdit* picker, std::time_t when);
    // The label the page's template shows left of control id, in the interface language.
    std::string FieldLabel(int id) const;
    // Why the number in box (control id) stops OK: empty, or not a number. Empty when it
    // holds a number.
    std::string NumberProblem(const CNumEdit* box, int id) const;
    // The same for a number of contracts: also more than ten decimals, 0 or below, or above
    // the largest accepted.
    std::string ContractsProblem(const CNumEdit* box, int id) const;
    // The same for a price or an amount: also below 0 (unless negative is allowed) or above
    // the largest amount entry takes.
    std::string AmountProblem(const CNumEdit* box, int id, bool negative = false) const;
    // Why the date field (control id) holds no date; empty when it does.
    std::string DateProblem(const CDateField* field, int id) const;
    static std::time_t GetWhen(const QDateTimeEdit* picker);

    CPortfolioCBox* m_pSymbolBox = nullptr;  // not owned; set by the derived page

  private:
    const cartera::ui::DialogTemplate* m_template;
};

class CPropertySheetBase : public QDialog {
    Q_OBJECT

  public:
    explicit CPropertySheetBase(const std::string& caption, QWidget* parent = nullptr);
    ~CPropertySheetBase() override;

    // Adds page (owned) as the next tab.
    void AddPage(CPropertyPageBase* page);
    void SetActivePage(int index);
    int GetActiveIndex() const;
    CPropertyPageBase* GetActivePage() const;
    CPropertyPageBase* GetPage(int index) const;
    int GetPageCount() const;

    QPushButton* OkButton() const { return m_ok; }
    QPushButton* CancelButton() const { return m_cancel; }
    // The line beside the buttons: why OK is disabled, else the page's notice.
    QLabel* StatusLine() const { return m_status; }
    QTabWidget* Tabs() const { return m_tabs; }

    // Runs the sheet modally; with a runner installed the runner drives it instead.
    void DoModal();
    using Runner = std::function<void(CPropertySheetBase& sheet)>;
    // Installs the runner (empty restores the modal loop) and returns the previous one.
    static Runner SetRunner(Runner runner);

    // OK: applies the active page and closes when it records.
    void accept() override;

  protected:
    // Called once the pages are in, before the sheet shows: sizes it and focuses the page.
    void FinishLayout();

  private:
    void UpdateOk();

    QTabWidget* m_tabs;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    QLabel* m_status;
};
