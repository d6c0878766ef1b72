#include "dialogs/currency_fields.h"

#include <QLineEdit>

#include "dialogs/num_edit.h"
#include "host/dates.h"
#include "host/message_box.h"
#include "host/numbers.h"
#include "host/strings.h"
#include "model/currency_entry.h"
#include "model/extra_fields.h"
#include "model/sistema.h"

namespace {
constexpr int kNotACode = 45020;      // "Currency: type a three-letter code such as EUR."
constexpr int kNotNamed = 45021;      // "The portfolio's own currency is not named yet: ..."
constexpr int kNoRate = 45022;        // "No %1 to %2 rate for %3: type the rate or ..."
constexpr int kAboveZero = 42203;     // "%1: type a number above 0"
constexpr int kAtMost = 42204;        // "%1: at most %2"
constexpr int kOneForItsOwn = 45023;  // "Rate: a movement in the portfolio's currency has rate 1."
}  // namespace

CurrencyFields::CurrencyFields(CSistemaCartera* ledger, QLineEdit* currency, CNumEdit* rate,
                               std::function<int32_t()> date, std::string rateLabel,
                               QObject* parent)
    : QObject(parent),
      m_ledger(ledger),
      m_currency(currency),
      m_rate(rate),
      m_date(std::move(date)),
      m_rateLabel(std::move(rateLabel)) {
    m_currency->setMaxLength(3);
    if (m_ledger) m_currency->setText(QString::fromStdString(m_ledger->GetCurrency()));
    connect(m_currency, &QLineEdit::textEdited, this, [this] {
        m_rateTyped = false;  // another currency, another rate
        Offer();
        emit changed();
    });
    connect(m_rate, &QLineEdit::textEdited, this, [this] {
        m_rateTyped = true;
        emit changed();
    });
    Offer();
}

std::string CurrencyFields::Code() const {
    std::string code = m_currency->text().trimmed().toUpper().toStdString();
    return code.empty() && m_ledger ? m_ledger->GetCurrency() : code;
}

bool CurrencyFields::IsPortfolios() const {
    return Code().empty() || (m_ledger && Code() == m_ledger->GetCurrency());
}

void CurrencyFields::Show(const COrderCartera& m) {
    const std::string portfolio = m_ledger ? m_ledger->GetCurrency() : std::string();
    m_currency->setText(QString::fromStdString(m.currency.empty() ? portfolio : m.currency.str()));
    m_rateTyped = false;
    Offer();
    // Its own rate, kept as if typed: the table's replaces it only for another currency.
    if (IsPortfolios()) return;
    m_rate->SetPlainText(cartera::FullNumberText(m.rate));
    m_rateTyped = true;
}

void CurrencyFields::DateChanged() {
    Offer();
    emit changed();
}

void CurrencyFields::Offer() {
    const bool own = IsPortfolios();
    m_rate->setEnabled(!own);
    if (own) {
        m_rateTyped = false;
        m_rate->SetPlainText("1");
        return;
    }
    if (m_rateTyped) return;
    std::optional<double> rate;
    if (m_ledger && cartera::IsCurrencyCode(Code()) && !m_ledger->GetCurrency().empty())
        rate = TableRate(Code(), m_date());
    m_rate->SetPlainText(rate ? cartera::FullNumberText(*rate) : std::string());
}

std::optional<double> CurrencyFields::TableRate(const std::string& from, int32_t date) {
    if (!m_table) {
        m_table.emplace();
        // A table that cannot be read offers nothing; the rate is then typed.
        if (!m_table->Load(m_ledger->GetContext()).ok()) m_table.emplace();
    }
    return m_table->Rate(from, m_ledger->GetCurrency(), date);
}

std::string CurrencyFields::Problem() const {
    if (IsPortfolios() || m_rate->text().trimmed().isEmpty()) return {};
    std::optional<double> v = m_rate->Value();
    if (!v) return m_rateLabel + ": " + m_rate->WhyNotANumber();
    if (*v > cartera::kMaxEntryAmount)
        return cartera::FillText(LS(kAtMost),
                                 {m_rateLabel, PonPuntos(cartera::kMaxEntryAmount, 0)});
    return *v > 0 ? std::string() : cartera::FillText(LS(kAboveZero), {m_rateLabel});
}

bool CurrencyFields::Apply(COrderCartera& m) {
    if (!m_ledger) return true;
    const bool own = IsPortfolios();
    if (!own && cartera::RefuseNotANumber(m_rate)) return false;
    std::optional<double> typed;
    if (!own && !m_rate->text().trimmed().isEmpty()) typed = m_rate->Value();
    auto lookup = [this](std::string_view from, std::string_view, int32_t date) {
        return TableRate(std::string(from), date);
    };
    cartera::EntryRefusal refusal =
        cartera::SetMovementCurrency(m_ledger->GetCurrency(), Code(), typed, lookup, m);
    if (!refusal) return true;
    AfxMessageBox(RefusalText(m, refusal.field, typed), MB_OK | MB_ICONEXCLAMATION);
    QLineEdit* field = refusal.field == cartera::EntryField::currency ? m_currency : m_rate;
    field->setFocus();
    return false;
}

std::string CurrencyFields::RefusalText(const COrderCartera& m, cartera::EntryField field,
                                        const std::optional<double>& typed) const {
    const std::string code = Code();
    if (field == cartera::EntryField::currency)
        return cartera::IsCurrencyCode(code) ? cartera::FillText(LS(kNotNamed), {code})
                                             : LS(kNotACode);
    if (typed && IsPortfolios()) return LS(kOneForItsOwn);
    if (typed && *typed > 0)
        return cartera::FillText(LS(kAtMost),
                                 {m_rateLabel, PonPuntos(cartera::kMaxEntryAmount, 0)});
    if (typed) return cartera::FillText(LS(kAboveZero), {m_rateLabel});
    return cartera::FillText(LS(kNoRate),
                             {code, m_ledger->GetCurrency(), cartera::DateText(m.date)});
}
