#pragma once
// The portfolio name dialog (template 3366): one edit for the new portfolio's name; OK stays
// disabled while the edit is empty.
#include <QDialog>
#include <functional>
#include <string>

class QLineEdit;
class QPushButton;

class CDlgNombreCartera : public QDialog {
    Q_OBJECT

  public:
    enum { IDD = 3366, IDC_EDIT_PORTFOLIO_NAME = 1050 };

    explicit CDlgNombreCartera(QWidget* parent = nullptr);

    // Shows the dialog modally: IDOK (1) or IDCANCEL (2). With a runner installed the runner
    // answers instead (tests drive the dialog's widgets through it).
    int DoModal();
    using Runner = std::function<int(CDlgNombreCartera& dialog)>;
    // Installs the runner (empty restores the modal loop) and returns the previous one.
    static Runner SetRunner(Runner runner);

    // The name, read from the edit when the dialog closes with OK.
    const std::string& GetName() const { return m_strName; }

    QLineEdit* NameEdit() const { return m_edit; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* CancelButton() const { return m_cancel; }

    // OK: reads the name and closes with OK.
    void accept() override;

  private:
    void BuildFromTemplate();
    void OnInitDialog();
    void OnEnChangeEditPortfolioName();

    std::string m_strName;
    QLineEdit* m_edit = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};
