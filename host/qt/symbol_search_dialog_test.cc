#include "host/qt/symbol_search_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include "host/feed.h"
#include "testing/test_hooks.h"

namespace cartera::qt {
namespace {

// A link that forwards the service's search answers to the dialog it is showing, as the
// portfolio ledger does.
class ForwardingLink : public CObjectZorb {
  public:
    void SetTotalSimbolosEncontrados(long found, long total) override {
        if (dialog) dialog->SetSimbolosEncontrados(found, total);
    }
    void OnSimboloEncontradoAck(const st_valor_comunic2& result) override {
        if (dialog) dialog->OnNewSymbolFound(result);
    }
    CDlgBusquedaSimbolos* dialog = nullptr;
};

// The hooks put the market service and the dialog's runner back.
class SymbolSearchDialogTest : public cartera::testing::HooksTest {
  protected:
    SymbolSearchDialogTest() {
        LoadEmbeddedCatalogue(service);
        CMarketService::SetCurrent(&service);
        link = std::make_unique<ForwardingLink>();
        search = std::make_unique<CDlgBusquedaSimbolos>(link.get());
        search->EnableMultiselectMode(0);
        link->dialog = search.get();
    }
    CMarketService service;
    std::unique_ptr<ForwardingLink> link;
    std::unique_ptr<CDlgBusquedaSimbolos> search;
};

TEST_F(SymbolSearchDialogTest, ListsWhatTheLinkReceivesKeepsTheChoiceAndRunsModal) {
    CMensajePelvo tick("BBVA.MC");
    tick.AddValor(kTickLast, 9.5);
    service.Publish(tick);

    SymbolSearchDialog dialog(*search);
    dialog.SearchField()->setText("bilbao");
    dialog.SearchButton()->click();
    QTreeWidget* list = dialog.ResultList();
    ASSERT_EQ(list->topLevelItemCount(), 1);
    QTreeWidgetItem* found = list->topLevelItem(0);
    EXPECT_EQ(QStringList({found->text(0), found->text(1), found->text(2)}),
              QStringList({"BBVA.MC", "Banco Bilbao Vizcaya Argentaria", "9.500"}));

    list->clearSelection();
    dialog.accept();  // nothing chosen: stays open
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(search->GetSeleccionados().empty());

    list->setCurrentItem(found);
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(search->GetSeleccionados().size(), 1u);
    EXPECT_EQ(search->GetSeleccionados()[0].Code(), "BBVA.MC");
    EXPECT_EQ(search->GetSeleccionados()[0].Decimals(), 3);

    // DoModal runs the dialog once it is installed.
    EXPECT_EQ(search->DoModal(), CDlgBusquedaSimbolos::IDCANCEL);  // no runner yet
    InstallSymbolSearchDialog(nullptr);

    QTimer::singleShot(0, [] {
        auto* modal = qobject_cast<SymbolSearchDialog*>(QApplication::activeModalWidget());
        if (!modal) return;
        modal->SearchField()->setText("inditex");
        modal->RunSearch();
        for (QAbstractButton* button : modal->Buttons()->buttons())  // OK, first result
            if (modal->Buttons()->buttonRole(button) == QDialogButtonBox::AcceptRole)
                button->click();
    });
    ASSERT_EQ(search->DoModal(), CDlgBusquedaSimbolos::IDOK);
    ASSERT_EQ(search->GetSeleccionados().size(), 1u);
    EXPECT_EQ(search->GetSeleccionados()[0].Code(), "ITX.MC");
}

}  // namespace
}  // namespace cartera::qt
