// The statistics window's pages: filling them from the computed figures, and their texts.
#include <QAbstractTableModel>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "host/dates.h"
#include "host/numbers.h"
#include "host/strings.h"
#include "model/sistema.h"
#include "window/equity_charts.h"
#include "window/statistics_text.h"
#include "window/statistics_window.h"

namespace cartera::window {

std::string Text(int id) { return ::LS(id); }
QString QText(int id) { return QString::fromStdString(::LS(id)); }
QString Money(double value) { return QString::fromStdString(PonPuntos(value, 2)); }
QString Percent(double fraction) { return Money(100.0 * fraction) + " %"; }

namespace {

QLocale InterfaceLocale() {
    switch (CurrentLanguage()) {
        case Language::de:
            return QLocale(QLocale::German);
        case Language::fr:
            return QLocale(QLocale::French);
        case Language::it:
            return QLocale(QLocale::Italian);
        case Language::es:
            return QLocale(QLocale::Spanish);
        default:
            return QLocale(QLocale::English);
    }
}

// The dash of a figure that has no value (a ratio without losses, a rate without trades).
const QString kNoFigure = QString::fromUtf8("\u2013");
QString OrNone(const std::optional<double>& v) { return v ? Money(*v) : kNoFigure; }

QTableWidgetItem* Item(const QString& text, bool number = false, double sign = 0) {
    auto* item = new QTableWidgetItem(text);
    if (number) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    if (sign < 0) item->setForeground(QColor(255, 0, 0));  // debits red, as in the grids
    return item;
}

void SetHeadings(QTableWidget* t, std::initializer_list<int> ids, int rows) {
    t->clearContents();
    t->setColumnCount(static_cast<int>(ids.size()));
    t->setRowCount(rows);
    QStringList headings;
    for (int id : ids) headings << QText(id);
    t->setHorizontalHeaderLabels(headings);
}

QString DayText(int32_t dateNumber) {
    return QString::fromStdString(cartera::DateText(dateNumber));
}

QString KeyLabel(const analytics::BreakdownRow& r, analytics::BreakdownBy by) {
    using analytics::BreakdownBy;
    static const char* const kBuckets[] = {"0", "1-5", "6-20", "21-60", "61-365", "365"};
    if (r.ordinal < 0) return QText(kTextTotal);
    switch (by) {
        case BreakdownBy::side:
            return QText(r.ordinal == 0 ? kTextLong : kTextShort);
        case BreakdownBy::weekday:
            return InterfaceLocale().dayName(static_cast<int>(r.ordinal) + 1);
        case BreakdownBy::month:
            return InterfaceLocale().standaloneMonthName(static_cast<int>(r.ordinal % 100)) + " " +
                   QString::number(r.ordinal / 100);
        case BreakdownBy::holding:
            return (r.ordinal == 5 ? QText(kTextOver) + " " : QString()) + kBuckets[r.ordinal] +
                   " " + QText(kTextDays);
        default:
            return QString::fromStdString(r.key);
    }
}

}  // namespace

// The tax year's trades, formatted as the view asks for them: a year may hold hundreds of
// thousands of trades.
class TaxTradesModel : public QAbstractTableModel {
  public:
    using QAbstractTableModel::QAbstractTableModel;
    // report is not owned; null empties the view until the next Reset.
    void Reset(const analytics::TaxReport* report) {
        beginResetModel();
        m_report = report;
        endResetModel();
    }
    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() || !m_report ? 0 : static_cast<int>(m_report->trades.size());
    }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : 11; }
    QVariant headerData(int section, Qt::Orientation o, int role) const override {
        static const int kIds[] = {kTextCode,      kTextSymbol,   kTextSide,     kTextContracts,
                                   kTextEntryDate, kTextExitDate, kTextProceeds, kTextCost,
                                   kTextGain,      kTextDaysHeld, kTextTerm};
        if (o != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= 11)
            return {};
        return QText(kIds[section]);
    }
    QVariant data(const QModelIndex& index, int role) const override {
        const analytics::TaxTrade& x = m_report->trades[static_cast<size_t>(index.row())];
        const analytics::ClosedTrade& t = x.trade;
        int c = index.column();
        bool number = c == 3 || (c >= 6 && c <= 9);
        if (role == Qt::TextAlignmentRole)
            return number ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
        if (role == Qt::ForegroundRole && c == 8 && t.result < 0) return QColor(255, 0, 0);
        if (role != Qt::DisplayRole) return {};
        auto view = [](std::string_view v) {
            return QString::fromUtf8(v.data(), static_cast<qsizetype>(v.size()));
        };
        switch (c) {
            case 0:
                return view(t.code);
            case 1:
                return view(t.symbol);
            case 2:
                return QText(t.isLong ? kTextLong : kTextShort);
            case 3:
                return QString::fromStdString(QuantityText(t.contracts));
            case 4:
                return DayText(t.entryDate);
            case 5:
                return DayText(t.exitDate);
            case 6:
                return Money(t.proceeds);
            case 7:
                return Money(t.cost);
            case 8:
                return Money(t.result);
            case 9:
                return QString::number(t.daysHeld);
            default:
                return QText(x.longTerm ? kTextLongTerm : kTextShortTerm);
        }
    }

  private:
    const analytics::TaxReport* m_report = nullptr;
};

TaxTradesModel* AttachTaxTradesModel(QTableView* view) {
    auto* model = new TaxTradesModel(view);
    view->setModel(model);
    return model;
}

void StatisticsWindow::Retranslate() {
    setWindowTitle(QText(kTextTitle) + " - " +
                   QString::fromStdString(m_ledger->GetNombreCartera()));
    for (int i = 0; i < m_pages->count(); ++i) m_pages->setTabText(i, QText(kTextFirstPage + i));
    for (size_t i = 0; i < m_labels.size(); ++i) m_labels[i]->setText(QText(m_labelIds[i]));
    for (size_t i = 0; i < m_buttons.size(); ++i) m_buttons[i]->setText(QText(m_buttonIds[i]));
    m_useFrom->setText(QText(kTextFrom));
    m_useTo->setText(QText(kTextTo));
    m_withCapital->setText(QText(kTextWithCapital));
    QLocale locale = InterfaceLocale();
    auto refill = [](QComboBox* box, const QStringList& items) {
        QSignalBlocker block(box);
        int current = std::max(0, box->currentIndex());
        box->clear();
        box->addItems(items);
        box->setCurrentIndex(std::min(current, static_cast<int>(items.size()) - 1));
    };
    refill(m_side, {QText(kTextBothSides), QText(kTextLong), QText(kTextShort)});
    QStringList months;
    for (int m = 1; m <= 12; ++m) months << locale.standaloneMonthName(m);
    refill(m_month, months);
    refill(m_by, {QText(kTextGroup), QText(kTextCode), QText(kTextSide), QText(kTextWeekday),
                  QText(kTextMonth), QText(kTextHolding)});
    QStringList days;
    for (int d = 1; d <= 7; ++d) days << locale.dayName(d, QLocale::ShortFormat);
    m_calendar->setHorizontalHeaderLabels(days);
}

void StatisticsWindow::ScheduleRecompute() {
    // The trades point into the ledger's records, which the change replaced.
    m_taxModel->Reset(nullptr);
    m_trades.clear();
    m_taxReport.trades.clear();
    if (m_recomputeQueued) return;
    m_recomputeQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_recomputeQueued = false;
        Recompute();
    });
}

void StatisticsWindow::FillSummary() {
    const analytics::Stats& s = m_stats;
    // Rates and averages of no trades are no figures, not 0 (a 0 % win rate is a verdict).
    auto among = [](int64_t count, const QString& text) { return count > 0 ? text : kNoFigure; };
    QString values[] = {QString::number(s.trades),
                        QString::number(s.wins),
                        QString::number(s.losses),
                        QString::number(s.breakeven),
                        among(s.trades, Percent(s.winRate)),
                        Money(s.grossProfit),
                        Money(s.grossLoss),
                        OrNone(s.profitFactor),
                        among(s.wins, Money(s.averageWin)),
                        among(s.losses, Money(s.averageLoss)),
                        OrNone(s.payoffRatio),
                        among(s.trades, Money(s.expectancy)),
                        Money(s.largestWin),
                        Money(s.largestLoss),
                        QString::number(s.maxWinStreak),
                        QString::number(s.maxLossStreak),
                        among(s.wins, Money(s.avgDaysWinners)),
                        among(s.losses, Money(s.avgDaysLosers)),
                        Money(s.maxDrawdown),
                        OrNone(s.maxDrawdownPct)};
    SetHeadings(m_summary, {kTextFigure, kTextValue}, 20);
    for (int i = 0; i < 20; ++i) {
        m_summary->setItem(i, 0, Item(QText(kTextFirstFigure + i)));
        m_summary->setItem(i, 1, Item(values[i], true, i == 13 ? s.largestLoss : 0));
    }
    m_summary->resizeColumnToContents(0);
}

// The chosen month as a grid of weeks from Monday, each day coloured by its result.
void StatisticsWindow::FillCalendar() {
    int year = m_calendarYear->value(), month = m_month->currentIndex() + 1;
    m_calendar->clearContents();
    double largest = 0;
    for (const auto& d : m_tally.days)
        if (d.year == year && d.month == month) largest = std::max(largest, std::fabs(d.result));
    QDate first(year, month, 1);
    int offset = first.dayOfWeek() - 1;
    for (const auto& d : m_tally.days) {
        if (d.year != year || d.month != month) continue;
        int cell = offset + d.day - 1;
        auto* item = Item(QString("%1\n%2 (%3)").arg(d.day).arg(Money(d.result)).arg(d.trades));
        int alpha = largest > 0 ? 40 + static_cast<int>(180 * std::fabs(d.result) / largest) : 0;
        item->setBackground(d.result >= 0 ? QColor(30, 160, 60, alpha)
                                          : QColor(210, 40, 40, alpha));
        m_calendar->setItem(cell / 7, cell % 7, item);
    }
    for (int day = 1; day <= first.daysInMonth(); ++day) {
        int cell = offset + day - 1;
        if (!m_calendar->item(cell / 7, cell % 7))
            m_calendar->setItem(cell / 7, cell % 7, Item(QString::number(day)));
    }
    QString totals;
    for (const auto& m : m_tally.months)
        if (m.year == year && m.month == month)
            totals += QText(kTextMonth) + ": " + Money(m.result) + " (" +
                      QString::number(m.trades) + ")   ";
    for (const auto& y : m_tally.years)
        if (y.year == year)
            totals +=
                QText(kTextYear) + ": " + Money(y.result) + " (" + QString::number(y.trades) + ")";
    m_calendarTotals->setText(totals);
}

void StatisticsWindow::FillTax() {
    const analytics::TaxReport& r = m_taxReport;
    m_taxModel->Reset(&r);
    m_tax->resizeColumnsToContents();
    m_taxTotals->setText(QText(kTextGain) + ": " + Money(r.gain) + "   " + QText(kTextShortTerm) +
                         ": " + Money(r.shortTerm) + "   " + QText(kTextLongTerm) + ": " +
                         Money(r.longTerm));
    SetHeadings(m_cash, {kTextType, kTextCode, kTextSymbol, kTextAmount},
                static_cast<int>(r.dividends.size() + r.expenses.size()));
    int row = 0;
    for (auto [kind, lines] :
         {std::pair{kTextDividends, &r.dividends}, std::pair{kTextExpenses, &r.expenses}}) {
        for (const analytics::CashLine& l : *lines) {
            m_cash->setItem(row, 0, Item(QText(kind)));
            m_cash->setItem(row, 1, Item(QString::fromStdString(l.code)));
            m_cash->setItem(row, 2, Item(QString::fromStdString(l.symbol)));
            m_cash->setItem(row++, 3, Item(Money(l.amount), true, kind == kTextExpenses ? -1 : 0));
        }
    }
    m_cash->resizeColumnsToContents();
}

void StatisticsWindow::FillBreakdown() {
    auto by = static_cast<analytics::BreakdownBy>(std::max(0, m_by->currentIndex()));
    SetHeadings(m_breakdown,
                {kTextBy, kTextTrades, kTextWinRate, kTextResult, kTextProfitFactor,
                 kTextExpectancy, kTextAverageDays},
                static_cast<int>(m_rows.size()));
    m_breakdown->horizontalHeaderItem(0)->setText(m_by->currentText());
    for (int i = 0; i < static_cast<int>(m_rows.size()); ++i) {
        const analytics::BreakdownRow& r = m_rows[i];
        QTableWidgetItem* row[] = {Item(KeyLabel(r, by)),
                                   Item(QString::number(r.trades), true),
                                   Item(Percent(r.winRate), true),
                                   Item(Money(r.result), true, r.result),
                                   Item(OrNone(r.profitFactor), true),
                                   Item(Money(r.expectancy), true),
                                   Item(Money(r.avgDaysHeld), true)};
        for (int c = 0; c < 7; ++c) m_breakdown->setItem(i, c, row[c]);
    }
    m_breakdown->resizeColumnsToContents();
}

}  // namespace cartera::window
