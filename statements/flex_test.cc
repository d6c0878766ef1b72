// Interactive Brokers Flex statements, written for these tests, read in every layout and
// imported into a ledger twice.
#include "statements/flex.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "host/file_stream.h"
#include "model/exchange.h"
#include "model/sistema.h"
#include "statements/detect.h"
#include "statements/test_rows.h"
#include "testing/test_ledger.h"
#include "text/number.h"

namespace cartera::statements {
namespace {

// flex.xml: two accounts; U1 trades a stock, its option (multiplier 100) and a stock in
// EUR, has an order row, a summary row and a cancelled buy, a dividend with its withholding
// tax and a refund of part of it, a fee, a deposit in each currency and a split.
// flex_trades.csv and flex_cash.csv: the same account's trades and cash transactions as Flex
// CSV rows under their header, to be laid out in each CSV layout.
const std::string kXml = TestData("ib-flex-xml/flex.xml");

std::vector<std::string> Lines(const std::string& name) {
    std::istringstream in(TestData(name));
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

enum class Layout { oneHeader, sections, headerData };

std::string FlexCsv(Layout layout) {
    std::string out = layout == Layout::sections ? "BOF,U1111111,test\nBOA,U1111111\n" : "";
    auto section = [&](const char* code, const std::string& file) {
        const std::vector<std::string> lines = Lines(file);
        const std::string lead =
            layout == Layout::headerData ? "HEADER," + std::string(code) + "," : std::string();
        if (layout == Layout::sections) out += "BOS," + std::string(code) + ",x\n";
        out += lead + lines[0] + "\n";
        for (size_t i = 1; i < lines.size(); ++i)
            out += (layout == Layout::headerData ? "DATA," + std::string(code) + "," : "") +
                   lines[i] + "\r\n";
        if (layout == Layout::sections) out += "EOS," + std::string(code) + ",x\n";
    };
    section("TRNT", "ib-flex-csv/flex_trades.csv");
    section("CTRN", "ib-flex-csv/flex_cash.csv");
    if (layout == Layout::sections) out += "EOA,U1111111\nEOF,U1111111\n";
    return out;
}

Statement Read(const std::string& text) {
    std::istringstream in(text);
    return ReadStatement(in, DetectFormat(text));
}

class FlexTest : public testing::LedgerTest {
  protected:
    ImportPlan ImportTwice(const Statement& s, CSistemaCartera& ledger) {
        ImportOptions options{"U1111111", "USD"};
        ImportPlan plan = PlanImport(s, ledger, options);
        ledger.AddOrders(plan.added);
        ImportPlan again = PlanImport(s, ledger, options);
        EXPECT_TRUE(again.added.empty());
        EXPECT_EQ(again.skipped, plan.added.size());
        return plan;
    }
};

TEST_F(FlexTest, EveryLayoutImportsOnceWithTheBrokersRealizedResult) {
    const Statement xml = Read(kXml);
    EXPECT_EQ(xml.format, "ib-flex-xml");
    ImportPlan xmlPlan = PlanImport(xml, CSistemaCartera(ctx), {"U1111111", "USD"});
    // The CSV layouts hold no corporate actions section.
    std::erase_if(xmlPlan.added, [](const COrderCartera& m) { return m.IsAction(); });
    for (Layout layout : {Layout::oneHeader, Layout::sections, Layout::headerData}) {
        SCOPED_TRACE(static_cast<int>(layout));
        CSistemaCartera ledger{ctx};
        const Statement csv = Read(FlexCsv(layout));
        EXPECT_EQ(csv.format, "ib-flex-csv");
        const ImportPlan plan = ImportTwice(csv, ledger);
        // Each layout gives the movements the XML gives.
        ASSERT_EQ(plan.added.size(), xmlPlan.added.size());
        for (size_t i = 0; i < plan.added.size(); ++i) {
            const COrderCartera &a = plan.added[i], &b = xmlPlan.added[i];
            EXPECT_EQ(
                std::tie(a.type, a.contracts, a.price, a.commission, a.pointValue, a.date, a.time),
                std::tie(b.type, b.contracts, b.price, b.commission, b.pointValue, b.date, b.time));
            EXPECT_EQ(std::string(a.quoteCode), std::string(b.quoteCode));
            EXPECT_EQ(std::string(a.orderText), std::string(b.orderText));
        }
        EXPECT_EQ(plan.leftOut, std::vector<std::string>{
                                    "2 EUR rows left out: import them into a EUR portfolio"});
        // The cancelled buy and its cancellation are left out, and said so.
        ASSERT_EQ(plan.notes.size(), 1u);
        EXPECT_NE(plan.notes[0].text.find("neither is imported"), std::string::npos);

        // Closed trades per security add up to the broker's realized result.
        std::map<std::string, double> ours, theirs;
        for (const CNegocioC& t : ledger.GetClosedTrades()) ours[t.quoteCode] += t.profit;
        for (const StatementRow& r : csv.rows)
            if (r.kind == RowKind::trade && r.currency == "USD") theirs[r.code] += r.realized;
        ASSERT_EQ(ours.size(), 2u);
        for (const auto& [code, profit] : ours) EXPECT_NEAR(profit, theirs[code], 1e-9) << code;
    }
}

// A EUR account that trades in dollars too: into a EUR portfolio whole, at the broker's rates;
// each closing trade gives the broker's result in dollars and its split in euros, to the cent.
TEST_F(FlexTest, ATwoCurrencyAccountGivesTheBrokersResultAndItsSplitInTheBaseCurrency) {
    const std::string text = TestData("ib-flex-csv/eur_base.csv");
    const Statement s = Read(text);
    CSistemaCartera ledger{ctx};
    ExpectRefused([&] { PlanImport(s, ledger, {}); }, "name the portfolio's own currency");
    ledger.SetCurrency("EUR");
    ledger.AddOrders(PlanImport(s, ledger, {}).added);
    EXPECT_TRUE(PlanImport(s, ledger, {}).added.empty());
    std::map<std::string, std::vector<double>> broker;  // by trade id: realized, price, exchange
    for (const std::string& line : Lines("ib-flex-csv/eur_base.csv")) {
        std::vector<std::string> cells;
        for (size_t at = 0, end; at <= line.size(); at = end + 1) {
            end = std::min(line.find(',', at), line.size());
            cells.push_back(line.substr(at, end - at));
        }
        double realized = 0, price = 0, exchange = 0;
        if (ReadNumber(cells[14], kPlainNumber, &realized) && realized != 0 &&
            ReadNumber(cells[15], kPlainNumber, &price) &&
            ReadNumber(cells[16], kPlainNumber, &exchange))
            broker["IB:" + cells[5]] = {realized, price, exchange};
    }
    ASSERT_EQ(broker.size(), 3u);
    ASSERT_EQ(ledger.GetClosedTrades().size(), 3u);
    for (const CNegocioC& t : ledger.GetClosedTrades()) {
        const std::vector<double>& theirs = broker.at(t.exitText.str());
        EXPECT_NEAR(t.profit, theirs[0], 0.005) << t.exitText.str();
        EXPECT_NEAR(TradePricePart(t), theirs[1], 0.005) << t.exitText.str();
        EXPECT_NEAR(TradeExchangePart(t), theirs[2], 0.005) << t.exitText.str();
    }
    EXPECT_NEAR(ledger.GetExchangePart(), 0.0, 1e-6);  // the dollar went down and back up
    // Only the dollars, when asked.
    CSistemaCartera dollars{ctx};
    dollars.SetCurrency("EUR");
    EXPECT_EQ(PlanImport(s, dollars, {"", "USD"}).added.size(), 3u);
}

TEST_F(FlexTest, XmlMovementsAccountsCurrenciesAndNotes) {
    const Statement s = Read(kXml);
    CSistemaCartera ledger{ctx};
    ExpectRefused([&] { PlanImport(s, ledger, {}); }, "U1111111, U2222222");
    ExpectRefused([&] { PlanImport(s, ledger, {"U1111111", ""}); }, "USD, EUR");
    ExpectRefused([&] { PlanImport(s, ledger, {"U3", ""}); }, "no account U3");
    const ImportPlan plan = ImportTwice(s, ledger);
    std::vector<std::string> added;
    for (const COrderCartera& m : plan.added)
        added.push_back(std::to_string(m.type) + " " + std::string(m.quoteCode) + " " +
                        m.contracts.Text() + "x" + ExactNumberText(m.price) + " c" +
                        ExactNumberText(m.commission) + " pv" + ExactNumberText(m.pointValue) +
                        " " + std::string(m.orderText));
    EXPECT_EQ(added, (std::vector<std::string>{
                         "3 CASH RECEIPTS 1x5000 c0 pv1 IB:2005",
                         "0 AAPL 100x150 c0.01 pv1 IB:1001", "6 AAPL 60x160 c0.02 pv1 IB:1002",
                         "0 AAPL  240315C00170000 2x3.5 c0.65 pv100 IB:1005",
                         "1 AAPL 40x0.24 c0 pv1 IB:2001",
                         "2 AAPL(US0378331005) CASH DIVIDEND USD 0.24 PER SHARE - US TAX 1x1.44 "
                         "c0 pv1 IB:2002",
                         "6 AAPL  240315C00170000 2x5 c0.65 pv100 IB:1006",
                         "2 MARKET DATA FEE, MARCH 1x10 c0 pv1 IB:2004",
                         "2 AAPL(US0378331005) US TAX REFUND 1x-0.48 c0 pv1 IB:2003",
                         "8 AAPL 0x0 c0 pv1 ",  // the split, 2 for 1
                     }));
    EXPECT_EQ(plan.leftOut,
              (std::vector<std::string>{"1 row of account U2222222 left out",
                                        "2 EUR rows left out: import them into a EUR portfolio"}));
    ASSERT_EQ(plan.notes.size(), 1u);
    // The cancelled buy an earlier import added is taken out of the journal by the import
    // that brings its cancellation: found by its id, or without one by its fields.
    auto without = [&](auto drop) {
        Statement part = s;
        part.rows.erase(std::remove_if(part.rows.begin(), part.rows.end(), drop), part.rows.end());
        return part;
    };
    const ImportOptions u1{"U1111111", "USD"};
    ledger.AddOrders(
        PlanImport(without([](const StatementRow& r) { return r.kind == RowKind::cancel; }), ledger,
                   u1)
            .added);
    Statement unnamed = without([](const StatementRow& r) { return r.id == "1003"; });
    const Statement late = unnamed;
    for (StatementRow& r : unnamed.rows) r.cancels.clear();
    const std::pair<const Statement*, std::string> cancelling[] = {
        {&s, "of line 9: neither is imported, and the journal's IB:1003 is taken out"},
        {&late, ", which the journal holds (IB:1003): taken out of it"},
        {&unnamed, ", which the journal holds (IB:1003): taken out of it"}};
    for (const auto& [statement, note] : cancelling) {
        const ImportPlan cancelled = PlanImport(*statement, ledger, u1);
        EXPECT_TRUE(cancelled.added.empty());
        ASSERT_EQ(cancelled.withdrawn.size(), 1u);
        EXPECT_EQ(cancelled.withdrawn[0].orderText, "IB:1003");
        EXPECT_THAT(cancelled.notes[0].text, ::testing::EndsWith(note));
    }
    const ImportPlan taking = PlanImport(late, ledger, u1);
    ledger.AddOrders(taking.added, {}, WithdrawnIds(taking));
    EXPECT_EQ(ledger.GetOrders().size(), plan.added.size());
    EXPECT_THAT(PlanImport(late, ledger, u1).notes[0].text,
                ::testing::EndsWith("which is neither in the statement nor in the journal"));
}

// activity.csv: an Activity Statement of one account, trades before the multipliers of their
// instruments: a stock bought ("1,000") and partly sold with the lot it closed, an option
// bought and sold, one expired, one exercised into shares, a stock in EUR, a currency
// exchange, a deposit, a dividend with its tax, a fee, interest and a split.
TEST_F(FlexTest, ActivityStatementImportsOnceWithTheBrokersRealizedResult) {
    const Statement s = Read(TestData("ib-activity-csv/activity.csv"));
    EXPECT_EQ(s.format, "ib-activity-csv");
    CSistemaCartera ledger{ctx};
    const ImportPlan plan = ImportTwice(s, ledger);
    std::vector<std::string> added;
    for (const COrderCartera& m : plan.added)
        added.push_back(std::to_string(m.type) + " " + IsoDate(m.date) + " " +
                        std::string(m.quoteCode) + " " + m.contracts.Text() + "x" +
                        FullNumberText(m.price) + " c" + ExactNumberText(m.commission) + " pv" +
                        ExactNumberText(m.pointValue));
    EXPECT_EQ(added, (std::vector<std::string>{
                         "3 2024-01-01 Electronic Fund Transfer 1x200000 c0 pv1",
                         "0 2024-01-02 AAPL 1000x150 c0.001 pv1",
                         "2 2024-01-10 Commission EUR.USD 1x2 c0 pv1",  // its exchange a note
                         "6 2024-02-01 AAPL 600x160 c0.002 pv1",
                         "0 2024-02-10 AAPL 15MAR24 170 C 2x3.5 c0.65 pv100",
                         "0 2024-02-12 AAPL 15MAR24 200 C 1x0.8 c0.65 pv100",
                         "1 2024-02-15 AAPL 400x0.24 c0 pv1",
                         "2 2024-02-15 AAPL(US0378331005) Cash Dividend USD 0.24 per Share - US "
                         "Tax 1x14.4 c0 pv1",
                         "0 2024-02-20 MSFT 15MAR24 400 C 1x5 c0.65 pv100",
                         "6 2024-03-01 AAPL 15MAR24 170 C 2x5 c0.65 pv100",
                         "4 2024-03-04 USD Credit Interest for Feb-2024 1x3.21 c0 pv1",
                         "2 2024-03-05 Market Data Fee 1x10 c0 pv1",
                         "0 2024-03-15 MSFT 100x400 c0 pv1",
                         "6 2024-03-15 AAPL 15MAR24 200 C 1x0 c0 pv100",
                         "6 2024-03-15 MSFT 15MAR24 400 C 1x0 c0 pv100",
                     }));
    EXPECT_EQ(plan.leftOut,
              std::vector<std::string>{"1 EUR row left out: import them into a EUR portfolio"});
    std::vector<size_t> noted;  // the exercise, the currency exchange, the split
    for (const StatementNote& n : plan.notes) noted.push_back(n.line);
    EXPECT_EQ(noted, (std::vector<size_t>{35, 38, 56}));
    // Each closed trade's result is the broker's, but the exercised option's: closed at 0,
    // its premium and commission are lost here, in the shares' cost there.
    std::map<std::string, double> ours, theirs;
    for (const CNegocioC& t : ledger.GetClosedTrades()) ours[t.quoteCode] += t.profit;
    for (const StatementRow& r : s.rows)
        if (r.kind == RowKind::trade) theirs[r.code] += r.realized;
    ASSERT_EQ(ours.size(), 4u);
    theirs["MSFT 15MAR24 400 C"] -= 500.65;
    for (const auto& [code, profit] : ours) EXPECT_NEAR(profit, theirs[code], 1e-9) << code;
    EXPECT_NEAR(theirs["AAPL"], 5998.2, 1e-9);

    // Shown with its executions, an order's fills are the trades.
    const Statement fills = Read(TestData("ib-activity-csv/executions.csv"));
    ASSERT_EQ(fills.rows.size(), 2u);
    EXPECT_EQ(
        Describe(fills.rows[1]),
        "0 line 6  USD id= 2024-01-02 10:00:01 AAPL AAPL buy 400 @150 c=0.4 x1 amount=0 rate=0");

    // Holdings alone are refused, saying what the file is; a Flex query starting with the
    // ISIN (no account, no conid) is a Flex CSV.
    ExpectRefused([] { Read(TestData("ib-activity-csv/positions_only.csv")); },
                  "an Activity Statement with open positions only, no trades");
    const Statement isin = Read(TestData("ib-flex-csv/isin_trades.csv"));
    EXPECT_EQ(isin.format, "ib-flex-csv");
    ASSERT_EQ(isin.rows.size(), 4u);  // the currency pair's sale and its commission between
    EXPECT_EQ(isin.rows[3].security + " " + ExactNumberText(isin.rows[3].realized),
              "US0378331005 598.2");
}

// Selling 1000 EUR.USD at 1.095 is 1095 USD bought with 1000 EUR, its commission of 2 an
// expense in the base currency.
TEST_F(FlexTest, ACurrencyPairTradeIsAnExchangeItsCommissionAnExpense) {
    const Statement s = Read(TestData("ib-flex-csv/isin_trades.csv"));
    EXPECT_TRUE(s.notes.empty());
    CSistemaCartera ledger{ctx};
    ledger.SetCurrency("USD");
    ledger.AddOrders(PlanImport(s, ledger, {}).added);
    // -100 x 150 - 1 + 1095 - 2 + 60 x 160 - 1.2 dollars: the shares and the exchange.
    const std::vector<CurrencyAmount> cash = CashByCurrency(ledger.GetOrders(), "USD");
    ASSERT_EQ(cash.size(), 2u);
    EXPECT_EQ(cash[0].currency + " " + ExactNumberText(cash[0].amount), "EUR -1000");
    EXPECT_EQ(cash[1].currency, "USD");
    EXPECT_NEAR(cash[1].amount, -4309.2, 1e-9);
}

// A file read once, as the command line reads it (a pipe too): its head, then the rest.
TEST_F(FlexTest, AFileReadOnceGivesItsHeadThenTheRest) {
    const std::pair<std::string, std::string> files[] = {
        {std::string(70000, '\n') + FlexCsv(Layout::oneHeader), "ib-flex-csv"},
        {std::string(kXml).insert(kXml.find('\n'), "<!--" + std::string(100000, 'x') + "-->"),
         "ib-flex-xml"}};
    for (const auto& [text, format] : files) {
        std::istringstream direct(text);
        env.Files()["/mem/statement"] = text;
        std::unique_ptr<SequentialFile> file;
        ASSERT_TRUE(env.OpenSequential("/mem/statement", &file).ok());
        FileInput kept(std::move(file), kDetectBytes);
        EXPECT_EQ(kept.Head(), text.substr(0, kDetectBytes));
        EXPECT_EQ(Describe(ReadStatement(kept, format)), Describe(ReadStatement(direct, format)));
    }
}

// Each format is told apart where it is read: above, and Cartera's CSV by the import command.
TEST(FlexRead, RefusesBadRowsWithTheirLine) {
    const std::vector<std::string> lines = Lines("ib-flex-csv/flex_trades.csv");
    const std::string trade = lines[0] + "\n" + lines[1] + "\n";
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string t = trade;
        return t.replace(t.rfind(from), from.size(), to);
    };
    // Hostile XML: the parser's time and memory stay bounded.
    const std::string xml = "<FlexQueryResponse>\n";
    std::string nested = xml, kinds = xml;
    for (int i = 0; i < 65; ++i) nested += "<a>";
    for (int i = 0; i < 60; ++i)  // each kind of element stays with the parser
        kinds += "<e" + std::to_string(i) + std::string(100000, 'e') + "/>";
    const std::pair<std::string, std::string> bad[] = {
        {xml + "<Trade symbol=\"" + std::string(size_t{2} << 20, 'A'), "line 2, XML: a tag or"},
        {nested, "line 2, XML: elements nested deeper than 64"},
        {kinds, "line 2, XML: needs more than 8 MiB"},
        {"<!DOCTYPE x [<!ENTITY e \"e\">]><FlexQueryResponse/>", "line 1, XML: a document type"},
        {replaced("AAPL", std::string(257, 'A')), "line 2, symbol: longer than 256 bytes"},
        {replaced(",100,", ",\"1,2,3\","), "line 2, quantity: \"1,2,3\" is not a number"},
        {replaced(",150,", ",15O,"), "line 2, tradeprice: \"15O\" is not a number"},
        {replaced("20240102;", "13/01/2024;"), "line 2, datetime"},
        {replaced(",100,", ",-100,"), "line 2, quantity: its sign does not match BUY"},
        {replaced(",EXECUTION,0", ",EXECUTION"), "line 2, record: 14 fields"},
        {"HEADER,TRNT,Symbol\nDATA,CTRN,x\n", "line 2, DATA: comes before its HEADER"},
        {"Trades,Data,Order,Stocks,USD,AAPL\n", "line 1, Data: comes before its Header"},
        {"HEADER,POST,ClientAccountID,Symbol,Position\nDATA,POST,U1,AAPL,10\n",
         "line 2: a Flex statement with open positions only, no trades"},
        {xml + "<FlexStatement accountId=\"U1\">\n<OpenPosition "
               "symbol=\"A\"/></FlexStatement></FlexQueryResponse>",
         "line 3: a Flex statement with open positions only, no trades"},
        {"Trades,Header,Symbol,Date/Time,Quantity,T. Price\nTrades,Data,A,20240102,\"1,2,3\",1\n",
         "line 2, quantity: \"1,2,3\" is not a number"},
        {"<FlexQueryResponse>\n<FlexStatement>\n<Trade quantity=\"1\n", "line 3, XML"},
        {"<FlexQueryResponse>\n<Trade symbol=\"A\" quantity=\"1\" dateTime=\"20240102\"/>\n",
         "line 2, tradeprice: missing"},
    };
    for (const auto& [text, message] : bad) ExpectRefused([&] { Read(text); }, message);
    // 02/01/2024 is February 1st: month first, as the broker writes it.
    int32_t date = 0, time = 0;
    ASSERT_TRUE(ParseFlexDateTime("02/01/2024, 10:00:00", &date, &time));
    EXPECT_EQ(IsoDate(date) + " " + HnToHc(time), "2024-02-01 10:00:00");
    ASSERT_TRUE(ParseFlexDateTime("05-Mar-24", &date, &time));
    EXPECT_EQ(IsoDate(date), "2024-03-05");
    EXPECT_FALSE(ParseFlexDateTime("20240231", &date, &time));
}

}  // namespace
}  // namespace cartera::statements
