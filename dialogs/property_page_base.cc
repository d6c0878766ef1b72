#include "dialogs/property_page_base.h"

#include <QDateTimeEdit>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

#include "dialogs/currency_fields.h"
#include "dialogs/date_field.h"
#include "dialogs/num_edit.h"
#include "dialogs/symbol_box.h"
#include "framework/dialog_template.h"
#include "host/dates.h"
#include "host/message_box.h"
#include "host/numbers.h"
#include "host/strings.h"
#include "model/entry.h"

namespace {
CPropertySheetBase::Runner& ModalRunner() {
    static CPropertySheetBase::Runner runner;
    return runner;
}

// The sheet's buttons: OK and Cancel of the portfolio name dialog's template.
QString ButtonText(int id) {
    const auto* t = cartera::ui::FindDialogTemplate(3366);
    const auto* c = t ? t->Find(id) : nullptr;
    return c ? QString::fromStdString(c->Text()) : QString(id == 1 ? "OK" : "Cancel");
}
}  // namespace

CPropertyPageBase::CPropertyPageBase(int templateId, QWidget* parent)
    : QWidget(parent), m_template(cartera::ui::FindDialogTemplate(templateId)) {
    if (m_template)
        setFixedSize(cartera::ui::DialogUnitsToPixels(m_template->units, font()).size());
}

QString CPropertyPageBase::Caption() const {
    return m_template ? QString::fromStdString(m_template->Caption()) : QString();
}

bool CPropertyPageBase::OnApply() {
    if (m_pSymbolBox && (m_pSymbolBox->GetActiveQuery() || m_pSymbolBox->GetLastError())) {
        m_pSymbolBox->setFocus();
        return false;
    }
    if (m_pSymbolBox && m_pSymbolBox->GetCodigoCompleto(-1).empty()) {
        AfxMessageBox(::LS(42100), MB_OK | MB_ICONEXCLAMATION);  // a movement of no security
        m_pSymbolBox->setFocus();
        return false;
    }
    return OnOK();
}

int CPropertyPageBase::IndexInSheet() const {
    for (QWidget* w = parentWidget(); w; w = w->parentWidget())
        if (auto* sheet = qobject_cast<CPropertySheetBase*>(w)) {
            for (int i = 0; i < sheet->GetPageCount(); ++i)
                if (sheet->GetPage(i) == this) return i;
        }
    return -1;
}

std::string CPropertyPageBase::Place(QWidget* w, int id, const char* kind) const {
    // Named by control id, so accessibility tools and the workstation's tests find it.
    w->setObjectName(QString::number(id));
    if (!m_template) return {};
    for (const auto& c : m_template->controls) {
        if (c.id == id && c.kind == kind) {
            w->setGeometry(cartera::ui::DialogUnitsToPixels(c.units, font()));
            return c.Text();
        }
    }
    return {};
}

void CPropertyPageBase::AddFramesAndLabels() {
    if (!m_template) return;
    for (const auto& c : m_template->controls) {
        QWidget* w = nullptr;
        if (c.kind == "group") {
            w = new QGroupBox(QString::fromStdString(c.Text()), this);
        } else if (c.kind == "static") {
            auto* label = new QLabel(QString::fromStdString(c.Text()), this);
            if (c.id != -1) label->setObjectName(QString::number(c.id));  // for the page
            // Texts a little taller than the template's line stay whole.
            label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            w = label;
        } else {
            continue;
        }
        QRect r = cartera::ui::DialogUnitsToPixels(c.units, font());
        if (c.kind == "static") r.adjust(0, -3, 0, 3);
        w->setGeometry(r);
    }
}

CDateField* CPropertyPageBase::MakeDatePicker(int id) {
    auto* picker = new CDateField(this);
    Place(picker, id, "date");
    connect(picker, &CDateField::typedChanged, this, [this] { emit inputChanged(); });
    return picker;
}

CurrencyFields* CPropertyPageBase::MakeCurrencyFields(CSistemaCartera* ledger, CDateField* date,
                                                      int currencyId, int rateId) {
    auto* currency = new QLineEdit(this);
    Place(currency, currencyId, "edit");
    auto* rate = new CNumEdit(this);
    rate->setAlignment(Qt::AlignRight);
    Place(rate, rateId, "edit");
    auto dateNumber = [date] { return FctimeToFn(CTime{GetWhen(date)}); };
    auto* fields = new CurrencyFields(ledger, currency, rate, dateNumber, FieldLabel(rateId), this);
    connect(fields, &CurrencyFields::changed, this, [this] { emit inputChanged(); });
    connect(date, &QDateTimeEdit::dateTimeChanged, fields, [fields] { fields->DateChanged(); });
    return fields;
}

QPushButton* CPropertyPageBase::MakeSymbolBox(const cartera::Context& ctx, int symbolId,
                                              int searchId) {
    m_pSymbolBox = new CPortfolioCBox(ctx, this);
    Place(m_pSymbolBox, symbolId, "combo");
    auto* search = new QPushButton(this);
    search->setText(QString::fromStdString(Place(search, searchId, "button")));
    search->setAutoDefault(false);
    // Reached by the mouse and by Ctrl+F, not by Tab: Tab goes on from the symbol to the
    // contracts.
    search->setFocusPolicy(Qt::NoFocus);
    search->setShortcut(QKeySequence::Find);
    search->setToolTip(search->shortcut().toString(QKeySequence::NativeText));
    return search;
}

void CPropertyPageBase::SetWhen(QDateTimeEdit* picker, std::time_t when) {
    picker->setDateTime(QDateTime::fromSecsSinceEpoch(when));
}

std::time_t CPropertyPageBase::GetWhen(const QDateTimeEdit* picker) {
    return static_cast<std::time_t>(picker->dateTime().toSecsSinceEpoch());
}

std::string CPropertyPageBase::FieldLabel(int id) const {
    const cartera::ui::DialogControl* field = m_template ? m_template->Find(id) : nullptr;
    if (!field) return {};
    // The nearest label on the control's line, to its left.
    const cartera::ui::DialogControl* label = nullptr;
    const int middle = field->units.center().y();
    for (const auto& c : m_template->controls) {
        if (c.kind != "static" || c.units.top() > middle || c.units.bottom() < middle ||
            c.units.left() >= field->units.left())
            continue;
        if (!label || c.units.left() > label->units.left()) label = &c;
    }
    return label ? label->Text() : std::string();
}

std::string CPropertyPageBase::NumberProblem(const CNumEdit* box, int id) const {
    if (box->text().trimmed().isEmpty()) return cartera::FillText(LS(42201), {FieldLabel(id)});
    return box->Value() ? std::string() : FieldLabel(id) + ": " + box->WhyNotANumber();
}

std::string CPropertyPageBase::ContractsProblem(const CNumEdit* box, int id) const {
    if (box->text().trimmed().isEmpty()) return cartera::FillText(LS(42203), {FieldLabel(id)});
    if (!box->Value()) return FieldLabel(id) + ": " + box->WhyNotANumber();
    std::optional<cartera::Quantity> v = box->QuantityValue();
    if (!v) return ::LS(42000);  // more than ten decimals
    if (*v <= 0) return cartera::FillText(LS(42203), {FieldLabel(id)});
    if (*v > cartera::kMaxEntryContracts)
        return cartera::FillText(LS(42204),
                                 {FieldLabel(id), std::to_string(cartera::kMaxEntryContracts)});
    return {};
}

std::string CPropertyPageBase::AmountProblem(const CNumEdit* box, int id, bool negative) const {
    std::string why = NumberProblem(box, id);
    std::optional<double> v = box->Value();
    if (!why.empty() || !v) return why;
    constexpr int kNotBelowZero = 43031;  // "%1: not below 0"
    if (*v < 0 && !negative) return cartera::FillText(LS(kNotBelowZero), {FieldLabel(id)});
    if (std::fabs(*v) > cartera::kMaxEntryAmount)
        return cartera::FillText(LS(42204),
                                 {FieldLabel(id), PonPuntos(cartera::kMaxEntryAmount, 0)});
    return {};
}

std::string CPropertyPageBase::DateProblem(const CDateField* field, int id) const {
    std::string why = field->Problem();
    return why.empty() ? why : FieldLabel(id) + ": " + why;
}

CPropertySheetBase::CPropertySheetBase(const std::string& caption, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QString::fromStdString(caption));
    m_tabs = new QTabWidget(this);
    m_ok = new QPushButton(ButtonText(1), this);
    m_cancel = new QPushButton(ButtonText(2), this);
    m_ok->setDefault(true);
    m_status = new QLabel(this);
    m_status->setObjectName("status");
    m_status->setWordWrap(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_status, 1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(m_ok, &QPushButton::clicked, this, &CPropertySheetBase::accept);
    connect(m_cancel, &QPushButton::clicked, this, &CPropertySheetBase::reject);
    connect(m_tabs, &QTabWidget::currentChanged, this, [this] {
        UpdateOk();
        if (CPropertyPageBase* page = GetActivePage())
            if (QWidget* first = page->FirstField()) first->setFocus();
    });
}

CPropertySheetBase::~CPropertySheetBase() = default;

void CPropertySheetBase::AddPage(CPropertyPageBase* page) {
    m_tabs->addTab(page, page->Caption());
    connect(page, &CPropertyPageBase::inputChanged, this, [this] { UpdateOk(); });
    UpdateOk();
}

void CPropertySheetBase::SetActivePage(int index) {
    if (index >= 0 && index < m_tabs->count()) m_tabs->setCurrentIndex(index);
}

int CPropertySheetBase::GetActiveIndex() const { return m_tabs->currentIndex(); }
CPropertyPageBase* CPropertySheetBase::GetActivePage() const { return GetPage(GetActiveIndex()); }
CPropertyPageBase* CPropertySheetBase::GetPage(int index) const {
    return qobject_cast<CPropertyPageBase*>(m_tabs->widget(index));
}
int CPropertySheetBase::GetPageCount() const { return m_tabs->count(); }

void CPropertySheetBase::FinishLayout() {
    adjustSize();
    UpdateOk();
    if (CPropertyPageBase* page = GetActivePage())
        if (QWidget* first = page->FirstField()) first->setFocus();
}

void CPropertySheetBase::UpdateOk() {
    CPropertyPageBase* page = GetActivePage();
    const std::string why = page ? page->WhyNotApply() : std::string();
    const bool can = page && page->CanApply() && why.empty();
    m_ok->setEnabled(can);
    m_status->setText(QString::fromStdString(can ? page->Notice() : why));
}

void CPropertySheetBase::accept() {
    CPropertyPageBase* page = GetActivePage();
    if (!m_ok->isEnabled() || !page || !page->OnApply()) return;
    QDialog::accept();
}

void CPropertySheetBase::DoModal() {
    if (ModalRunner()) {
        ModalRunner()(*this);
        return;
    }
    exec();
}

CPropertySheetBase::Runner CPropertySheetBase::SetRunner(Runner runner) {
    Runner previous = std::move(ModalRunner());
    ModalRunner() = std::move(runner);
    return previous;
}
