// The portfolio totals. The cash sums run in journal order, so results are reproducible to
// the bit.
#include "model/sistema.h"

void CSistemaCartera::CalcularCapital() {
    m_cashCapital = 0.0;
    m_impositions = m_deposits = m_refunds = m_expenses = m_dividends = 0.0;
    m_cashSummed = 0;
    SumCashMovements(0);
    FinishCapital();
}

// A movement appended to the journal comes last in these sums, so adding it to the running
// sums gives the very bits that summing the whole journal again would.
void CSistemaCartera::SumCashMovements(size_t from) {
    for (size_t i = from; i < m_orders.size(); ++i) {
        const COrderCartera& m = m_orders[i];
        double q = m.IsSharelessDividend() ? 0.0 : m.contracts;
        switch (m.type) {
            case kDividend:
                m_dividends += (m.commission + m.price) * q;
                break;
            case kExpense:
                m_expenses += q * m.price;
                m_cashCapital -= q * m.price;
                break;
            case kImposition:
                m_impositions += q * m.price;
                m_cashCapital += q * m.price;
                break;
            case kDeposit:
                m_deposits += q * m.price;
                m_cashCapital += q * m.price;
                break;
            case kRefund:
                m_refunds += q * m.price;
                m_cashCapital -= q * m.price;
                break;
            default:
                break;
        }
    }
    m_cashSummed = m_orders.size();
}

// The trades' sums are kept exactly as the trade lists change (rounded once, whatever the
// order), so a change that touches a few trades gives the bits a full matching would.
void CSistemaCartera::FinishCapital() {
    m_openProfit = GetGananciaPosicionesAbiertas();
    m_closedProfit = m_dividends + m_closed.ProfitSum();
    m_guarantees = CalcularGarantias();
    m_capital = m_cashCapital + m_closedProfit;
    m_invested = m_open.InvestedSum();
}

double CSistemaCartera::CalcularGarantias() const { return m_open.GuaranteeSum(); }

double CSistemaCartera::GetGananciaPosicionesAbiertas() const { return m_open.ProfitSum(); }

double CSistemaCartera::GetUltimoSaldo(const COrderCartera& m) const {
    double q = m.IsSharelessDividend() ? 0.0 : m.contracts;
    switch (m.type) {
        case kDividend:
            return m_capital + (m.commission + m.price) * q;
        case kImposition:
        case kDeposit:
            return m_capital + q * m.price;
        case kExpense:
        case kRefund:
            return m_capital - q * m.price;
        default:
            return m_capital;
    }
}
