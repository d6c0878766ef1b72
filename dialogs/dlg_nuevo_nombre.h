#pragma once
// The new-name dialog (template 3365): a new commission schedule's name.
#include <functional>

#include "dialogs/dlg_nombre_base.h"

class CDlgNuevoNombre : public CDlgNombreBase {
    Q_OBJECT

  public:
    enum { IDD = 3365, IDC_EDIT_NAME = 1075 };

    explicit CDlgNuevoNombre(QWidget* parent = nullptr)
        : CDlgNombreBase(IDD, IDC_EDIT_NAME, parent) {}

    // Shows the dialog modally: IDOK (1) or IDCANCEL (2). With a runner installed the runner
    // answers instead (tests drive the dialog's widgets through it).
    int DoModal();
    using Runner = std::function<int(CDlgNuevoNombre& dialog)>;
    // Installs the runner (empty restores the modal loop) and returns the previous one.
    static Runner SetRunner(Runner runner);
};
