#include "dialogs/dlg_nombre_cartera.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "dialogs/dlg_nuevo_nombre.h"
#include "host/message_box.h"
#include "host/strings.h"

namespace {

TEST(NameDialogTest, OkFollowsWhetherTheEditHoldsACharacter) {
    cartera::SetLanguage(cartera::Language::en);
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
    cartera::SetMessageBoxHandler({});

    dlg.NameEdit()->clear();
    QTest::keyClicks(dlg.NameEdit(), "Pension plan");
    dlg.OkButton()->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.GetName(), "Pension plan");
}

TEST(NameDialogTest, ShowsTheTemplateInTheInterfaceLanguage) {
    cartera::SetLanguage(cartera::Language::es);
    CDlgNombreCartera dlg(nullptr);
    EXPECT_EQ(dlg.windowTitle().toStdString(), "Nombre de la cartera");
    EXPECT_EQ(dlg.OkButton()->text().toStdString(), "Aceptar");
    EXPECT_EQ(dlg.CancelButton()->text().toStdString(), "Cancelar");
    // Controls inside the dialog, OK left of Cancel, the edit above both.
    QRect client = dlg.rect();
    for (QWidget* w : {static_cast<QWidget*>(dlg.NameEdit()), static_cast<QWidget*>(dlg.OkButton()),
                       static_cast<QWidget*>(dlg.CancelButton())})
        EXPECT_TRUE(client.contains(w->geometry())) << w->geometry().x();
    EXPECT_LT(dlg.OkButton()->geometry().right(), dlg.CancelButton()->geometry().left());
    EXPECT_LT(dlg.NameEdit()->geometry().bottom(), dlg.OkButton()->geometry().top());
    cartera::SetLanguage(cartera::Language::en);
}

}  // namespace
