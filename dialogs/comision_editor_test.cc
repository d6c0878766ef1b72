// The commission editor, and the name dialogs it and the new portfolio command open.
#include "dialogs/comision_editor.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <tuple>

#include "dialogs/comision_page.h"
#include "dialogs/dlg_nombre_cartera.h"
#include "dialogs/dlg_nuevo_nombre.h"
#include "grids/grid_comision.h"
#include "host/env.h"
#include "host/folders.h"
#include "host/message_box.h"
#include "host/strings.h"
#include "testing/mem_env.h"
#include "testing/test_hooks.h"

namespace {

using ::testing::HasSubstr;

using Page = CDlgComisionAcciones;

// Hooks kept, a fresh settings folder, answered message boxes and new-name dialogs.
class CommissionEditorTest : public cartera::testing::HooksTest {
  protected:
    CommissionEditorTest() {
        hooks.Keep(&CSheetComision::SetRunner);
        hooks.Keep(&CDlgNuevoNombre::SetRunner);
        cartera::SetMessageBoxHandler([this](const std::string& text, unsigned) {
            messages.push_back(text);
            return IDOK;
        });
        CDlgNuevoNombre::SetRunner([this](CDlgNuevoNombre& dlg) {
            QTest::keyClicks(dlg.NameEdit(), QString::fromStdString(nextName));
            dlg.OkButton()->click();
            return dlg.result() == QDialog::Accepted ? IDOK : IDCANCEL;
        });
    }
    // Opens the editor over adm; run drives its page, then OK or Cancel is pressed.
    bool Edit(CAdmComisiones& adm, bool ok, const std::function<void(Page&)>& run) {
        CSheetComision::SetRunner([&](CSheetComision& sheet) {
            run(*sheet.Page());
            (ok ? sheet.OkButton() : sheet.CancelButton())->click();
        });
        return RunCommissionEditor(adm, 3393, nullptr);
    }
    void New(Page& page, const std::string& name) {
        nextName = name;
        page.Button(Page::IDC_NEW)->click();
    }
    static void Type(Page& page, int id, const char* text) {
        page.Edit(id)->clear();
        QTest::keyClicks(page.Edit(id), text);
    }
    static void AddBracket(Page& page, const char* from, const char* to, const char* royalty) {
        Type(page, Page::IDC_FROM, from);
        Type(page, Page::IDC_TO, to);
        Type(page, Page::IDC_ROYALTY, royalty);
        page.Button(Page::IDC_ADD)->click();
    }
    static std::string Text(Page& page, int id) { return page.Edit(id)->text().toStdString(); }
    CArrayComisiones Stored(const std::string& name) const {
        CAdmComisiones adm(ctx);
        adm.Load();
        CArrayComisiones out;
        adm.GetBrackets(name, 4, out);
        return out;
    }

    cartera::Context ctx = hooks.Ctx();
    std::vector<std::string> messages;
    std::string nextName;
};

TEST_F(CommissionEditorTest, DeleteSelectsTheNeighbourAndSchedulesAreBuiltFromNone) {
    CAdmComisiones adm(ctx);
    Edit(adm, true, [&](Page& page) {
        for (const char* name : {"B", "A", "C"}) New(page, name);
    });
    auto deleteB = [&](Page& page) {
        page.NameList()->setCurrentIndex(1);
        page.OnSelChangeName();
        page.Button(Page::IDC_DELETE)->click();
        EXPECT_EQ(page.NameList()->currentText(), "A");
        EXPECT_EQ(page.NameList()->count(), 2);
    };
    EXPECT_FALSE(Edit(adm, false, deleteB));
    EXPECT_TRUE(adm.Exists("B", 4));
    Edit(adm, true, deleteB);
    EXPECT_FALSE(Stored("A").empty());
    EXPECT_TRUE(Stored("B").empty());

    Edit(adm, true, [&](Page& page) {
        page.NameList()->setCurrentIndex(0);
        while (page.NameList()->count()) page.Button(Page::IDC_DELETE)->click();
        EXPECT_FALSE(page.DefaultBox()->isChecked());
        EXPECT_FALSE(page.Button(Page::IDC_DELETE)->isEnabled());
        EXPECT_EQ(Text(page, Page::IDC_COMMISSION_PCT), "0");
    });
    EXPECT_TRUE(adm.Records().empty());

    EXPECT_TRUE(Edit(adm, true, [&](Page& page) {
        EXPECT_EQ(page.NameList()->count(), 0);
        EXPECT_FALSE(page.Edit(Page::IDC_FROM)->isEnabled());
        EXPECT_TRUE(page.Button(Page::IDC_NEW)->isEnabled());
        New(page, "Broker");
        EXPECT_TRUE(page.DefaultBox()->isChecked()) << "the first schedule is the default";
        Type(page, Page::IDC_COMMISSION_PCT, "0.2");
        AddBracket(page, "0", "1000", "5");
        EXPECT_EQ(page.Grid().QuickGetText(2, 0), "5.00");
        EXPECT_EQ(Text(page, Page::IDC_FROM) + "-" + Text(page, Page::IDC_TO), "1001-2000");
        page.Button(Page::IDC_ADD)->click();
        AddBracket(page, "2001", "5000", "1.5");
        AddBracket(page, "200", "800", "0");     // upper bound inside 0-1000
        AddBracket(page, "4000", "9000", "0");   // From inside 2001-5000
        AddBracket(page, "5000", "6000", "-1");  // touching is fine, a negative fee is not
        New(page, "   ");
        New(page, "BROKER");
        AddBracket(page, "7000", "6999", "0");  // To below From
        // Each says what is wrong: the field and value, or the bounds and what they meet.
        const std::string check = LS(3416) + ": ";
        EXPECT_EQ(messages, (std::vector<std::string>{
                                check + "200 – 800 overlaps the bracket 0 – 1000.",
                                check + "4000 – 9000 overlaps the bracket 2001 – 5000.",
                                "Royalty: -1 is negative; it must be 0 or more.", LS(42222),
                                LS(42103), check + "To 6999 is below From 7000."}));
        EXPECT_EQ(Text(page, Page::IDC_FROM), "7000") << "a refused bracket leaves the fields";
        EXPECT_EQ(page.Grid().GetNumberRows(), 3);
        New(page, "Another");  // applies Broker first; a schedule without brackets
        EXPECT_FALSE(page.DefaultBox()->isChecked());
        EXPECT_EQ(page.Grid().GetNumberRows(), 0);
        page.DefaultBox()->click();
        auto* sheet = qobject_cast<CSheetComision*>(page.window());
        sheet->show();
        for (const char* typed : {"-0.5", "abc"}) {  // one message, the sheet stays open
            messages.clear();
            Type(page, Page::IDC_BROKERAGE_MIN, typed);
            sheet->OkButton()->click();
            EXPECT_NE(sheet->result(), QDialog::Accepted) << typed;
            EXPECT_EQ(messages.size(), 1u) << typed;
            EXPECT_EQ(sheet->focusWidget(), page.Edit(Page::IDC_BROKERAGE_MIN)) << typed;
        }
        Type(page, Page::IDC_BROKERAGE_MIN, "2");
    }));
    EXPECT_EQ(Stored("Another")[0].brokerageMin, 2.0);
    CArrayComisiones broker = Stored("Broker"), another = Stored("Another");
    ASSERT_EQ(broker.size(), 3u);
    ASSERT_EQ(another.size(), 1u);
    // The default moved to Another.
    EXPECT_EQ(std::tuple(broker[2].royalty, broker[2].bracketIndex, broker[2].commissionPct,
                         broker[0].isDefault, another[0].to),
              std::tuple(1.5, 2, 0.2, 0, 10000000000.0));
    EXPECT_EQ(adm.GetDefaultName(), "Another");

    // Reopened: the default is loaded; its fields prepare the bracket after its last.
    Edit(adm, false, [&](Page& page) {
        EXPECT_EQ(page.NameList()->currentText(), "Another");
        EXPECT_EQ(Text(page, Page::IDC_FROM), "10000000000");
        page.NameList()->setCurrentIndex(page.NameList()->findText("Broker"));
        page.OnSelChangeName();
        EXPECT_EQ(Text(page, Page::IDC_FROM) + "-" + Text(page, Page::IDC_TO), "5000-7999");
        page.Grid().SelectRow(2);
        page.Button(Page::IDC_REMOVE)->click();
        EXPECT_EQ(page.Grid().GetCurrentRow(), 1);
    });
    EXPECT_EQ(Stored("Broker").size(), 3u) << "Cancel drops the removed row";
}

TEST_F(CommissionEditorTest, NameDialogsOkFollowsWhetherTheEditHoldsAFileNameInAnyLanguage) {
    CDlgNombreCartera dlg(nullptr);
    EXPECT_EQ(dlg.windowTitle().toStdString(), "Portfolio's Name");
    EXPECT_FALSE(dlg.OkButton()->isEnabled());
    QTest::keyClicks(dlg.NameEdit(), "P");
    EXPECT_TRUE(dlg.OkButton()->isEnabled());
    QTest::keyClick(dlg.NameEdit(), Qt::Key_Backspace);
    EXPECT_FALSE(dlg.OkButton()->isEnabled());

    // Enter in the empty edit does not close it.
    QTest::keyClick(dlg.NameEdit(), Qt::Key_Return);
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_TRUE(dlg.GetName().empty());

    // Names that cannot be file names are refused with a message; the dialog stays open.
    CDlgNuevoNombre schedule(nullptr);
    for (const char* bad : {"a/b", "a\\b", ".", "..", " Plan", "Plan "}) {
        for (CDlgNombreBase* d : std::initializer_list<CDlgNombreBase*>{&dlg, &schedule}) {
            d->NameEdit()->clear();
            QTest::keyClicks(d->NameEdit(), bad);
            d->OkButton()->click();
            EXPECT_EQ(d->result(), QDialog::Rejected) << bad;
        }
    }
    EXPECT_EQ(messages.size(), 12u);
    EXPECT_EQ(messages[5], "The name cannot be \".\" or \"..\".");

    dlg.NameEdit()->clear();
    QTest::keyClicks(dlg.NameEdit(), "Pension plan");
    dlg.OkButton()->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.GetName(), "Pension plan");

    // In another language the template keeps its controls inside, OK left of Cancel, the
    // edit above both.
    cartera::SetLanguage(cartera::Language::es);
    CDlgNombreCartera es(nullptr);
    EXPECT_EQ(es.windowTitle().toStdString(), "Nombre de la cartera");
    for (QWidget* w :
         std::initializer_list<QWidget*>{es.NameEdit(), es.OkButton(), es.CancelButton()})
        EXPECT_TRUE(es.rect().contains(w->geometry())) << w->geometry().x();
    EXPECT_LT(es.OkButton()->geometry().right(), es.CancelButton()->geometry().left());
    EXPECT_LT(es.NameEdit()->geometry().bottom(), es.OkButton()->geometry().top());
}

}  // namespace

TEST_F(CommissionEditorTest, AFailedSaveShowsWhyAndKeepsTheEditorOpenOnTheEdit) {
    cartera::MemEnv env;
    ctx.env = &env;
    env.SetFailWrites(true);
    CAdmComisiones adm(ctx);
    EXPECT_TRUE(Edit(adm, true, [&](Page& page) {
        New(page, "Broker");
        auto* sheet = qobject_cast<CSheetComision*>(page.window());
        sheet->OkButton()->click();
        EXPECT_NE(sheet->result(), QDialog::Accepted);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_THAT(messages[0], HasSubstr("cannot write"));
        EXPECT_EQ(page.NameList()->currentText(), "Broker") << "the edit is kept";
        env.SetFailWrites(false);  // the cause gone, OK saves
    }));
    EXPECT_EQ(Stored("Broker").size(), 1u);
}
