#include "dialogs/sheet_compra.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "commissions/comisiones.h"
#include "dialogs/currency_fields.h"
#include "dialogs/date_field.h"
#include "dialogs/num_edit.h"
#include "dialogs/sheets.h"
#include "dialogs/symbol_box.h"
#include "host/dates.h"
#include "host/market.h"
#include "host/message_box.h"
#include "host/numbers.h"
#include "host/qt/quote_box_widget.h"
#include "host/strings.h"
#include "model/sistema.h"
#include "text/number.h"

namespace {
// Selects the first item that begins with name; an item of its own when none does.
void SelectOrAdd(QComboBox* box, const std::string& name) {
    std::vector<std::string> items;
    for (int i = 0; i < box->count(); ++i) items.push_back(box->itemText(i).toStdString());
    if (auto item = cartera::SelectByPrefix(items, name)) {
        box->setCurrentIndex(box->findText(QString::fromStdString(*item)));
        return;
    }
    box->addItem(QString::fromStdString(name));
    box->setCurrentIndex(box->count() - 1);
}

CNumEdit* RightAligned(CNumEdit* edit) {
    edit->setAlignment(Qt::AlignRight);
    return edit;
}
}  // namespace

CDlgCompraAccion::CDlgCompraAccion(CSistemaCartera* ledger, int buy, CNegocioC* trade,
                                   COrderCartera* movement, QWidget* parent)
    : CPropertyPageBase(IDD, parent),
      m_nBuy(buy),
      m_pNegocio(trade),
      m_pOrden(movement),
      m_pSistema(ledger) {
    BuildControls();
    OnInitDialog();
}

CDlgCompraAccion::~CDlgCompraAccion() = default;

void CDlgCompraAccion::BuildControls() {
    AddFramesAndLabels();
    // Created in the order the user tabs through them.
    m_date = MakeDatePicker(IDC_DATE);
    m_search = MakeSymbolBox(m_pSistema->GetContext(), IDC_SYMBOL, IDC_SEARCH);
    m_contracts = RightAligned(new CNumEdit(this));
    Place(m_contracts, IDC_CONTRACTS, "edit");
    m_price = RightAligned(new CNumEdit(this));
    Place(m_price, IDC_PRICE, "edit");
    m_last = new cartera::qt::QuoteBoxWidget(this);
    Place(m_last, IDC_LAST, "edit");
    m_last->setFocusPolicy(Qt::NoFocus);
    m_schedules = new QComboBox(this);
    Place(m_schedules, IDC_SCHEDULE, "combo");
    m_group = new QComboBox(this);
    m_group->setEditable(true);
    m_group->setInsertPolicy(QComboBox::NoInsert);
    Place(m_group, IDC_GROUP, "combo");
    m_currencyFields = MakeCurrencyFields(m_pSistema, m_date, IDC_CURRENCY, IDC_RATE);
    m_gross = RightAligned(new CNumEdit(this));
    Place(m_gross, IDC_GROSS, "edit");
    m_commission = RightAligned(new CNumEdit(this));
    Place(m_commission, IDC_COMMISSION, "edit");
    m_total = RightAligned(new CNumEdit(this));
    Place(m_total, IDC_TOTAL, "edit");
    m_noSchedule = findChild<QLabel*>(QString::number(IDC_NO_SCHEDULE));
    if (m_noSchedule) m_noSchedule->setWordWrap(true);
    m_editSchedules = new QPushButton(this);
    m_editSchedules->setText(
        QString::fromStdString(Place(m_editSchedules, IDC_EDIT_SCHEDULES, "button")));

    connect(m_contracts, &QLineEdit::textChanged, this, [this] { UpdateAmounts(); });
    connect(m_price, &QLineEdit::textChanged, this, [this] { UpdateAmounts(); });
    connect(m_schedules, &QComboBox::currentIndexChanged, this, [this] { UpdateAmounts(); });
    connect(m_last, &QLineEdit::textChanged, this, [this] { OnLastChanged(); });
    connect(m_search, &QPushButton::clicked, this, [this] { OnSearch(); });
    connect(m_editSchedules, &QPushButton::clicked, this, [this] { OnEditSchedules(); });
}

void CDlgCompraAccion::OnInitDialog() {
    m_pSymbolBox->LoadFromCache();
    FillSchedules();
    SetWhen(m_date, cartera::Now(m_pSistema->GetContext()));
    if (m_pNegocio) {
        const CNegocioC& t = *m_pNegocio;
        StartFrom({t.decimals, t.quoteCode, t.symbol}, t.contracts, t.exitPrice, t.entryGroup,
                  t.decimals);
        // The trade's other side is in its currency, at the rate of today.
        if (!t.currency.empty()) {
            m_currencyFields->Currency()->setText(QString::fromStdString(t.currency.str()));
            m_currencyFields->DateChanged();
        }
    } else if (m_pOrden) {
        StartModifying(*m_pOrden);
    }
    if (m_pSistema) {
        m_last->Iniciar(m_pSistema, "", 1);
        m_pSymbolBox->SetEnlaceZORB(m_pSistema);
    }
    UpdateAmounts();
}

void CDlgCompraAccion::StartFrom(const CComboConsultaData& security, cartera::Quantity contracts,
                                 double price, const std::string& group, int decimals) {
    m_pSymbolBox->AddSymbol(security, 1, 1, 0);
    m_pSymbolBox->SetChosen(security);
    SelectOrAdd(m_group, group);
    m_contracts->setText(QString::fromStdString(EditQuantityText(contracts)));
    m_price->SetNumber(price, decimals);
    m_nDecimales = decimals;
}

void CDlgCompraAccion::StartModifying(const COrderCartera& m) {
    m_before = m;  // a copy: what the re-pricing rule compares with
    StartFrom({m.decimals, m.quoteCode, m.symbol}, m.contracts, m.price, m.group, m.decimals);
    m_nBuy = m.buy;
    SetWhen(m_date, CTimeLong::GetTime(m.date, m.time));
    m_currencyFields->Show(m);
    if (!m_pSistema) return;
    cartera::BuySellPage page = cartera::ModifyPage(*m_pSistema->GetAdmComisiones(), m);
    QSignalBlocker block(m_schedules);
    m_schedules->setCurrentIndex(
        page.schedule ? m_schedules->findText(QString::fromStdString(*page.schedule)) : -1);
    // The full price and the movement's own commission, read back unchanged at OK.
    m_price->SetPlainText(page.priceText);
    m_commission->SetPlainText(page.commissionText);
    // The movement's own price: the live last price never replaces it.
    m_price->setModified(true);
}

QWidget* CDlgCompraAccion::FirstField() const {
    // A new order starts with the security; a trade or a movement with the contracts.
    return m_pNegocio || m_pOrden ? static_cast<QWidget*>(m_contracts)
                                  : static_cast<QWidget*>(m_pSymbolBox);
}

void CDlgCompraAccion::FillSchedules() {
    bool none = true;
    if (m_pSistema) {
        const CAdmComisiones& adm = *m_pSistema->GetAdmComisiones();
        QSignalBlocker block(m_schedules);
        m_schedules->clear();
        for (const auto& item : cartera::ScheduleListItems(adm))
            m_schedules->addItem(QString::fromStdString(item));
        auto chosen = cartera::DefaultScheduleItem(adm);
        m_schedules->setCurrentIndex(chosen ? m_schedules->findText(QString::fromStdString(*chosen))
                                            : -1);
        none = m_schedules->count() == 0;
    }
    if (m_noSchedule) m_noSchedule->setVisible(none);
    m_editSchedules->setVisible(none);
}

void CDlgCompraAccion::OnEditSchedules() {
    constexpr int kEditorCaption = 3393;
    if (!m_pSistema || !m_pSistema->GetAdmComisiones()) return;
    cartera::dialogs::Sheets().RunCommissions(*m_pSistema, kEditorCaption);
    FillSchedules();
    UpdateAmounts();
    if (m_schedules->count() > 0) m_schedules->setFocus();  // the button has gone
}

cartera::BuySellPage CDlgCompraAccion::PageState() const {
    cartera::BuySellPage p;
    p.buy = m_nBuy != 0;
    p.pageDecimals = m_nDecimales;
    const CComboConsultaData& chosen = m_pSymbolBox->Chosen();
    p.code = chosen.code;
    p.symbol = chosen.name;
    p.symbolDecimals = chosen.decimals;
    p.contractsText = m_contracts->QuantityText();
    p.priceText = m_price->PlainText();
    if (m_schedules->currentIndex() >= 0) p.schedule = m_schedules->currentText().toStdString();
    p.commissionText = m_commission->PlainText();
    p.group = m_group->currentText().toStdString();
    p.when = GetWhen(m_date);
    if (m_before) {
        p.modifyingId = m_before->id;
        p.before = m_before;
    }
    return p;
}

void CDlgCompraAccion::UpdateAmounts() {
    if (m_pSistema) {
        cartera::BuySellAmounts a =
            cartera::UpdateAmounts(*m_pSistema->GetAdmComisiones(), PageState());
        // Nothing computed from a number that is refused; a commission typed stays.
        const bool refused = !OrderProblem().empty() || !BoundsProblem().empty();
        if (!refused || m_schedules->currentIndex() >= 0)
            m_commission->SetPlainText(refused ? std::string() : a.commission);
        m_gross->SetPlainText(refused ? std::string() : a.gross);
        m_total->SetPlainText(refused ? std::string() : a.total);
    }
    emit inputChanged();
}

bool CDlgCompraAccion::CanApply() const {
    // A text that is not a number leaves OK on, which then says what is wrong with it.
    return !m_contracts->text().isEmpty() && !m_price->text().isEmpty();
}

std::string CDlgCompraAccion::OrderProblem() const {
    std::string why = ContractsProblem(m_contracts, IDC_CONTRACTS);
    return why.empty() ? AmountProblem(m_price, IDC_PRICE) : why;
}

std::string CDlgCompraAccion::BoundsProblem() const {
    if (!m_pSistema) return {};
    cartera::BuySellPage state = PageState();
    // A commission blanked beside a refused number is priced again here.
    if (!m_commission->text().isEmpty()) state.commissionBox = m_commission->PlainText();
    std::optional<COrderCartera> m = cartera::BuildBuySell(*m_pSistema, state);
    cartera::EntryRefusal refusal = m ? cartera::CheckEntryBounds(*m) : cartera::EntryRefusal{};
    return refusal ? cartera::EntryFieldText(refusal.field) : std::string();
}

std::string CDlgCompraAccion::WhyNotApply() const {
    if (m_pSymbolBox->Chosen().code.empty()) return LS(42200);
    std::string why = DateProblem(m_date, IDC_DATE);
    if (why.empty()) why = OrderProblem();
    if (why.empty() && !m_commission->text().isEmpty())
        why = AmountProblem(m_commission, IDC_COMMISSION);
    if (why.empty()) why = m_currencyFields->Problem();
    return why.empty() ? BoundsProblem() : why;
}

std::string CDlgCompraAccion::Notice() const {
    // A movement being modified is part of the position it would be measured against.
    std::optional<cartera::Quantity> contracts = m_contracts->QuantityValue();
    if (!m_pSistema || m_pOrden || !contracts || *contracts > cartera::kMaxEntryContracts)
        return {};
    auto over =
        cartera::FindOvershoot(*m_pSistema, m_pSymbolBox->Chosen().code, IsBuy(), *contracts);
    if (!over) return {};
    return cartera::FillText(
        LS(IsBuy() ? 42211 : 42210),
        {QuantityText(over->ordered), QuantityText(over->held), QuantityText(over->opened)});
}

void CDlgCompraAccion::OnLastChanged() {
    // Until the user types a price, the price follows the live last price.
    if (m_price->isModified() || m_last->text().isEmpty()) return;
    m_price->setText(m_last->text());
}

void CDlgCompraAccion::OnSymbolChanged() {
    emit inputChanged();
    if (m_pNegocio || m_pOrden) return;
    m_last->clear();
    m_last->SetCodigoSimbolo(m_pSymbolBox->GetCodigoCompleto(-1));
}

void CDlgCompraAccion::OnSearch() {
    st_valor_comunic2 found;
    if (!SearchOneSymbol(m_pSistema, found)) return;
    CComboConsultaData entry{found.Decimals(), found.Code(), found.Name()};
    m_pSymbolBox->AddSymbol(entry, 1, 1, 0);
    m_pSymbolBox->SetChosen(entry);
    emit inputChanged();
    if (!m_pNegocio && !m_pOrden) {
        m_last->clear();
        m_last->SetCodigoSimbolo(entry.code);
    }
}

bool CDlgCompraAccion::OnOK() {
    if (!m_pSistema || IndexInSheet() > 0) return true;
    for (CNumEdit* edit : {m_contracts, m_price, m_commission})
        if (cartera::RefuseNotANumber(edit)) return false;
    if (cartera::RefuseContracts(m_contracts)) return false;
    cartera::BuySellPage state = PageState();
    state.commissionBox = m_commission->PlainText();  // a commission typed over stays
    std::optional<COrderCartera> m = cartera::BuildBuySell(*m_pSistema, state);
    if (!m ||
        cartera::RefuseOutOfBounds(*m, [this](cartera::EntryField f) { return FieldEdit(f); }))
        return false;
    if (!m_currencyFields->Apply(*m) || !ConfirmFarPrice(*m)) return false;
    if (m_before) {
        m_pSistema->ModOrder(*m);
    } else {
        m_pSistema->AddOrder(*m);
    }
    m_pSistema->SetPestanaActiva(0);
    return true;
}

QWidget* CDlgCompraAccion::FieldEdit(cartera::EntryField field) const {
    switch (field) {
        case cartera::EntryField::contracts:
            return m_contracts;
        case cartera::EntryField::commission:
            return m_commission;
        default:
            return m_price;
    }
}

std::optional<double> CDlgCompraAccion::ReferencePrice(const COrderCartera& m) const {
    double last = 0;
    if (!m_last->text().isEmpty() &&
        cartera::ParseNumberInLanguage(m_last->text().toStdString(), &last) && last > 0)
        return last;
    // The portfolio's latest price of the security, other than the movement's own.
    const auto& orders = m_pSistema->GetOrders();
    for (auto it = orders.rbegin(); it != orders.rend(); ++it)
        if (it->IsExecution() && it->quoteCode == m.quoteCode && it->id != m.id && it->price > 0)
            return it->price;
    return std::nullopt;
}

bool CDlgCompraAccion::ConfirmFarPrice(const COrderCartera& m) {
    std::optional<double> ref = ReferencePrice(m);
    if (!ref || m.price <= 0 || (m.price <= *ref * 10 && m.price * 10 >= *ref)) return true;
    if (m_before && m.price == m_before->price) return true;  // the price was not changed
    std::string text =
        cartera::FillText(LS(42006), {PriceText(m.price, m.decimals), PriceText(*ref, m.decimals)});
    if (AfxMessageBox(text, MB_YESNO | MB_ICONQUESTION) == IDYES) return true;
    m_price->setFocus();
    return false;
}

CSheetCompra::CSheetCompra(const std::string& caption, QWidget* parent, int)
    : CPropertySheetBase(caption, parent) {}

void CSheetCompra::Run(int buy) {
    if (m_pSistema && (m_pNegocio || m_pOrden)) {
        const std::string& code = m_pNegocio ? m_pNegocio->quoteCode : m_pOrden->quoteCode;
        CMarketService* service = m_pSistema->GetService();
        const MarketSymbol* symbol = service ? service->FindSymbol(code) : nullptr;
        char letter = symbol ? symbol->letter : 0;
        m_nRequestedPage = letter == 'V' ? 0 : letter == 'F' ? 1 : letter == 'O' ? 2 : 3;
    }
    m_page = new CDlgCompraAccion(m_pSistema, buy, m_pNegocio, m_pOrden);
    AddPage(m_page);
    OnInitDialog();
    DoModal();
}

void CSheetCompra::OnInitDialog() {
    if (m_pSistema) {
        if (m_nRequestedPage != -1) {
            m_pSistema->SetPestanaActiva(m_nRequestedPage);
        }
        SetActivePage(std::max(0, m_pSistema->GetPestanaActiva()));
    }
    FinishLayout();
}
