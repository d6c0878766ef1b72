#pragma once
// The stock commission page (template 3364): a schedule's name, its four rates, its
// brackets in a grid and the next bracket to add. Edits the administrator in place; applying
// a schedule rewrites its records from the grid rows and writes the commission file.
#include <QWidget>
#include <map>
#include <memory>
#include <string>

#include "commissions/comisiones.h"

class CGridComision;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace cartera::qt {
class GridView;
}

class CDlgComisionAcciones : public QWidget {
    Q_OBJECT

  public:
    enum {
        IDD = 3364,
        IDC_NAME = 1046,
        IDC_DEFAULT = 1076,
        IDC_NEW = 1051,
        IDC_DELETE = 1052,
        IDC_COMMISSION_PCT = 1035,
        IDC_COMMISSION_MIN = 1036,
        IDC_BROKERAGE_PCT = 1034,
        IDC_BROKERAGE_MIN = 1041,
        IDC_FROM = 1038,
        IDC_TO = 1040,
        IDC_ROYALTY = 1042,
        IDC_ADD = 1044,
        IDC_REMOVE = 1045,
        IDC_GRID = 1077,
    };
    static constexpr int32_t kKind = 4;  // the page edits the stock schedules

    // adm is not owned and must outlive the page.
    explicit CDlgComisionAcciones(CAdmComisiones& adm, QWidget* parent = nullptr);
    ~CDlgComisionAcciones() override;

    // Whether the sheet may close with OK: every field holds a number and no percentage or
    // minimum is negative; otherwise one message, and the field is focused.
    bool CanClose();
    // The sheet's notifications: both apply the current schedule.
    void OnKillActive() { Apply(); }
    void OnOK() { Apply(); }

    // The commands, as the buttons and the list send them.
    void OnNew();
    void OnDelete();
    void OnAddBracket();
    void OnRemoveBracket();
    void OnSelChangeName();
    void OnDefaultClicked();

    // Refreshes which controls are enabled (all but the list and New need a schedule).
    void UpdateEnabling();

    QComboBox* NameList() const { return m_list; }
    QCheckBox* DefaultBox() const { return m_default; }
    QLineEdit* Edit(int id) const;
    QPushButton* Button(int id) const;
    CGridComision& Grid() const { return *m_grid; }
    cartera::qt::GridView* GridWindow() const { return m_view; }

  private:
    void BuildFromTemplate();
    void OnInitDialog();
    // Transfers controls -> fields (read) or fields -> controls (show).
    bool ReadFields();
    void ShowFields();
    void LoadSchedule(const std::string& name);
    void Apply();
    std::string SelectedName() const;
    void SelectByPrefix(const std::string& name);
    void InsertSorted(const std::string& name);
    void ClearAmounts();
    stComision Record(int32_t id, int32_t index) const;

    CAdmComisiones& m_adm;
    std::unique_ptr<CGridComision> m_grid;
    cartera::qt::GridView* m_view = nullptr;
    QComboBox* m_list = nullptr;
    QCheckBox* m_default = nullptr;
    std::map<int, QWidget*> m_controls;

    double m_commissionPct = 0, m_commissionMin = 0, m_brokeragePct = 0, m_brokerageMin = 0;
    double m_from = 0, m_to = 0, m_royalty = 0;
    int32_t m_isDefault = 0;
};
