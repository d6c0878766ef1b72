#include "window/statistics_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <algorithm>
#include <map>
#include <sstream>

#include "analytics/tables.h"
#include "host/dates.h"
#include "host/env.h"
#include "host/qt/save_dialog.h"
#include "model/sistema.h"
#include "window/equity_charts.h"
#include "window/statistics_text.h"

namespace cartera::window {
namespace {

std::map<CSistemaCartera*, QPointer<StatisticsWindow>>& OpenWindows() {
    static std::map<CSistemaCartera*, QPointer<StatisticsWindow>> windows;
    return windows;
}

QDate ToQDate(int32_t dateNumber) { return QDate(1970, 1, 1).addDays(dateNumber); }
int32_t FromQDate(const QDate& d) { return static_cast<int32_t>(QDate(1970, 1, 1).daysTo(d)); }

std::vector<std::string> SplitList(const QString& text) {
    std::vector<std::string> out;
    for (const QString& part : text.split(',', Qt::SkipEmptyParts))
        if (!part.trimmed().isEmpty()) out.push_back(part.trimmed().toStdString());
    return out;
}

QTableWidget* MakeTable(QWidget* parent) {
    auto* t = new QTableWidget(parent);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->verticalHeader()->hide();
    t->horizontalHeader()->setStretchLastSection(true);
    t->verticalHeader()->setDefaultSectionSize(t->fontMetrics().height() + 8);
    return t;
}

QSpinBox* MakeYear(QWidget* parent) {
    auto* s = new QSpinBox(parent);
    s->setRange(1900, 2999);
    s->setValue(QDate::currentDate().year());
    return s;
}

}  // namespace

StatisticsWindow::StatisticsWindow(CSistemaCartera* ledger, QWidget* parent)
    : QWidget(parent, Qt::Window), m_ledger(ledger) {
    setObjectName("statistics");
    resize(900, 640);
    auto* layout = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    BuildFilterBar(bar);
    layout->addLayout(bar);

    m_pages = new QTabWidget(this);
    layout->addWidget(m_pages, 1);
    m_summary = MakeTable(this);
    m_pages->addTab(m_summary, {});

    auto* equityPage = new QWidget(this);
    auto* equityLayout = new QVBoxLayout(equityPage);
    m_withCapital = new QCheckBox(equityPage);
    m_equity = new EquityCharts(equityPage);
    equityLayout->addWidget(m_withCapital);
    equityLayout->addWidget(m_equity, 1);
    m_pages->addTab(equityPage, {});

    auto* calendarPage = new QWidget(this);
    auto* calendarLayout = new QVBoxLayout(calendarPage);
    auto* calendarBar = new QHBoxLayout;
    m_calendarYear = MakeYear(calendarPage);
    m_month = new QComboBox(calendarPage);
    m_calendarTotals = new QLabel(calendarPage);
    calendarBar->addWidget(m_calendarYear);
    calendarBar->addWidget(m_month);
    calendarBar->addWidget(m_calendarTotals, 1);
    m_calendar = new QTableWidget(6, 7, calendarPage);
    m_calendar->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_calendar->verticalHeader()->hide();
    m_calendar->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_calendar->verticalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    calendarLayout->addLayout(calendarBar);
    calendarLayout->addWidget(m_calendar, 1);
    m_pages->addTab(calendarPage, {});

    auto* taxPage = new QWidget(this);
    auto* taxLayout = new QVBoxLayout(taxPage);
    auto* taxBar = new QHBoxLayout;
    m_taxYear = MakeYear(taxPage);
    m_termDays = new QSpinBox(taxPage);
    m_termDays->setRange(0, 100000);
    m_termDays->setValue(365);
    auto* termLabel = new QLabel(taxPage);
    m_labels.push_back(termLabel);
    m_labelIds.push_back(kTextTermDays);
    m_taxTotals = new QLabel(taxPage);
    taxBar->addWidget(m_taxYear);
    taxBar->addWidget(termLabel);
    taxBar->addWidget(m_termDays);
    taxBar->addWidget(m_taxTotals, 1);
    m_tax = new QTableView(taxPage);
    m_taxModel = AttachTaxTradesModel(m_tax);
    m_tax->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tax->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tax->verticalHeader()->hide();
    m_tax->horizontalHeader()->setStretchLastSection(true);
    m_cash = MakeTable(taxPage);
    taxLayout->addLayout(taxBar);
    taxLayout->addWidget(m_tax, 3);
    taxLayout->addWidget(m_cash, 1);
    m_pages->addTab(taxPage, {});

    auto* byPage = new QWidget(this);
    auto* byLayout = new QVBoxLayout(byPage);
    m_by = new QComboBox(byPage);
    m_breakdown = MakeTable(byPage);
    byLayout->addWidget(m_by, 0, Qt::AlignLeft);
    byLayout->addWidget(m_breakdown, 1);
    m_pages->addTab(byPage, {});

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (int id : {kTextPrint, kTextExportPdf, kTextExportCsv, kTextClose}) {
        auto* b = new QPushButton(this);
        b->setObjectName(QString("button%1").arg(id));
        buttons->addWidget(b);
        m_buttons.push_back(b);
        m_buttonIds.push_back(id);
        connect(b, &QPushButton::clicked, this, [this, id] {
            if (id == kTextPrint) OnPrint();
            if (id == kTextExportPdf || id == kTextExportCsv) OnExport(id == kTextExportPdf);
            if (id == kTextClose) close();
        });
    }
    layout->addLayout(buttons);

    Retranslate();
    for (QSpinBox* s : {m_calendarYear, m_taxYear, m_termDays})
        connect(s, &QSpinBox::valueChanged, this, [this] { Recompute(); });
    for (QComboBox* c : {m_month, m_by, m_side})
        connect(c, &QComboBox::currentIndexChanged, this, [this] { Recompute(); });
    connect(m_withCapital, &QCheckBox::toggled, this, [this] { Recompute(); });
    ChooseDefaultPeriod();
    Recompute();
}

StatisticsWindow::~StatisticsWindow() = default;

void StatisticsWindow::BuildFilterBar(QHBoxLayout* bar) {
    m_useFrom = new QCheckBox(this);
    m_useTo = new QCheckBox(this);
    m_from = new QDateEdit(this);
    m_to = new QDateEdit(this);
    for (QDateEdit* d : {m_from, m_to}) {
        d->setCalendarPopup(true);
        d->setDisplayFormat(QString::fromLatin1(DateFieldFormat()));
        d->setDate(QDate::currentDate());
        d->setEnabled(false);
    }
    m_codes = new QLineEdit(this);
    m_groups = new QLineEdit(this);
    m_codes->setObjectName("codes");
    m_groups->setObjectName("groups");
    m_side = new QComboBox(this);
    m_side->setObjectName("side");
    auto* codesLabel = new QLabel(this);
    auto* groupsLabel = new QLabel(this);
    auto* sideLabel = new QLabel(this);
    m_labels.insert(m_labels.end(), {codesLabel, groupsLabel, sideLabel});
    m_labelIds.insert(m_labelIds.end(), {kTextCodes, kTextGroups, kTextSide});
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_useFrom, m_from, m_useTo, m_to, codesLabel, m_codes,
                                         groupsLabel, m_groups, sideLabel, m_side})
        bar->addWidget(w);
    for (auto [use, edit] : {std::pair{m_useFrom, m_from}, std::pair{m_useTo, m_to}}) {
        connect(use, &QCheckBox::toggled, edit, &QWidget::setEnabled);
        connect(use, &QCheckBox::toggled, this, [this] { Recompute(); });
        connect(edit, &QDateEdit::dateChanged, this, [this] { Recompute(); });
    }
    for (QLineEdit* e : {m_codes, m_groups})
        connect(e, &QLineEdit::editingFinished, this, [this] { Recompute(); });
}

void StatisticsWindow::ReadFilter() {
    m_filter = {};
    if (m_useFrom->isChecked()) m_filter.from = FromQDate(m_from->date());
    if (m_useTo->isChecked()) m_filter.to = FromQDate(m_to->date());
    m_filter.codes = SplitList(m_codes->text());
    m_filter.groups = SplitList(m_groups->text());
    if (m_side->currentIndex() > 0) m_filter.isLong = m_side->currentIndex() == 1;
}

// The calendar and the tax year start at the last exit, where the trader last traded.
void StatisticsWindow::ChooseDefaultPeriod() {
    auto trades = analytics::CollectClosedTrades(*m_ledger, {});
    if (trades.empty()) return;
    QDate last = ToQDate(trades.back().exitDate);
    QSignalBlocker a(m_calendarYear), b(m_month), c(m_taxYear), d(m_from), e(m_to);
    m_from->setDate(ToQDate(trades.front().exitDate));
    m_to->setDate(last);
    m_calendarYear->setValue(last.year());
    m_month->setCurrentIndex(last.month() - 1);
    m_taxYear->setValue(last.year());
}

void StatisticsWindow::Recompute() {
    ReadFilter();
    m_trades = analytics::CollectClosedTrades(*m_ledger, m_filter);
    m_stats = analytics::ComputeStats(m_trades);
    m_curve =
        analytics::EquityCurve(m_trades, m_withCapital->isChecked() ? m_ledger : nullptr, m_filter);
    m_tally = analytics::BuildCalendar(m_trades);
    m_taxReport = analytics::BuildTaxReport(m_trades, *m_ledger, m_filter, m_taxYear->value(),
                                            m_termDays->value());
    m_rows = analytics::BuildBreakdown(
        m_trades, static_cast<analytics::BreakdownBy>(std::max(0, m_by->currentIndex())));
    FillSummary();
    m_equity->SetCurve(m_curve);
    FillCalendar();
    FillTax();
    FillBreakdown();
}

cartera::Status StatisticsWindow::ExportCsv(const std::string& path) const {
    analytics::Table table;
    switch (m_pages->currentIndex()) {
        case kSummary:
            table = analytics::StatsTable(m_stats);
            break;
        case kEquity:
            table = analytics::EquityTable(m_curve);
            break;
        case kCalendar:
            table = analytics::CalendarTable(m_tally.days);
            break;
        case kTax:
            table = analytics::TaxTradesTable(m_taxReport);
            break;
        default:
            table = analytics::BreakdownTable(m_rows, "key");
            break;
    }
    // Written as the command line's export is: atomically, so a failed export never leaves
    // a cut file in place of a good one.
    std::ostringstream out;
    analytics::WriteCsv(out, table);
    cartera::Status written = m_ledger->GetContext().env->WriteResults(path, out.str());
    if (written.ok()) return written;
    return cartera::Status(written.kind(), Text(kTextCannotWrite) + "\n" + written.message());
}

cartera::Status StatisticsWindow::ExportPdf(const std::string& path) {
    QPrinter printer(QPrinter::ScreenResolution);  // the page is drawn as on screen
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(path));
    printer.setPageOrientation(QPageLayout::Landscape);
    if (Draw(printer)) return {};
    return cartera::Status(cartera::ErrorKind::io, Text(kTextCannotWrite) + "\n" + path);
}

// The shown page, scaled to the paper, under the window's title.
bool StatisticsWindow::Draw(QPrinter& printer) {
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    QWidget* page = m_pages->currentWidget();
    QRect paper = painter.viewport();
    painter.drawText(paper.adjusted(0, 0, 0, -paper.height() * 94 / 100),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     windowTitle() + " - " + m_pages->tabText(m_pages->currentIndex()));
    double scale = std::min(paper.width() / double(page->width()),
                            paper.height() * 0.92 / double(page->height()));
    painter.translate(0, paper.height() * 0.07);
    painter.scale(scale, scale);
    page->render(&painter);
    return painter.end();
}

void StatisticsWindow::OnPrint() {
    QPrinter printer(QPrinter::ScreenResolution);  // the page is drawn as on screen
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted) Draw(printer);
}

void StatisticsWindow::OnExport(bool pdf) {
    QString caption = QString::fromStdString(Text(pdf ? kTextExportPdf : kTextExportCsv));
    caption.remove(QChar(0x2026));
    QString path = qt::AskSavePath(this, caption, {}, pdf ? "pdf" : "csv");
    if (path.isEmpty()) return;
    cartera::Status exported = pdf ? ExportPdf(path.toStdString()) : ExportCsv(path.toStdString());
    if (!exported.ok())
        QMessageBox::warning(this, windowTitle(), QString::fromStdString(exported.message()));
}

void PlaceBeside(QWidget* window, const QWidget* main) {
    const QScreen* screen = main->screen();
    const QRect room = screen ? screen->availableGeometry() : main->frameGeometry();
    const QRect beside = main->frameGeometry();
    const QSize size = window->size().boundedTo(room.size());
    // Right of the main window where the screen has room, else against the screen's right.
    int x = beside.right() + 1;
    if (x + size.width() > room.right() + 1)
        x = std::max(room.left(), room.right() + 1 - size.width());
    const int y = std::clamp(beside.top() + 40, room.top(),
                             std::max(room.top(), room.bottom() + 1 - size.height()));
    window->resize(size);
    window->move(x, y);
}

StatisticsWindow* OpenStatistics(CSistemaCartera* ledger, QWidget* parent) {
    QPointer<StatisticsWindow>& window = OpenWindows()[ledger];
    if (!window) {
        window = new StatisticsWindow(ledger, parent);
        if (parent) PlaceBeside(window, parent->window());
    }
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

void LedgerClosing(CSistemaCartera* ledger) {
    auto it = OpenWindows().find(ledger);
    if (it == OpenWindows().end()) return;
    delete it->second.data();
    OpenWindows().erase(it);
}

void LedgerChanged(CSistemaCartera* ledger) {
    auto it = OpenWindows().find(ledger);
    if (it == OpenWindows().end()) return;
    if (!it->second) {
        OpenWindows().erase(it);
        return;
    }
    it->second->ScheduleRecompute();
}

}  // namespace cartera::window
