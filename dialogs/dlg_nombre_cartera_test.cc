#include "dialogs/dlg_nombre_cartera.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "dialogs/dlg_nuevo_nombre.h"
#include "host/message_box.h"
#include "host/strings.h"
#include "testing/test_hooks.h"

namespace {

using NameDialogTest = cartera::testing::HooksTest;

TEST_F(NameDialogTest, OkFollowsWhetherTheEditHoldsAFileNameInAnyLanguage) {
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
    std::vector<std::string> messages;
    cartera::SetMessageBoxHandler([&](const std::string& text, unsigned) {
        messages.push_back(text);
        return IDOK;
    });
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
