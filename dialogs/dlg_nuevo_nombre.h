#pragma once
// The new-name dialog (template 3365): one edit for a new commission schedule's name; OK stays
// disabled while the edit is empty.
#include <QDialog>
#include <functional>
#include <string>

class QLineEdit;
class QPushButton;

class CDlgNuevoNombre : public QDialog {
    Q_OBJECT

  public:
    enum { IDD = 3365, IDC_EDIT_NAME = 1075 };

    explicit CDlgNuevoNombre(QWidget* parent = nullptr);

    // Shows the dialog modally: IDOK (1) or IDCANCEL (2). With a runner installed the runner
    // answers instead (tests drive the dialog's widgets through it).
    int DoModal();
    using Runner = std::function<int(CDlgNuevoNombre& dialog)>;
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
    void OnEnChangeEditName();

    std::string m_strName;
    QLineEdit* m_edit = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};
