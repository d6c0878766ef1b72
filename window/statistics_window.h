#pragma once
// The statistics window of a portfolio: the filter above five pages (summary, equity curve
// with its drawdown, calendar, tax year, breakdown), following the ledger's changes, with
// print and export to PDF and CSV.
#include <QWidget>
#include <string>
#include <vector>

#include "analytics/report.h"
#include "host/error.h"

class CSistemaCartera;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPrinter;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableView;
class QTableWidget;

namespace cartera::window {

class EquityCharts;
class TaxTradesModel;

class StatisticsWindow : public QWidget {
    Q_OBJECT
  public:
    enum Page { kSummary, kEquity, kCalendar, kTax, kBreakdown };

    // ledger is not owned; the window is a child of parent (the portfolio frame) and goes
    // with it.
    StatisticsWindow(CSistemaCartera* ledger, QWidget* parent);
    ~StatisticsWindow() override;

    // Recomputes every page from the ledger and the filter (at once; see LedgerChanged).
    void Recompute();
    void Retranslate();
    // The shown page: its table as CSV, or the page drawn into a PDF. A failure with a
    // message when the file cannot be written.
    [[nodiscard]] cartera::Status ExportCsv(const std::string& path) const;
    [[nodiscard]] cartera::Status ExportPdf(const std::string& path);

    // Recomputes once the current event is done, however often it was asked meanwhile.
    void ScheduleRecompute();

    QTabWidget* Pages() const { return m_pages; }
    const analytics::Stats& CurrentStats() const { return m_stats; }
    const analytics::TaxReport& CurrentTaxReport() const { return m_taxReport; }

  private:
    void BuildFilterBar(QHBoxLayout* bar);
    void ReadFilter();
    void ChooseDefaultPeriod();
    void FillSummary();
    void FillCalendar();
    void FillTax();
    void FillBreakdown();
    bool Draw(QPrinter& printer);
    void OnPrint();
    void OnExport(bool pdf);

    CSistemaCartera* m_ledger;
    analytics::Filter m_filter;
    std::vector<analytics::ClosedTrade> m_trades;
    analytics::Stats m_stats;
    std::vector<analytics::EquityPoint> m_curve;
    analytics::Calendar m_tally;
    analytics::TaxReport m_taxReport;
    std::vector<analytics::BreakdownRow> m_rows;
    bool m_recomputeQueued = false;
    QCheckBox *m_useFrom, *m_useTo, *m_withCapital;
    QDateEdit *m_from, *m_to;
    QLineEdit *m_codes, *m_groups;
    QComboBox *m_side, *m_month, *m_by;
    QSpinBox *m_calendarYear, *m_taxYear, *m_termDays;
    QTabWidget* m_pages;
    QTableWidget *m_summary, *m_calendar, *m_cash, *m_breakdown;
    QTableView* m_tax;
    TaxTradesModel* m_taxModel;
    QLabel *m_calendarTotals, *m_taxTotals;
    EquityCharts* m_equity;
    std::vector<QLabel*> m_labels;  // retitled by Retranslate, with their string ids
    std::vector<int> m_labelIds;
    std::vector<QPushButton*> m_buttons;
    std::vector<int> m_buttonIds;
};

// Places window beside main: to its right where the screen has room, else against the
// screen's right edge, a little below main's top; never at the screen's corner.
void PlaceBeside(QWidget* window, const QWidget* main);

// Opens the ledger's statistics window, or brings it forward when it is open.
StatisticsWindow* OpenStatistics(CSistemaCartera* ledger, QWidget* parent);
// Before the ledger goes: closes its statistics window.
void LedgerClosing(CSistemaCartera* ledger);
// After a change of the ledger's journal: its open statistics window recomputes once the
// current event is done, however many changes it brought.
void LedgerChanged(CSistemaCartera* ledger);

}  // namespace cartera::window
