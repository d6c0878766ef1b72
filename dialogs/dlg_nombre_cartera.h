#pragma once
// The portfolio name dialog (template 3366): the new portfolio's name.
#include <functional>

#include "dialogs/dlg_nombre_base.h"

class CDlgNombreCartera : public CDlgNombreBase {
    Q_OBJECT

  public:
    enum { IDD = 3366, IDC_EDIT_PORTFOLIO_NAME = 1050 };

    explicit CDlgNombreCartera(QWidget* parent = nullptr)
        : CDlgNombreBase(IDD, IDC_EDIT_PORTFOLIO_NAME, parent) {}

    // Shows the dialog modally: IDOK (1) or IDCANCEL (2). With a runner installed the runner
    // answers instead (tests drive the dialog's widgets through it).
    int DoModal();
    using Runner = std::function<int(CDlgNombreCartera& dialog)>;
    // Installs the runner (empty restores the modal loop) and returns the previous one.
    static Runner SetRunner(Runner runner);
};
