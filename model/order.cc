#include "model/order.h"

#include "host/archive.h"

void COrderCartera::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteU32(static_cast<uint32_t>(id));
        ar.WriteU32(static_cast<uint32_t>(reserved));
        ar.WriteF64(commission);
        ar.WriteString(schedule);
    } else {
        id = ar.ReadU32();
        reserved = static_cast<int32_t>(ar.ReadU32());
        commission = ar.ReadF64();
        schedule = ar.ReadString();
    }
}

int MovementTypeLetterId(int32_t type) {
    switch (type) {
        case kBuy:
            return 3417;
        case kDividend:
            return 3423;
        case kExpense:
            return 3421;
        case kImposition:
            return 3419;
        case kDeposit:
            return 3422;
        case kRefund:
            return 3420;
        case kSell:
            return 3418;
        case kExchange:
            return 44005;
        case kSplit:
        case kRename:
        case kStockDividend:
        case kSpinOff:
        case kMerger:
            return 44000 + (type - kSplit);
        default:
            return 0;
    }
}

double MovementTotal(const COrderCartera& m) {
    double q = m.IsSharelessDividend() ? 0.0 : m.contracts.ToDouble();
    if (m.type == kBuy) return (m.price + m.commission) * q;
    if (m.type == kSell) return (m.price - m.commission) * q;
    return q * m.price;
}
