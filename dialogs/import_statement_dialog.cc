#include "dialogs/import_statement_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "host/dates.h"
#include "host/env.h"
#include "host/error.h"
#include "host/folders.h"
#include "host/numbers.h"
#include "host/strings.h"
#include "model/sistema.h"
#include "statements/detect.h"
#include "statements/reading.h"

namespace cartera::dialogs {

namespace {

enum Text {
    kMenu = 40140,
    kTitle = 40141,
    kFormat = 40142,
    kAccount = 40143,
    kCurrency = 40144,
    kAdd = 40146,
    kRefused = 40147,
    kFirstHeading = 40148,  // What, Line, Date, Type, Symbol, Quantity, Price, Why
    kSummary = 40156,
    kImport = 40157,
    kCannotRead = 40158,
    kFilter = 40159,
    kCurrencyOf = 43033,     // "Portfolio currency: %1"
    kCurrencyNone = 43034,   // "Portfolio currency: none yet; this import makes it %1"
    kCurrencyOther = 43035,  // "%1 is not the portfolio's currency %2: ..."
};
constexpr int kColumns = 8;

QString Q(const std::string& s) { return QString::fromStdString(s); }
QString T(int id) { return Q(::LS(id)); }
QString T(int id, std::initializer_list<std::string_view> values) {
    return Q(FillText(::LS(id), values));
}

// The distinct non-empty values of a row field, in the order the statement shows them.
QStringList Distinct(const statements::Statement& s, std::string statements::StatementRow::*f) {
    QStringList out;
    for (const auto& row : s.rows) {
        QString v = Q(row.*f);
        if (!v.isEmpty() && !out.contains(v)) out << v;
    }
    return out;
}

// A choice the statement needs only when it holds several values: shown with them then.
void Offer(QComboBox* box, const QStringList& values) {
    QSignalBlocker block(box);
    box->clear();
    box->addItems(values);
    bool needed = values.size() > 1;
    box->setVisible(needed);
    if (auto* form = qobject_cast<QFormLayout*>(box->parentWidget()->layout()))
        if (QWidget* label = form->labelForField(box)) label->setVisible(needed);
}

// The portfolios' currencies, one "portfolio file<TAB>currency" line each, in the home folder.
std::string CurrencyFile(const Context& ctx) { return ctx.home + "/portfolio-currencies.tsv"; }

std::string KnownCurrency(const Context& ctx, const std::string& portfolio) {
    std::string text, found;
    if (portfolio.empty() || !ctx.env->ReadFile(CurrencyFile(ctx), &text).ok()) return {};
    ForEachTsvLine(text, [&](const std::vector<std::string_view>& f) {
        if (f.size() == 2 && f[0] == portfolio) found = std::string(f[1]);
    });
    return found;
}

void RememberCurrency(const Context& ctx, const std::string& portfolio,
                      const std::string& currency) {
    std::string text;
    (void)ctx.env->ReadFile(CurrencyFile(ctx), &text);  // none yet: the first
    text += portfolio + '\t' + currency + '\n';
    (void)ctx.env->WriteFileAtomic(CurrencyFile(ctx), text);  // a note: best effort
}

}  // namespace

ImportStatementDialog::ImportStatementDialog(CSistemaCartera& ledger, const std::string& path,
                                             QWidget* parent, const std::string& portfolio)
    : QDialog(parent),
      m_ledger(ledger),
      m_path(path),
      m_portfolio(portfolio),
      m_currencyKnown(KnownCurrency(ledger.GetContext(), portfolio)) {
    BuildWidgets();
    Status status = ledger.GetContext().env->ReadFileBytes(path, &m_bytes);
    bool read = status.ok();
    if (!read) m_problem = FillText(::LS(kCannotRead), {path, status.message()});
    QString detected =
        Q(statements::DetectFormat(m_bytes.View().substr(0, statements::kDetectBytes)));
    {
        QSignalBlocker block(m_format);
        m_format->setCurrentIndex(std::max(0, m_format->findData(detected)));
    }
    if (read) Read();
    connect(m_format, &QComboBox::currentIndexChanged, this, [this] { Read(); });
    connect(m_account, &QComboBox::currentIndexChanged, this, [this] { Replan(); });
    connect(m_currency, &QComboBox::currentIndexChanged, this, [this] { Replan(); });
    FillPreview();
}

ImportStatementDialog::~ImportStatementDialog() = default;

void ImportStatementDialog::BuildWidgets() {
    setWindowTitle(T(kTitle, {QFileInfo(Q(m_path)).fileName().toStdString()}));
    auto* choices = new QWidget(this);
    auto* form = new QFormLayout(choices);
    m_format = new QComboBox(choices);
    // Every format but the mapping's, which needs a mapping file the command line names.
    for (const statements::FormatEntry& f : statements::Formats())
        if (f.name != "map")
            m_format->addItem(Q(std::string(f.description)), Q(std::string(f.name)));
    m_account = new QComboBox(choices);
    m_currency = new QComboBox(choices);
    form->addRow(T(kFormat), m_format);
    form->addRow(T(kAccount), m_account);
    form->addRow(T(kCurrency), m_currency);
    m_currencyNote = new QLabel(choices);
    m_currencyNote->setWordWrap(true);
    form->addRow(m_currencyNote);

    m_preview = new QTableWidget(0, kColumns, this);
    QStringList headings;
    for (int c = 0; c < kColumns; ++c) headings << T(kFirstHeading + c);
    m_preview->setHorizontalHeaderLabels(headings);
    m_preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_preview->verticalHeader()->hide();
    m_preview->horizontalHeader()->setStretchLastSection(true);
    m_summary = new QLabel(this);
    m_problemLabel = new QLabel(this);
    m_problemLabel->setWordWrap(true);
    m_problemLabel->setStyleSheet(QStringLiteral("color: #b00020"));
    m_notes = new QPlainTextEdit(this);
    m_notes->setReadOnly(true);
    m_notes->setMaximumHeight(90);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    m_import = buttons->addButton(T(kImport), QDialogButtonBox::AcceptRole);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { Import(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(choices);
    layout->addWidget(m_preview, 1);
    layout->addWidget(m_summary);
    layout->addWidget(m_problemLabel);
    layout->addWidget(m_notes);
    layout->addWidget(buttons);
    resize(760, 480);
}

void ImportStatementDialog::Read() {
    m_statement.reset();
    m_problem.clear();
    const std::string format = m_format->currentData().toString().toStdString();
    ViewInput in(m_bytes.View());
    statements::ReadOptions options;
    options.ledger = &m_ledger;  // its schedules price the buys and sells of Cartera's CSV
    try {
        m_statement = statements::ReadStatement(in, format, options);
    } catch (const Error& e) {
        m_problem = e.what();
    }
    if (m_bytes.CutShort()) {  // what was read past the cut was zeros, not the file
        m_statement.reset();
        m_problem = m_path + ": the file was cut short while it was read";
    }
    FillChoices();
    Replan();
}

void ImportStatementDialog::FillChoices() {
    statements::Statement none;
    const statements::Statement& s = m_statement ? *m_statement : none;
    Offer(m_account, Distinct(s, &statements::StatementRow::account));
    Offer(m_currency, Distinct(s, &statements::StatementRow::currency));
    // Among several, the portfolio's own currency is the one offered first.
    if (int own = m_currency->findText(Q(m_currencyKnown)); own > 0) {
        QSignalBlocker block(m_currency);
        m_currency->setCurrentIndex(own);
    }
}

void ImportStatementDialog::Replan() {
    m_plan.reset();
    if (m_statement) {
        m_problem.clear();
        statements::ImportOptions options;
        options.account = m_account->currentText().toStdString();
        options.currency = m_currency->currentText().toStdString();
        try {
            m_plan = statements::PlanImport(*m_statement, m_ledger, options);
        } catch (const Error& e) {
            m_problem = e.what();
        }
    }
    FillPreview();
}

void ImportStatementDialog::FillPreview() {
    m_preview->setRowCount(0);
    auto addRow = [this](const QStringList& cells) {
        int r = m_preview->rowCount();
        m_preview->insertRow(r);
        for (int c = 0; c < cells.size(); ++c)
            m_preview->setItem(r, c, new QTableWidgetItem(cells[c]));
    };
    QStringList notes;
    if (m_plan) {
        for (size_t i = 0; i < m_plan->added.size(); ++i) {
            const COrderCartera& m = m_plan->added[i];
            const bool lined = i < m_plan->addedLines.size();
            addRow({T(kAdd), lined ? QString::number(m_plan->addedLines[i]) : QString(),
                    Q(DateText(m.date)), Q(::LS(MovementTypeLetterId(m.type))),
                    Q(std::string(m.symbol)), Q(QuantityText(m.contracts)),
                    Q(EditNumberText(m.price))});
        }
        for (const statements::RefusedRow& r : m_plan->refused)
            addRow({T(kRefused), QString::number(r.line), {}, {}, {}, {}, {}, Q(r.why)});
        for (const std::string& left : m_plan->leftOut) notes << Q(left);
        for (const statements::StatementNote& n : m_plan->notes)
            notes << QStringLiteral("line %1: %2").arg(n.line).arg(Q(n.text));
        m_summary->setText(
            T(kSummary, {std::to_string(m_plan->added.size()), std::to_string(m_plan->skipped),
                         std::to_string(m_plan->refused.size())}));
    } else {
        m_summary->clear();
    }
    m_preview->resizeColumnsToContents();
    NoteCurrency();
    m_problemLabel->setText(Problem());
    m_problemLabel->setVisible(!m_problem.empty());
    m_notes->setPlainText(notes.join('\n'));
    m_notes->setVisible(!notes.isEmpty());
    m_import->setEnabled(m_plan && !(m_plan->added.empty() && m_plan->withdrawn.empty()));
}

void ImportStatementDialog::NoteCurrency() {
    const std::string chosen = m_currency->currentText().toStdString();
    const std::string& known = m_currencyKnown;
    const bool other = !known.empty() && !chosen.empty() && chosen != known;
    QString note;
    if (other)
        note = T(kCurrencyOther, {chosen, known});
    else if (!known.empty())
        note = T(kCurrencyOf, {known});
    else if (!chosen.empty())
        note = T(kCurrencyNone, {chosen});
    m_currencyNote->setText(note);
    m_currencyNote->setStyleSheet(other ? QStringLiteral("color: #b00020") : QString());
    m_currencyNote->setVisible(!note.isEmpty());
}

QString ImportStatementDialog::Problem() const { return Q(m_problem); }

bool ImportStatementDialog::Import() {
    if (!m_plan || (m_plan->added.empty() && m_plan->withdrawn.empty())) return false;
    m_ledger.AddOrders(m_plan->added, {}, statements::WithdrawnIds(*m_plan));
    // The first import of a currency into the portfolio makes it the portfolio's.
    if (m_currencyKnown.empty() && !m_portfolio.empty() && !m_currency->currentText().isEmpty())
        RememberCurrency(m_ledger.GetContext(), m_portfolio,
                         m_currency->currentText().toStdString());
    accept();
    return true;
}

bool ImportStatementWithDialog(CSistemaCartera& ledger, QWidget* parent,
                               const std::string& portfolio) {
    QString prompt = T(kMenu).section('\n', 0, 0);
    QString path = QFileDialog::getOpenFileName(
        parent, prompt.remove(QChar(0x2026)), Q(ledger.GetContext().home),
        T(kFilter) + QStringLiteral(" (*.csv *.xml *.txt);;* (*)"));
    if (path.isEmpty()) return false;
    ImportStatementDialog dialog(ledger, path.toStdString(), parent, portfolio);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace cartera::dialogs
