#include "dialogs/entry_sheets.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <tuple>

#include "dialogs/comision_editor.h"
#include "dialogs/comision_page.h"
#include "dialogs/date_field.h"
#include "dialogs/dlg_nuevo_nombre.h"
#include "dialogs/num_edit.h"
#include "dialogs/sheet_accion.h"
#include "dialogs/sheet_compra.h"
#include "dialogs/sheet_varios.h"
#include "dialogs/symbol_box.h"
#include "host/env.h"
#include "host/message_box.h"
#include "host/qt/quote_box_widget.h"
#include "model/portfolio_file.h"
#include "testing/test_ledger.h"

namespace {

using ::testing::HasSubstr;

using cartera::testing::LedgerTest;

// A ledger with its portfolio file, the schedule "Broker" (8 for an amount of 1050) and the
// securities TEF and SAN in the service's catalogue.
class EntrySheetsTest : public LedgerTest {
  protected:
    EntrySheetsTest() {
        service.AddSymbol({"TEF", "Telefonica", 2, 'V', 10.0});
        service.AddSymbol({"FUT", "Future", 2, 'F', 100.0});
        AddBroker(ledger);
        EXPECT_EQ(doc.SaveAs(kPath).message(), "");
        cartera::SetMessageBoxHandler([this](const std::string& text, unsigned) {
            messages.push_back(text);
            return IDOK;
        });
    }
    ~EntrySheetsTest() override {
        CPropertySheetBase::SetRunner({});
        CDlgBusquedaSimbolos::SetRunner({});
        cartera::SetMessageBoxHandler({});
    }

    static void AddBroker(CSistemaCartera& l) {
        l.GetAdmComisiones()->Add({-1, -1, 4, "Broker", 1, 0.2, 5, 0.05, 1, 0, 10000, 2});
    }

    // Runs the buy/sell sheet as the view commands do (on a copy of the movement modified),
    // driven by drive.
    void BuySell(int buy, CNegocioC* trade, const COrderCartera* movement,
                 const std::function<void(CSheetCompra&, CDlgCompraAccion&)>& drive) {
        CPropertySheetBase::SetRunner([&](CPropertySheetBase& s) {
            auto& sheet = dynamic_cast<CSheetCompra&>(s);
            sheet.show();
            drive(sheet, *sheet.Page());
        });
        COrderCartera copy = movement ? *movement : COrderCartera{};
        sheets.RunBuySell(ledger,
                          movement ? 3460
                          : buy    ? 3391
                                   : 3392,
                          buy, trade, movement ? &copy : nullptr);
    }
    void Other(const COrderCartera* movement, const std::function<void(CSheetVarios&)>& drive) {
        CPropertySheetBase::SetRunner(
            [&](CPropertySheetBase& s) { drive(dynamic_cast<CSheetVarios&>(s)); });
        COrderCartera copy = movement ? *movement : COrderCartera{};
        sheets.RunOther(ledger, movement ? 3460 : 3394, movement ? &copy : nullptr);
    }
    void Action(COrderCartera* movement, const std::function<void(CSheetAccion&)>& drive) {
        CPropertySheetBase::SetRunner(
            [&](CPropertySheetBase& s) { drive(dynamic_cast<CSheetAccion&>(s)); });
        sheets.RunAction(ledger, movement ? 3460 : 44025, movement);
    }
    static void Type(QLineEdit* edit, const char* text) {
        edit->clear();
        QTest::keyClicks(edit, text);
    }
    static void Fill(CDlgCompraAccion& page, const char* contracts, const char* price) {
        Type(page.Contracts(), contracts);
        Type(page.Price(), price);
    }
    template <class Page>
    static void ChooseSymbol(Page& page, const char* text) {
        Type(page.SymbolBox()->lineEdit(), text);
        QTest::keyClick(page.SymbolBox()->lineEdit(), Qt::Key_Return);
    }
    static std::string Text(QLineEdit* e) { return e->text().toStdString(); }
    static std::string Status(CPropertySheetBase& s) {
        return s.StatusLine()->text().toStdString();
    }

    static constexpr const char* kPath = "/mem/home/p.cartera";
    CSistemaCartera ledger{ctx};
    cartera::PortfolioDocument doc{&ledger, &env};
    CEntrySheets sheets;
    std::vector<std::string> messages;
};

TEST_F(EntrySheetsTest, ABuyAndASellClosingItRecordMovementsAndATrade) {
    BuySell(1, nullptr, nullptr, [&](CSheetCompra& sheet, CDlgCompraAccion& page) {
        EXPECT_EQ(sheet.windowTitle().toStdString(), "Buy");
        EXPECT_EQ(page.Schedules()->currentText().toStdString(), "Broker");
        EXPECT_FALSE(sheet.OkButton()->isEnabled()) << "no contracts yet";
        EXPECT_EQ(sheet.focusWidget(), page.SymbolBox());
        EXPECT_EQ(page.Contracts()->nextInFocusChain(), page.Price()) << "tab order";
        // Until OK is enabled, the sheet says which field stops it.
        Fill(page, "100", "10.5");
        EXPECT_EQ(Status(sheet), "Choose a security");
        EXPECT_FALSE(sheet.OkButton()->isEnabled());
        ChooseSymbol(page, "tef");
        EXPECT_EQ(page.SymbolBox()->Chosen().code, "TEF");
        EXPECT_EQ(sheet.focusWidget(), page.Contracts()) << "Return goes on to the contracts";
        for (auto [contracts, price, why] :
             {std::tuple{"0", "10.5", "No. of Contr.: type a number above 0"},
              {"-4", "10.5", "No. of Contr.: type a number above 0"},
              {"", "10.5", "No. of Contr.: type a number above 0"},
              {"3000000000", "10.5", "No. of Contr.: at most 2147483647"},
              {"100", "", "Price: type a number"},
              {"100", "1..5", "Price: \u201c1..5\u201d is not a number."},
              {"100", "10.5", ""}}) {
            Fill(page, contracts, price);
            EXPECT_EQ(Status(sheet), why) << contracts << " " << price;
            EXPECT_EQ(sheet.OkButton()->isEnabled(), *why == 0);
        }
        EXPECT_EQ(Text(page.Gross()) + " " + Text(page.Commission()) + " " + Text(page.Total()),
                  "1050.00 8.00 1058.00");
        QTest::keyClick(page.Price(), Qt::Key_Return);  // Enter is OK
        EXPECT_EQ(sheet.result(), QDialog::Accepted);
    });
    ASSERT_EQ(ledger.GetOrders().size(), 1u);
    const COrderCartera& buy = ledger.GetOrders()[0];
    EXPECT_EQ(std::tie(buy.type, buy.buy, buy.symbol, buy.contracts, buy.schedule, buy.date),
              std::tuple(kBuy, 1, "Telefonica", 100, "Broker", FctimeToFn(CTime{kNow})));
    EXPECT_DOUBLE_EQ(buy.price, 10.5);
    EXPECT_DOUBLE_EQ(buy.commission, 0.08);
    ASSERT_EQ(ledger.GetOpenTrades().size(), 1u);

    CNegocioC trade = ledger.GetOpenTrades()[0];
    BuySell(0, &trade, nullptr, [&](CSheetCompra& sheet, CDlgCompraAccion& page) {
        EXPECT_EQ(Text(page.Contracts()), "100");
        EXPECT_EQ(page.SymbolBox()->currentText().toStdString(), "Telefonica");
        // Selling more than is held is told, not refused.
        EXPECT_EQ(Status(sheet), "");
        Type(page.Contracts(), "160");
        EXPECT_EQ(Status(sheet), "Sells 160, holds 100: opens a short of 60");
        EXPECT_TRUE(sheet.OkButton()->isEnabled());
        Fill(page, "100", "12");
        EXPECT_EQ(Text(page.Total()), "1192.00");
        sheet.OkButton()->click();
    });
    EXPECT_EQ(std::tuple(ledger.GetOrders().back().type, ledger.GetClosedTrades().size(),
                         ledger.GetOpenTrades().size()),
              std::tuple(kSell, 1u, 0u));

    // The file holds both, and Cancel writes nothing more.
    std::string saved = env.Files()[kPath];
    BuySell(1, nullptr, nullptr, [&](CSheetCompra& sheet, CDlgCompraAccion& page) {
        ChooseSymbol(page, "TEF");
        Type(page.Contracts(), "5");
        QTest::keyClick(page.Contracts(), Qt::Key_Escape);
        EXPECT_EQ(sheet.result(), QDialog::Rejected);
    });
    EXPECT_EQ(env.Files()[kPath], saved);
    CSistemaCartera reread{ctx};
    cartera::PortfolioDocument rereadDoc(&reread, &env);
    ASSERT_EQ(rereadDoc.Load(kPath).message(), "");
    EXPECT_EQ(reread.GetOrders().size(), 2u);
}

TEST_F(EntrySheetsTest, ModifyKeepsTheSideAndChangesOnlyWhatTheUserChanged) {
    // Typed by hand: a price with three decimals, a commission without a schedule.
    ledger.AddOrder(cartera::testing::Exec(false, "TEF", 100, 4.312, 0.5, 21000));
    COrderCartera priced = cartera::testing::Exec(true, "TEF", 10, 4.0, 0.3, 21000);
    priced.schedule = "Broker";
    ledger.AddOrder(priced);
    ASSERT_EQ(doc.Load(kPath).message(), "");  // as the file gives them back
    const uint64_t id = ledger.GetOrders()[0].id, pricedId = ledger.GetOrders()[1].id;
    BuySell(1, nullptr, ledger.GetOrden(id), [&](CSheetCompra& sheet, CDlgCompraAccion& page) {
        EXPECT_EQ(std::tuple(sheet.windowTitle().toStdString(), page.IsBuy(), Text(page.Price()),
                             page.Schedules()->currentIndex()),
                  std::tuple("Modify order", false, "4.312", -1));
        EXPECT_EQ(sheet.focusWidget(), page.Contracts());
        Tick("TEF", 13.0);  // the movement's price is never replaced
        Type(page.Contracts(), "50");
        EXPECT_EQ(Text(page.Commission()), "50.00");
        sheet.OkButton()->click();
    });
    const COrderCartera& m = *ledger.GetOrden(id);
    EXPECT_EQ(std::tie(m.type, m.contracts, m.price, m.date, m.schedule),
              std::tuple(kSell, 50, 4.312, 21000, ""));
    EXPECT_DOUBLE_EQ(m.commission * 50, 50.0);
    EXPECT_EQ(ledger.GetPestanaActiva(), 0);

    // With a schedule the commission stays until the contracts, price or schedule change.
    for (auto [price, commission] : {std::pair{"4.00", 0.3}, {"4.5", 0.8}}) {
        BuySell(1, nullptr, ledger.GetOrden(pricedId), [&](auto& sheet, auto& page) {
            EXPECT_EQ(page.Schedules()->currentText().toStdString(), "Broker");
            Type(page.Price(), price);
            Type(page.Group()->lineEdit(), "Spain");
            sheet.OkButton()->click();
        });
        EXPECT_EQ(ledger.GetOrden(pricedId)->group, "Spain");
        EXPECT_DOUBLE_EQ(ledger.GetOrden(pricedId)->commission, commission) << price;
    }

    // A future's trade asks for the futures tab; Cancel leaves it asked for.
    ledger.AddOrder(cartera::testing::Exec(true, "FUT", 1, 100.0));
    CNegocioC future = ledger.GetOpenTrades().back();
    BuySell(1, &future, nullptr, [](CSheetCompra& sheet, CDlgCompraAccion&) { sheet.reject(); });
    EXPECT_EQ(ledger.GetPestanaActiva(), 1);
}

TEST_F(EntrySheetsTest, NumbersAreTypedInTheInterfaceLanguage) {
    cartera::SetLanguage(cartera::Language::de);
    CNumEdit price, contracts;
    QTest::keyClicks(&price, "4,25");
    EXPECT_EQ(price.Value(), 4.25);
    EXPECT_EQ(price.PlainText(), "4.25");
    // What is typed stays as typed, and only a plain number is one; a quantity is read
    // exactly, a comma its decimal separator and a point its thousands.
    for (auto [typed, exact] :
         {std::pair("1,5x", ""), std::pair("1e12", ""), std::pair("1,234", "1.234"),
          std::pair("1.234", "1234"), std::pair("0,00000000001", ""),
          std::pair("29,80478", "29.80478")}) {
        Type(&contracts, typed);
        EXPECT_EQ(contracts.text().toStdString(), typed);
        const auto q = contracts.QuantityValue();
        EXPECT_EQ(q ? q->Text() : "", exact) << typed;
    }
    Type(&price, "1e12");
    EXPECT_EQ(price.WhyNotANumber(), "„1e12“ ist keine Zahl.");
    BuySell(1, nullptr, nullptr, [&](CSheetCompra& sheet, CDlgCompraAccion& page) {
        EXPECT_EQ(sheet.windowTitle().toStdString(), "Kauf");
        EXPECT_EQ(Status(sheet), "Wählen Sie ein Wertpapier");
        ChooseSymbol(page, "TEF");
        EXPECT_EQ(Status(sheet), "Anz. Kontr.: Zahl über 0 eingeben");
        Fill(page, "100,5", "10,5");
        EXPECT_EQ(Text(page.Total()), "1063,25");
        for (QWidget* w : page.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            EXPECT_TRUE(page.rect().contains(w->geometry())) << w->metaObject()->className();
        sheet.OkButton()->click();
    });
    ASSERT_EQ(ledger.GetOrders().size(), 1u);
    EXPECT_DOUBLE_EQ(ledger.GetOrders()[0].price, 10.5);
    EXPECT_EQ(ledger.GetOrders()[0].contracts.Text(), "100.5");
    cartera::SetLanguage(cartera::Language::en);
}

TEST_F(EntrySheetsTest, BadInputKeepsTheSheetOpenAndRecordsNothing) {
    ledger.GetAdmComisiones()->DeleteSchedule("Broker", 4);
    BuySell(1, nullptr, nullptr, [&](CSheetCompra& sheet, CDlgCompraAccion& page) {
        EXPECT_EQ(page.Schedules()->count(), 0);
        ChooseSymbol(page, "NO,PE");  // no code can have a comma
        ASSERT_EQ(messages, std::vector<std::string>{"Search error"});
        Fill(page, "3", "0");
        Type(page.Commission(), "2");
        Type(page.Price(), "1");
        EXPECT_EQ(Text(page.Total()), "5.00") << "a typed commission stays";
        sheet.OkButton()->click();
        EXPECT_NE(sheet.result(), QDialog::Accepted) << "the symbol box reports an error";
        ChooseSymbol(page, "TEF");
        // A malformed number is named on the sheet, which keeps OK disabled; a number beyond
        // the bounds is refused at OK with a message naming the field, the focus on it.
        Fill(page, "3", "12,3,4");
        EXPECT_THAT(Status(sheet), HasSubstr("12,3,4"));
        EXPECT_FALSE(sheet.OkButton()->isEnabled());
        EXPECT_EQ(Text(page.Total()), "") << "nothing computed from a refused price";
        // Every bound disables OK with its reason, and leaves the computed boxes blank.
        messages.clear();
        const std::string total = LS(42003);
        for (auto [contracts, price, why] :
             {std::tuple{"3", "20000000000000", "Price: at most 1,000,000,000,000"},
              {"3", "-4", "Price: not below 0"},
              {"2000000000", "900", total.c_str()}}) {
            Fill(page, contracts, price);
            EXPECT_EQ(Status(sheet), why) << price;
            EXPECT_EQ(Text(page.Gross()) + Text(page.Total()), "") << price;
            sheet.OkButton()->click();
            EXPECT_NE(sheet.result(), QDialog::Accepted);
        }
        EXPECT_TRUE(messages.empty());
        page.Contracts()->clear();
        EXPECT_FALSE(sheet.OkButton()->isEnabled());
        Fill(page, "1000000", "0");
        sheet.OkButton()->click();
        EXPECT_EQ(sheet.result(), QDialog::Accepted);
    });
    ASSERT_EQ(ledger.GetOrders().size(), 1u);
    const COrderCartera& m = ledger.GetOrders()[0];
    EXPECT_EQ(std::tie(m.contracts, m.price, m.schedule), std::tuple(1000000, 0.0, ""));
}

TEST_F(EntrySheetsTest, AnySecurityCanBeChosenTypedOrSearchedAndTheLivePriceFollowed) {
    ledger.AddOrder(cartera::BuildDividend("Xyz Corp", "XYZ", 3, 10, 0.5, "", kNow));
    Tick("QQQ", 7.0);  // a code only a quotes file knows
    CDlgBusquedaSimbolos::SetRunner([](CDlgBusquedaSimbolos& dlg) {
        dlg.GetLink()->GetService()->RunSearch(dlg.GetLink(), "q");
        std::vector<std::string> codes;
        for (const auto& found : dlg.GetFound()) codes.push_back(found.Code());
        EXPECT_EQ(codes, std::vector<std::string>{"QQQ"});
        dlg.SetSeleccionados(dlg.GetFound());
        return 1;
    });
    BuySell(1, nullptr, nullptr, [&](CSheetCompra& sheet, CDlgCompraAccion& page) {
        ChooseSymbol(page, "xyz");
        EXPECT_EQ(std::tuple(page.SymbolBox()->Chosen().name, page.SymbolBox()->Chosen().decimals),
                  std::tuple("Xyz Corp", 3));
        ChooseSymbol(page, "ACME  Acme Corp");
        EXPECT_EQ(page.SymbolBox()->Chosen().code + "/" + page.SymbolBox()->Chosen().name,
                  "ACME/Acme Corp");
        page.SearchButton()->click();
        EXPECT_EQ(page.SymbolBox()->Chosen().code, "QQQ");
        EXPECT_TRUE(messages.empty());
        // A new order's price follows the live price until typed.
        Type(page.Contracts(), "10");
        Tick("QQQ", 11.25);
        EXPECT_EQ(Text(page.Last()) + " " + Text(page.Price()) + " " + Text(page.Gross()),
                  "11.25 11.25 112.50");
        Type(page.Price(), "11");
        Tick("QQQ", 11.5);
        EXPECT_EQ(Text(page.Last()) + " " + Text(page.Price()), "11.50 11");
        // A price ten times away from the last asks first; No keeps the sheet open.
        Type(page.Price(), "116");
        sheet.OkButton()->click();
        EXPECT_NE(sheet.result(), QDialog::Accepted);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].rfind("The price 116.00 is more than 10 times", 0), 0u)
            << messages[0];
        Type(page.Price(), "2");
        QTest::keyClick(page.SymbolBox()->lineEdit(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(page.SymbolBox()->lineEdit(), Qt::Key_Backspace);
        EXPECT_EQ(page.SymbolBox()->Chosen().code, "") << "emptied: no choice";
        EXPECT_FALSE(sheet.OkButton()->isEnabled());
        EXPECT_EQ(Status(sheet), "Choose a security");
        ChooseSymbol(page, "NEWCO");
        sheet.OkButton()->click();
        EXPECT_EQ(sheet.result(), QDialog::Accepted);
    });
    const COrderCartera& m = ledger.GetOrders().back();
    EXPECT_EQ(std::tie(m.quoteCode, m.symbol), std::tuple("NEWCO", "NEWCO"));
}

TEST_F(EntrySheetsTest, AWholeDateIsTakenAnImpossibleOneRefusedAndEveryScheduleOffered) {
    CSistemaCartera other{ctx};  // another open portfolio, with its own reading of the file
    CDlgNuevoNombre::SetRunner([](CDlgNuevoNombre& dlg) {
        QTest::keyClicks(dlg.NameEdit(), "Fresh");
        dlg.OkButton()->click();
        return IDOK;
    });
    CSheetComision::SetRunner([](CSheetComision& sheet) {
        sheet.Page()->Button(CDlgComisionAcciones::IDC_NEW)->click();
        sheet.OkButton()->click();
    });
    EXPECT_TRUE(RunCommissionEditor(*other.GetAdmComisiones(), 3393, nullptr));
    CSheetComision::SetRunner({});
    CDlgNuevoNombre::SetRunner({});
    BuySell(1, nullptr, nullptr, [&](CSheetCompra& sheet, CDlgCompraAccion& page) {
        EXPECT_NE(page.Schedules()->findText("Fresh"), -1) << "saved by another portfolio";
        ChooseSymbol(page, "TEF");
        Fill(page, "10", "4");
        CDateField* date = page.DatePicker();
        auto typeOver = [&](const char* text) {
            date->setFocus();
            QTest::keyClick(date, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(date, text);
        };
        typeOver("31/02/2025");
        EXPECT_EQ(Status(sheet), "Date: \u201c31/02/2025\u201d is not a date; type one like " +
                                     cartera::DateText(FctimeToFn(CTime{kNow})));
        EXPECT_FALSE(sheet.OkButton()->isEnabled());
        QTest::keyClick(page.Contracts(), Qt::Key_Tab);  // leaving keeps it as typed
        EXPECT_FALSE(sheet.OkButton()->isEnabled());
        typeOver("2025-03-16");
        EXPECT_EQ(date->date(), QDate(2025, 3, 16));
        QGuiApplication::clipboard()->setText("14/03/2025");
        date->setFocus();
        QTest::keyClick(date, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(date, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(date->date(), QDate(2025, 3, 14));
        typeOver("15/03/2025");
        EXPECT_EQ(Status(sheet), "");
        sheet.OkButton()->click();
    });
    ASSERT_EQ(ledger.GetOrders().size(), 1u);
    EXPECT_EQ(ledger.GetOrders()[0].date, cartera::DateNumber(2025, 3, 15));
}

TEST_F(EntrySheetsTest, EachOtherOperationRecordsItsMovementFromThePageShowingOrModifiesIt) {
    const int types[] = {kImposition, kRefund, kDeposit, kExpense};
    for (int page = 0; page < 4; ++page) {
        Other(nullptr, [&](CSheetVarios& sheet) {
            EXPECT_EQ(sheet.GetPageCount(), 5);
            Type(dynamic_cast<CDlgOperacionSimple*>(sheet.GetPage((page + 1) % 4))->Amount(), "9");
            sheet.SetActivePage(page);
            auto* p = dynamic_cast<CDlgOperacionSimple*>(sheet.GetActivePage());
            EXPECT_FALSE(sheet.OkButton()->isEnabled());
            EXPECT_EQ(Status(sheet),
                      page % 3 ? "Total amount: type a number" : "Total: type a number");
            QTest::keyClicks(p->Description(), "Bank fees");
            QTest::keyClicks(p->Amount(), "125.5");
            sheet.OkButton()->click();
        });
        ASSERT_EQ(ledger.GetOrders().size(), page + 1u) << "only the page showing records";
        const COrderCartera& m = ledger.GetOrders().back();
        EXPECT_EQ(std::tie(m.type, m.symbol, m.quoteCode, m.contracts),
                  std::tuple(types[page], "Bank fees", "Bank fees", 1));
        EXPECT_DOUBLE_EQ(m.price, 125.5);
    }
    Other(nullptr, [&](CSheetVarios& sheet) {
        sheet.SetActivePage(4);
        auto* p = dynamic_cast<CDlgDividendos*>(sheet.GetActivePage());
        ChooseSymbol(*p, "TEF");
        EXPECT_EQ(p->SymbolBox()->lineEdit()->cursorPosition(), 0) << "the name's start shows";
        QTest::keyClicks(p->PerShare(), "0.25");
        for (const char* shares : {"", "0", "-5"}) {  // a dividend on no shares is none
            Type(p->Contracts(), shares);
            EXPECT_EQ(Status(sheet), "Contracts No.: type a number above 0") << shares;
            sheet.OkButton()->click();
            EXPECT_NE(sheet.result(), QDialog::Accepted) << shares;
        }
        Type(p->Contracts(), "100000");
        EXPECT_EQ(Text(p->Total()), "25000");
        Type(p->Total(), "120");
        sheet.OkButton()->click();
    });
    const COrderCartera& d = ledger.GetOrders().back();
    EXPECT_EQ(std::tie(d.type, d.quoteCode, d.contracts, d.buy),
              std::tuple(kDividend, "TEF", 100000, 0));
    EXPECT_DOUBLE_EQ(d.price, 0.25);

    // Modifying the deposit opens its page with the old values and keeps the id.
    uint64_t id = ledger.GetOrders()[2].id;
    Other(ledger.GetOrden(id), [&](CSheetVarios& sheet) {
        EXPECT_EQ(sheet.GetActiveIndex(), 2);
        auto* p = dynamic_cast<CDlgOperacionSimple*>(sheet.GetActivePage());
        EXPECT_EQ(Text(p->Amount()) + "|" + Text(p->Description()), "125.5|Bank fees");
        Type(p->Amount(), "200");
        sheet.OkButton()->click();
    });
    EXPECT_EQ(ledger.GetOrders().size(), 5u);
    EXPECT_EQ(std::tie(ledger.GetOrden(id)->type, ledger.GetOrden(id)->price),
              std::tuple(kDeposit, 200.0));

    // Modifying a dividend keeps its security and group.
    EXPECT_EQ(CPortfolioCBox::CacheFile(ctx), "/mem/home/PortfolioCache.txt");
    ledger.AddOrder(cartera::BuildDividend("Telefonica", "TEF", 2, 400, 0.25, "Spain", kNow));
    id = ledger.GetOrders().back().id;
    Other(ledger.GetOrden(id), [&](CSheetVarios& sheet) {
        auto* p = dynamic_cast<CDlgDividendos*>(sheet.GetActivePage());
        ASSERT_NE(p, nullptr);
        EXPECT_EQ((p->SymbolBox()->currentText() + "|" + p->Group()->currentText()).toStdString() +
                      "|" + Text(p->Total()),
                  "Telefonica|Spain|100");
        Type(p->PerShare(), "0.5");
        sheet.OkButton()->click();
    });
    ASSERT_EQ(ledger.GetOrders().size(), 6u);
    const COrderCartera& s = ledger.GetOrders().back();
    EXPECT_EQ(std::tie(s.id, s.quoteCode, s.group), std::tuple(id, "TEF", "Spain"));
    EXPECT_DOUBLE_EQ(s.price, 0.5);

    // A security chosen once is listed by every later box.
    BuySell(1, nullptr, nullptr, [&](CSheetCompra& sheet, CDlgCompraAccion& page) {
        ChooseSymbol(page, "Future");
        sheet.reject();
    });
    CPortfolioCBox later{ctx};
    later.LoadFromCache();
    bool listed = false;
    for (int i = 0; i < later.count(); ++i) listed |= later.GetCodigoCompleto(i) == "FUT";
    EXPECT_TRUE(listed);
    EXPECT_EQ(later.currentIndex(), -1);

    // A dividend's shares start as those the portfolio holds of the security chosen.
    ledger.AddOrder(cartera::testing::Exec(true, "TEF", 300, 10.0));
    ledger.AddOrder(cartera::testing::Exec(false, "TEF", 120, 11.0));
    Other(nullptr, [&](CSheetVarios& sheet) {
        sheet.SetActivePage(4);
        auto* p = dynamic_cast<CDlgDividendos*>(sheet.GetActivePage());
        ChooseSymbol(*p, "TEF");
        EXPECT_EQ(Text(p->Contracts()), "180");
        EXPECT_EQ(p->SymbolBox()->lineEdit()->cursorPosition(), 0) << "the name's start shows";
        sheet.reject();
    });
}

// The action sheet reads its ratio as "4 new for 1 old", shows the position before and after
// it, records the split the lots follow, and opens on an action to modify it.
TEST_F(EntrySheetsTest, TheActionSheetPreviewsAndRecordsASplitAndModifiesIt) {
    ledger.AddOrder(cartera::testing::Exec(true, "TEF", 10, 20.0));
    Action(nullptr, [&](CSheetAccion& sheet) {
        CDlgAccion& page = *sheet.Page();
        EXPECT_EQ(page.Security()->currentText().toStdString(), "TEF") << "the one held";
        Type(page.RatioNew(), "4");
        EXPECT_EQ(page.Preview()->text().toStdString(),
                  "Now 10 TEF (cost 200.00); after it 40 TEF (cost 200.00).");
        Type(page.RatioOld(), "0");
        EXPECT_EQ(Status(sheet), "Ratio: type a number above 0");
        EXPECT_FALSE(sheet.OkButton()->isEnabled());
        page.Kind()->setCurrentIndex(kRename - kSplit);
        EXPECT_EQ(Status(sheet), "New code: type a code") << "a rename takes no ratio";
        page.Kind()->setCurrentIndex(0);
        Type(page.RatioOld(), "1");
        sheet.OkButton()->click();
    });
    const COrderCartera split = ledger.GetOrders().back();
    EXPECT_EQ(std::tie(split.type, split.terms), std::tuple(kSplit, "4:1"));
    EXPECT_EQ(ledger.GetOpenTrades()[0].contracts, 40);
    COrderCartera copy = split;
    Action(&copy, [&](CSheetAccion& sheet) {
        EXPECT_EQ(Text(sheet.Page()->RatioNew()), "4");
        Type(sheet.Page()->RatioNew(), "2");
        sheet.OkButton()->click();
    });
    EXPECT_EQ(std::tuple(ledger.GetOrders().size(), ledger.GetOrders().back().terms.str()),
              std::tuple(2u, "2:1"));
    EXPECT_EQ(ledger.GetOpenTrades()[0].contracts, 20);
}

}  // namespace
