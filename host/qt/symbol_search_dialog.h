#pragma once
// The Qt face of the host's symbol-search dialog (CDlgBusquedaSimbolos): a text field, a
// Search button, the results (code, name, last price) and OK/Cancel.
//
// The search runs through the dialog's link: GetLink()->GetService()->RunSearch(link,
// text). The service answers the link, and the link forwards the answers to the
// CDlgBusquedaSimbolos it is showing (SearchOneSymbol's link does); the list shows
// GetFound() once RunSearch returns.
#include <QDialog>
#include <vector>

#include "host/market.h"

class QDialogButtonBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace cartera::qt {

class SymbolSearchDialog : public QDialog {
    Q_OBJECT

  public:
    // search is not owned and must outlive the dialog. One choice unless its multiple
    // selection mode is on.
    explicit SymbolSearchDialog(CDlgBusquedaSimbolos& search, QWidget* parent = nullptr);

    // Runs the search for the field's text and fills the list; nothing without a link or a
    // service.
    void RunSearch();
    // The results chosen in the list, in list order.
    std::vector<st_valor_comunic2> Selection() const;
    // Stores Selection() in the search (SetSeleccionados) and closes with OK; refuses to
    // close while nothing is chosen.
    void accept() override;

    QLineEdit* SearchField() const { return m_text; }
    QPushButton* SearchButton() const { return m_search; }
    QTreeWidget* ResultList() const { return m_list; }
    QDialogButtonBox* Buttons() const { return m_buttons; }

  private:
    void UpdateOk();

    CDlgBusquedaSimbolos& m_dlg;
    QLineEdit* m_text;
    QPushButton* m_search;
    QTreeWidget* m_list;
    QDialogButtonBox* m_buttons;
    std::vector<st_valor_comunic2> m_results;  // what the list rows show, in order
};

// Makes CDlgBusquedaSimbolos::DoModal() show a SymbolSearchDialog modally over parent (may
// be null; watched, so a destroyed parent leaves the dialog without one). DoModal answers
// IDOK with the choice stored through SetSeleccionados, IDCANCEL otherwise.
void InstallSymbolSearchDialog(QWidget* parent);

}  // namespace cartera::qt
