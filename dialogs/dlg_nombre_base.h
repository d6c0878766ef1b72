#pragma once
// The name dialogs' common part: a dialog laid out from its template with one edit for a
// name, OK and Cancel; OK stays disabled while the edit is empty, and refuses a name that
// cannot be a file name.
#include <QDialog>
#include <string>

class QLineEdit;
class QPushButton;

class CDlgNombreBase : public QDialog {
    Q_OBJECT

  public:
    // The name, read from the edit when the dialog closes with OK.
    const std::string& GetName() const { return m_strName; }

    QLineEdit* NameEdit() const { return m_edit; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* CancelButton() const { return m_cancel; }

    // OK: reads the name and closes with OK; a name that cannot be a file name
    // (cartera::FileNameRefusal) is refused with a message and the dialog stays open.
    void accept() override;

  protected:
    // Lays the dialog out from template templateId, whose edit has the id editId.
    CDlgNombreBase(int templateId, int editId, QWidget* parent);
    // The modal loop: IDOK (1) or IDCANCEL (2).
    int RunModal();

  private:
    void BuildFromTemplate(int templateId, int editId);
    void OnInitDialog();
    void OnEnChangeEditName();

    std::string m_strName;
    QLineEdit* m_edit = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};
