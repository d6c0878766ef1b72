#pragma once
// The commission schedule editor: a sheet with the stock commission page. OK writes the
// commission file; any other end re-reads it, dropping the changes not yet written.
#include <QDialog>
#include <functional>
#include <string>

class CAdmComisiones;
class CDlgComisionAcciones;
class QPushButton;
class QTabWidget;

class CSheetComision : public QDialog {
    Q_OBJECT

  public:
    // The sheet titled title; firstPage is the page shown first (there is one page).
    CSheetComision(const std::string& title, QWidget* parent, int firstPage);

    // Shows the page over adm modally: IDOK (1) after OK, which saved the file; IDCANCEL (2)
    // otherwise, after reloading adm from the file. With a runner installed the runner
    // drives the sheet instead of the modal loop (tests press its buttons).
    int EditCommissions(CAdmComisiones& adm);
    using Runner = std::function<void(CSheetComision& sheet)>;
    // Installs the runner (empty restores the modal loop) and returns the previous one.
    static Runner SetRunner(Runner runner);

    CDlgComisionAcciones* Page() const { return m_page; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* CancelButton() const { return m_cancel; }

    // OK: unless the page refuses to close (a field that is no number, a negative rate: it
    // says why and the sheet stays open), the page applies its schedule and the sheet
    // closes with OK.
    void accept() override;

  private:
    int m_firstPage;
    QTabWidget* m_tabs = nullptr;
    CDlgComisionAcciones* m_page = nullptr;
    CAdmComisiones* m_adm = nullptr;  // the schedules OK saves; not owned
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

// Opens the editor titled LS(captionId) over adm; true when it ended with OK.
bool RunCommissionEditor(CAdmComisiones& adm, int captionId, QWidget* parent);
