#include "dialogs/sheet_accion.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>

#include "dialogs/date_field.h"
#include "dialogs/num_edit.h"
#include "host/dates.h"
#include "host/numbers.h"
#include "host/strings.h"
#include "model/action.h"
#include "model/sistema.h"

namespace {

// The names of the kinds, in the order of their types from kSplit.
constexpr int kKindNames = 44020;
constexpr int kKinds = kMerger - kSplit + 1;
constexpr int kPreviewText = 44010, kHoldingText = 44011, kNothingHeld = 44012;
constexpr int kTypeACode = 44013, kFromZeroToOne = 44014, kNoFraction = 44015;
constexpr int kChooseSecurity = 42200;

std::string HoldingText(const cartera::Holding& h) {
    return cartera::FillText(LS(kHoldingText),
                             {QuantityText(h.contracts), h.code, PonPuntos(h.cost, 2)});
}

}  // namespace

CDlgAccion::CDlgAccion(CSistemaCartera* ledger, COrderCartera* movement)
    : CPropertyPageBase(IDD), m_pSistema(ledger), m_pOrden(movement) {
    AddFramesAndLabels();
    m_date = MakeDatePicker(IDC_DATE);
    m_kind = new QComboBox(this);
    for (int k = 0; k < kKinds; ++k) m_kind->addItem(QString::fromStdString(LS(kKindNames + k)));
    Place(m_kind, IDC_KIND, "combo");
    m_security = new QComboBox(this);
    m_security->setEditable(true);
    Place(m_security, IDC_SECURITY, "combo");
    auto edit = [this](int id) {
        auto* e = new CNumEdit(this);
        Place(e, id, "edit");
        connect(e, &QLineEdit::textChanged, this, [this] { Update(); });
        return e;
    };
    m_new = edit(IDC_NEW);
    m_old = edit(IDC_OLD);
    m_code = new QLineEdit(this);
    Place(m_code, IDC_CODE, "edit");
    m_cost = edit(IDC_COST);
    m_shares = edit(IDC_SHARES);
    m_cash = edit(IDC_CASH);
    m_preview = findChild<QLabel*>(QString::number(IDC_PREVIEW));
    if (m_preview) m_preview->setWordWrap(true);

    // The securities held, each once, in the order of the open trades.
    std::vector<std::string> held;
    for (const CNegocioC& t : m_pSistema->GetOpenTrades())
        if (std::find(held.begin(), held.end(), t.quoteCode.str()) == held.end())
            held.push_back(t.quoteCode);
    for (const std::string& code : held) m_security->addItem(QString::fromStdString(code));
    SetWhen(m_date, cartera::Now(m_pSistema->GetContext()));
    m_new->setText("1");
    m_old->setText("1");
    if (m_pOrden) {
        const COrderCartera& m = *m_pOrden;
        m_kind->setCurrentIndex(std::clamp(m.type - kSplit, 0, kKinds - 1));
        m_security->setEditText(QString::fromStdString(m.quoteCode));
        cartera::ActionTerms terms;
        if (cartera::ParseTerms(m.terms, &terms)) {
            m_new->setText(QString::fromStdString(EditQuantityText(terms.ratioNew)));
            m_old->setText(QString::fromStdString(EditQuantityText(terms.ratioOld)));
            m_code->setText(QString::fromStdString(terms.newCode));
            m_cost->setText(QString::fromStdString(EditQuantityText(terms.costShare)));
        }
        if (m.type == kStockDividend && m.contracts > 0)
            m_shares->setText(QString::fromStdString(EditQuantityText(m.contracts)));
        if (m.type != kStockDividend && m.contracts > 0)
            m_cash->SetPlainText(cartera::FullNumberText(m.price * m.contracts.ToDouble()));
        SetWhen(m_date, CTimeLong::GetTime(m.date, m.time));
    }
    connect(m_kind, &QComboBox::currentIndexChanged, this, [this] { Update(); });
    connect(m_security, &QComboBox::editTextChanged, this, [this] { Update(); });
    connect(m_code, &QLineEdit::textChanged, this, [this] { Update(); });
    Update();
}

QWidget* CDlgAccion::FirstField() const { return m_kind; }

bool CDlgAccion::CanApply() const { return !m_security->currentText().trimmed().isEmpty(); }

std::string CDlgAccion::WhyNotApply() const {
    std::string why = DateProblem(m_date, IDC_DATE);
    if (why.empty()) Action(&why);
    return why;
}

std::optional<COrderCartera> CDlgAccion::Action(std::string* why) const {
    const int32_t type = kSplit + m_kind->currentIndex();
    const std::string code(cartera::Trim(m_security->currentText().toStdString()));
    std::string problem;
    if (code.empty()) problem = LS(kChooseSecurity);
    cartera::ActionTerms terms;
    const bool byShares = type == kStockDividend && !m_shares->text().trimmed().isEmpty();
    if (problem.empty() && cartera::TakesRatio(type) && !byShares) {
        problem = ContractsProblem(m_new, IDC_NEW);
        if (problem.empty()) problem = ContractsProblem(m_old, IDC_NEW);  // "Ratio"
        if (problem.empty() && !cartera::ParseRatio(m_new->QuantityValue()->Text() + ":" +
                                                        m_old->QuantityValue()->Text(),
                                                    &terms.ratioNew, &terms.ratioOld, nullptr))
            problem = cartera::FillText(LS(42204), {FieldLabel(IDC_NEW), "1000000000"});
    }
    terms.newCode = cartera::Trim(m_code->text().toStdString());
    if (problem.empty() && cartera::TakesNewCode(type) && terms.newCode.empty())
        problem = cartera::FillText(LS(kTypeACode), {FieldLabel(IDC_CODE)});
    if (problem.empty() && type == kSpinOff) {
        problem = NumberProblem(m_cost, IDC_COST);
        const auto share = m_cost->QuantityValue();
        if (problem.empty() && (!share || *share < 0 || *share > 1))
            problem = cartera::FillText(LS(kFromZeroToOne), {FieldLabel(IDC_COST)});
        if (problem.empty()) terms.costShare = *share;
    }
    cartera::Quantity contracts;
    if (problem.empty() && byShares) {
        problem = ContractsProblem(m_shares, IDC_SHARES);
        if (problem.empty()) contracts = *m_shares->QuantityValue();
    }
    const bool cash = (type == kSplit || type == kMerger) && !m_cash->text().trimmed().isEmpty();
    if (problem.empty() && cash) problem = AmountProblem(m_cash, IDC_CASH);
    if (!problem.empty()) {
        if (why) *why = problem;
        return std::nullopt;
    }
    const std::time_t when = GetWhen(m_date);
    // The security keeps its name where it keeps its code: the row reads as its trades do.
    std::string symbol;
    if (!cartera::TakesNewCode(type))
        for (const CNegocioC& t : m_pSistema->GetOpenTrades())
            if (t.quoteCode == code) {
                symbol = t.symbol.str();
                break;
            }
    COrderCartera m = cartera::BuildAction(type, code, symbol, terms, when, contracts, 0.0);
    if (cash) {
        // The fraction the position leaves is what the broker paid for.
        const cartera::Quantity fraction = cartera::FractionLeft(m_pSistema->GetOpenTrades(), m);
        if (fraction <= 0) {
            if (why) *why = cartera::FillText(LS(kNoFraction), {FieldLabel(IDC_CASH)});
            return std::nullopt;
        }
        m = cartera::BuildAction(type, code, symbol, terms, when, fraction,
                                 m_cash->Value().value_or(0));
    }
    if (m_pOrden) m.id = m_pOrden->id;
    return m;
}

void CDlgAccion::Update() {
    const int32_t type = kSplit + m_kind->currentIndex();
    m_new->setEnabled(cartera::TakesRatio(type));
    m_old->setEnabled(cartera::TakesRatio(type));
    m_code->setEnabled(cartera::TakesNewCode(type));
    m_cost->setEnabled(type == kSpinOff);
    m_shares->setEnabled(type == kStockDividend);
    m_cash->setEnabled(type == kSplit || type == kMerger);
    if (m_preview) {
        std::string text;
        if (std::optional<COrderCartera> m = Action(nullptr)) {
            const cartera::ActionPreview p =
                cartera::PreviewAction(m_pSistema->GetOpenTrades(), *m);
            std::string after;
            for (const cartera::Holding& h : p.after)
                after += (after.empty() ? "" : ", ") + HoldingText(h);
            text = cartera::FillText(
                LS(kPreviewText),
                {p.before.contracts > 0 ? HoldingText(p.before) : LS(kNothingHeld),
                 after.empty() ? LS(kNothingHeld) : after});
        }
        m_preview->setText(QString::fromStdString(text));
    }
    emit inputChanged();
}

bool CDlgAccion::OnOK() {
    std::string why;
    std::optional<COrderCartera> m = Action(&why);
    if (!m || !m_pSistema) return false;
    if (m_pOrden)
        m_pSistema->ModOrder(*m);
    else
        m_pSistema->AddOrder(*m);
    return true;
}

CSheetAccion::CSheetAccion(const std::string& caption, QWidget* parent)
    : CPropertySheetBase(caption, parent) {}

CDlgAccion* CSheetAccion::Page() const { return static_cast<CDlgAccion*>(GetPage(0)); }

void CSheetAccion::Run() {
    AddPage(new CDlgAccion(m_pSistema, m_pOrden));
    SetActivePage(0);
    FinishLayout();
    DoModal();
}
