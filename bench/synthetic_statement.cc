#include "bench/synthetic_statement.h"

#include <charconv>

namespace cartera::bench {
namespace {

std::string Number(double v) {
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, res.ptr);
}

std::string Date(int day) {  // yyyyMMdd of the day-th day, 28-day months from 2020
    const int y = 2020 + day / 336, m = 1 + day / 28 % 12, d = 1 + day % 28;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", y, m, d);
    return buf;
}

}  // namespace

std::string MakeFlexXml(int n) {
    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<FlexQueryResponse queryName=\"bench\" "
        "type=\"AF\">\n<FlexStatements count=\"1\">\n<FlexStatement accountId=\"U1234567\" "
        "fromDate=\"20200101\" toDate=\"20291231\" period=\"Custom\">\n<Trades>\n";
    out.reserve(static_cast<size_t>(n) * 1200 + 4096);
    std::string dividends;
    for (int i = 0; i < n; ++i) {
        const int stock = i % 200;
        const bool buy = i / 200 % 2 == 0;
        const int quantity = 10 + i % 7 * 10;
        const double price = 20 + (i * 7919 % 8000) / 100.0;
        const std::string sym = "SYM" + std::to_string(stock),
                          conid = std::to_string(100000 + stock);
        const std::string date = Date(i / 50), time = std::to_string(100000 + i % 50 * 100);
        const std::string qty = std::to_string(buy ? quantity : -quantity);
        const std::string money = Number((buy ? -1 : 1) * price * quantity);
        const std::string head =
            "<Trade accountId=\"U1234567\" acctAlias=\"\" model=\"\" currency=\"USD\" "
            "fxRateToBase=\"1\" assetCategory=\"STK\" symbol=\"" +
            sym + "\" description=\"" + sym + " CORP COMMON STOCK\" conid=\"" + conid +
            "\" securityID=\"US00000" + conid +
            "\" securityIDType=\"ISIN\" cusip=\"\" isin=\"US00000" + conid +
            "\" listingExchange=\"NASDAQ\" underlyingConid=\"\" underlyingSymbol=\"\" "
            "multiplier=\"1\" strike=\"\" expiry=\"\" putCall=\"\" reportDate=\"" +
            date + "\" tradeDate=\"" + date + "\" tradeTime=\"" + time + "\" settleDateTarget=\"" +
            date + "\" transactionType=\"ExchTrade\" exchange=\"ISLAND\" quantity=\"" + qty +
            "\" tradePrice=\"" + Number(price) + "\" tradeMoney=\"" + money + "\" proceeds=\"" +
            money + "\" taxes=\"0\" ibCommission=\"-1\" ibCommissionCurrency=\"USD\" netCash=\"" +
            money + "\" closePrice=\"" + Number(price) + "\" openCloseIndicator=\"" +
            (buy ? "O" : "C") + "\" notes=\"\" cost=\"" + money +
            "\" fifoPnlRealized=\"0\" mtmPnl=\"0\" buySell=\"" + (buy ? "BUY" : "SELL") +
            "\" ibOrderID=\"" + std::to_string(5000000 + i) + "\" ";
        out += head + "tradeID=\"" + std::to_string(9000000 + i) + "\" ibExecID=\"0000e0d5." +
               std::to_string(i) + ".01.01\" orderTime=\"" + date + ";" + time +
               "\" levelOfDetail=\"EXECUTION\" orderType=\"LMT\"/>\n";
        if (i % 10 == 0) out += head + "levelOfDetail=\"ORDER\" orderType=\"LMT\"/>\n";
        if (i % 100 == 99)
            dividends += "<CashTransaction accountId=\"U1234567\" currency=\"USD\" symbol=\"" +
                         sym + "\" conid=\"" + conid + "\" transactionID=\"" +
                         std::to_string(7000000 + i) + "\" dateTime=\"" + date +
                         "\" amount=\"12.5\" type=\"Dividends\" description=\"" + sym +
                         " CASH DIVIDEND USD 0.25 PER SHARE\" levelOfDetail=\"DETAIL\"/>\n";
    }
    out += "</Trades>\n<CashTransactions>\n" + dividends +
           "</CashTransactions>\n</FlexStatement>\n</FlexStatements>\n</FlexQueryResponse>\n";
    return out;
}

}  // namespace cartera::bench
