#include "dialogs/sheet_varios.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <limits>

#include "dialogs/currency_fields.h"
#include "dialogs/date_field.h"
#include "dialogs/num_edit.h"
#include "dialogs/symbol_box.h"
#include "host/dates.h"
#include "host/numbers.h"
#include "model/entry.h"
#include "model/sistema.h"

namespace {
void Record(CSistemaCartera* ledger, const COrderCartera& m, bool modifying) {
    if (!ledger) return;
    if (modifying) {
        ledger->ModOrder(m);
    } else {
        ledger->AddOrder(m);
    }
}
}  // namespace

CDlgOperacionSimple::CDlgOperacionSimple(const Ids& ids, CSistemaCartera* ledger,
                                         COrderCartera* movement)
    : CPropertyPageBase(ids.dialog), m_ids(ids), m_pSistema(ledger), m_pOrden(movement) {
    AddFramesAndLabels();
    m_date = MakeDatePicker(ids.date);
    m_description = new QLineEdit(this);
    Place(m_description, ids.text, "edit");
    m_amount = new CNumEdit(this);
    Place(m_amount, ids.amount, "edit");
    connect(m_amount, &QLineEdit::textChanged, this, [this] { emit inputChanged(); });
    m_currencyFields = MakeCurrencyFields(m_pSistema, m_date, kCurrencyFieldId, kRateFieldId);

    SetWhen(m_date, cartera::Now(m_pSistema->GetContext()));
    if (m_pOrden) {
        m_amount->SetPlainText(cartera::FullNumberText(m_pOrden->price));
        m_description->setText(QString::fromStdString(m_pOrden->symbol));
        SetWhen(m_date, CTimeLong::GetTime(m_pOrden->date, m_pOrden->time));
        m_currencyFields->Show(*m_pOrden);
    }
}

QWidget* CDlgOperacionSimple::FirstField() const { return m_description; }

bool CDlgOperacionSimple::CanApply() const { return !m_amount->text().isEmpty(); }

std::string CDlgOperacionSimple::WhyNotApply() const {
    std::string why = DateProblem(m_date, m_ids.date);
    if (why.empty()) why = AmountProblem(m_amount, m_ids.amount, true);
    return why.empty() ? m_currencyFields->Problem() : why;
}

bool CDlgOperacionSimple::OnOK() {
    if (cartera::RefuseNotANumber(m_amount)) return false;
    COrderCartera m = cartera::BuildCashMovement(m_ids.type, m_description->text().toStdString(),
                                                 m_amount->Value().value_or(0.0), GetWhen(m_date),
                                                 m_pOrden ? m_pOrden->id : kNoId);
    if (cartera::RefuseOutOfBounds(m, [this](cartera::EntryField) { return m_amount; }) ||
        !m_currencyFields->Apply(m))
        return false;
    Record(m_pSistema, m, m_pOrden != nullptr);
    return true;
}

CDlgImposicion::CDlgImposicion(CSistemaCartera* ledger, COrderCartera* movement)
    : CDlgOperacionSimple({3373, kImposition, 1060, 1057, 1063}, ledger, movement) {}
CDlgReintegro::CDlgReintegro(CSistemaCartera* ledger, COrderCartera* movement)
    : CDlgOperacionSimple({3372, kRefund, 1058, 1068, 1067}, ledger, movement) {}
CDlgIngreso::CDlgIngreso(CSistemaCartera* ledger, COrderCartera* movement)
    : CDlgOperacionSimple({3374, kDeposit, 1065, 1064, 1066}, ledger, movement) {}
CDlgGasto::CDlgGasto(CSistemaCartera* ledger, COrderCartera* movement)
    : CDlgOperacionSimple({3375, kExpense, 1059, 1062, 1061}, ledger, movement) {}

CDlgDividendos::CDlgDividendos(CSistemaCartera* ledger, COrderCartera* movement)
    : CPropertyPageBase(IDD), m_pSistema(ledger), m_pOrden(movement) {
    AddFramesAndLabels();
    m_date = MakeDatePicker(IDC_DATE);
    m_search = MakeSymbolBox(m_pSistema->GetContext(), IDC_SYMBOL, IDC_SEARCH);
    CPortfolioCBox* box = m_pSymbolBox;
    m_group = new QComboBox(this);
    m_group->setEditable(true);
    m_group->setEnabled(false);  // shows the group; it cannot be changed here
    Place(m_group, IDC_GROUP, "combo");
    m_contracts = new CNumEdit(this);
    Place(m_contracts, IDC_CONTRACTS, "edit");
    m_perShare = new CNumEdit(this);
    Place(m_perShare, IDC_PER_SHARE, "edit");
    m_total = new CNumEdit(this);
    Place(m_total, IDC_TOTAL, "edit");
    for (CNumEdit* e : {m_contracts, m_perShare})
        connect(e, &QLineEdit::textChanged, this, [this] { UpdateTotal(); });
    connect(m_search, &QPushButton::clicked, this, [this] { OnSearch(); });
    m_currencyFields = MakeCurrencyFields(m_pSistema, m_date, kCurrencyFieldId, kRateFieldId);

    SetWhen(m_date, cartera::Now(m_pSistema->GetContext()));
    box->LoadFromCache();
    if (m_pOrden) {
        const COrderCartera& m = *m_pOrden;
        box->AddPlainEntry({m.decimals, m.quoteCode, m.symbol});
        m_group->setEditText(QString::fromStdString(m.group));
        m_contracts->setText(QString::fromStdString(EditQuantityText(m.contracts)));
        m_perShare->SetPlainText(cartera::FullNumberText(m.price));
        SetWhen(m_date, CTimeLong::GetTime(m.date, m.time));
        m_currencyFields->Show(m);
    }
    if (m_pSistema) box->SetEnlaceZORB(m_pSistema);
}

QWidget* CDlgDividendos::FirstField() const { return m_pSymbolBox; }

bool CDlgDividendos::CanApply() const {
    return !m_contracts->text().isEmpty() && !m_perShare->text().isEmpty();
}

std::string CDlgDividendos::WhyNotApply() const {
    std::string why = DateProblem(m_date, IDC_DATE);
    if (why.empty()) why = ContractsProblem(m_contracts, IDC_CONTRACTS);
    if (why.empty()) why = AmountProblem(m_perShare, IDC_PER_SHARE);
    if (!why.empty()) return why;
    cartera::EntryRefusal refusal = cartera::CheckEntryBounds(Dividend());
    return refusal ? cartera::EntryFieldText(refusal.field) : m_currencyFields->Problem();
}

COrderCartera CDlgDividendos::Dividend() const {
    int index = m_pSymbolBox->currentIndex();
    std::string symbol = index >= 0 ? m_pSymbolBox->itemText(index).toStdString() : "";
    return cartera::BuildDividend(
        symbol, m_pSymbolBox->GetCodigoCompleto(-1), m_pSymbolBox->GetDecimales(-1),
        cartera::ReadContracts(m_contracts->QuantityText()).value_or(cartera::Quantity()),
        m_perShare->Value().value_or(0.0), m_group->currentText().toStdString(), GetWhen(m_date),
        m_pOrden ? m_pOrden->id : kNoId);
}

void CDlgDividendos::UpdateTotal() {
    // The total is never read back.
    const bool refused = !ContractsProblem(m_contracts, IDC_CONTRACTS).empty() ||
                         !AmountProblem(m_perShare, IDC_PER_SHARE).empty();
    const COrderCartera m = Dividend();
    m_total->SetPlainText(refused ? std::string()
                                  : cartera::FullNumberText(m.contracts.ToDouble() * m.price));
    emit inputChanged();
}

void CDlgDividendos::OnSearch() {
    st_valor_comunic2 found;
    if (!SearchOneSymbol(m_pSistema, found)) return;
    m_pSymbolBox->Reset();
    m_pSymbolBox->LoadFromCache();
    m_pSymbolBox->AddSymbol({found.Decimals(), found.Code(), found.Name()}, 1, 1, 0);
    OnSymbolChanged();
}

void CDlgDividendos::OnSymbolChanged() {
    if (m_pSistema && !m_pOrden && !m_contracts->isModified()) {
        // The long position: what a sell of every share would find held.
        auto held = cartera::FindOvershoot(*m_pSistema, m_pSymbolBox->GetCodigoCompleto(-1), false,
                                           std::numeric_limits<int64_t>::max());
        m_contracts->setText(held && held->held > 0
                                 ? QString::fromStdString(EditQuantityText(held->held))
                                 : QString());
    }
    emit inputChanged();
}

bool CDlgDividendos::OnOK() {
    for (CNumEdit* edit : {m_contracts, m_perShare})
        if (cartera::RefuseNotANumber(edit)) return false;
    if (cartera::RefuseContracts(m_contracts)) return false;
    COrderCartera m = Dividend();
    auto edit = [this](cartera::EntryField f) -> QWidget* {
        return f == cartera::EntryField::contracts ? m_contracts : m_perShare;
    };
    if (cartera::RefuseOutOfBounds(m, edit) || !m_currencyFields->Apply(m)) return false;
    Record(m_pSistema, m, m_pOrden != nullptr);
    return true;
}

CSheetVarios::CSheetVarios(const std::string& caption, QWidget* parent, int)
    : CPropertySheetBase(caption, parent) {}

int CSheetVarios::PageOfType(int type) {
    switch (type) {
        case kImposition:
            return 0;
        case kRefund:
            return 1;
        case kDeposit:
            return 2;
        case kExpense:
            return 3;
        case kDividend:
            return 4;
        default:
            return -1;
    }
}

void CSheetVarios::Run() {
    int page = m_pOrden ? PageOfType(m_pOrden->type) : -1;
    auto mine = [&](int index) { return page == index ? m_pOrden : nullptr; };
    AddPage(new CDlgImposicion(m_pSistema, mine(0)));
    AddPage(new CDlgReintegro(m_pSistema, mine(1)));
    AddPage(new CDlgIngreso(m_pSistema, mine(2)));
    AddPage(new CDlgGasto(m_pSistema, mine(3)));
    AddPage(new CDlgDividendos(m_pSistema, mine(4)));
    SetActivePage(std::max(page, 0));
    FinishLayout();
    DoModal();
}
