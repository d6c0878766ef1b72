#pragma once
// The currency and rate fields of an entry page. The currency starts as the portfolio's;
// its rate is then 1 and cannot be typed. For another currency the rates table's rate of the
// movement's date is offered, and follows the currency and the date until the user types
// one; a movement being modified keeps its own rate until its currency changes. OK gives the
// movement the currency and rate through SetMovementCurrency; what it refuses is said in the
// interface language and keeps the sheet open.
#include <QObject>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "model/entry.h"
#include "model/order.h"
#include "rates/rates.h"

class CNumEdit;
class CSistemaCartera;
class QLineEdit;

class CurrencyFields : public QObject {
    Q_OBJECT

  public:
    // The page's edits (owned by the page); date gives the movement's date number as the page
    // holds it; rateLabel names the rate in messages. The currency shown is the portfolio's.
    CurrencyFields(CSistemaCartera* ledger, QLineEdit* currency, CNumEdit* rate,
                   std::function<int32_t()> date, std::string rateLabel, QObject* parent);

    // Shows the currency and rate of a movement being modified.
    void Show(const COrderCartera& m);
    // The movement's date changed: a rate not typed is offered again for it.
    void DateChanged();
    // Why OK cannot be pressed: a rate typed for another currency that is no number above 0
    // or beyond what entry takes; empty when nothing stops it.
    std::string Problem() const;
    // Gives m the currency and rate shown; false when refused (said, the focus moved).
    bool Apply(COrderCartera& m);

    QLineEdit* Currency() const { return m_currency; }
    CNumEdit* Rate() const { return m_rate; }

  signals:
    void changed();

  private:
    // The code typed, in capitals; the portfolio's when none is.
    std::string Code() const;
    bool IsPortfolios() const;
    // The rate field for the currency: 1 and closed for the portfolio's, else the table's
    // rate for the date unless one was typed.
    void Offer();
    std::optional<double> TableRate(const std::string& from, int32_t date);
    // What SetMovementCurrency refused, in the interface language.
    std::string RefusalText(const COrderCartera& m, cartera::EntryField field,
                            const std::optional<double>& typed) const;

    CSistemaCartera* m_ledger;
    QLineEdit* m_currency;
    CNumEdit* m_rate;
    std::function<int32_t()> m_date;
    std::string m_rateLabel;
    bool m_rateTyped = false;
    std::optional<cartera::rates::RatesTable> m_table;  // read when first needed
};
