#include "dialogs/comision_editor.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "commissions/comisiones.h"
#include "dialogs/comision_page.h"
#include "host/message_box.h"
#include "host/strings.h"

namespace {
CSheetComision::Runner& ModalRunner() {
    static CSheetComision::Runner runner;
    return runner;
}
}  // namespace

CSheetComision::CSheetComision(const std::string& title, QWidget* parent, int firstPage)
    : QDialog(parent), m_firstPage(firstPage) {
    setWindowTitle(QString::fromStdString(title));
    auto* layout = new QVBoxLayout(this);
    m_tabs = new QTabWidget(this);
    layout->addWidget(m_tabs);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    // No Apply and no Help: OK and Cancel only.
    m_ok = new QPushButton(QString::fromStdString(LS(40050)), this);
    m_cancel = new QPushButton(QString::fromStdString(LS(40051)), this);
    m_ok->setDefault(true);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(m_ok, &QPushButton::clicked, this, &CSheetComision::accept);
    connect(m_cancel, &QPushButton::clicked, this, &CSheetComision::reject);
}

int CSheetComision::EditCommissions(CAdmComisiones& adm) {
    m_adm = &adm;
    m_page = new CDlgComisionAcciones(adm, m_tabs);
    m_tabs->addTab(m_page, QString::fromStdString(LS(3402)));
    m_tabs->setCurrentIndex(std::min(m_firstPage, m_tabs->count() - 1));
    bool ok;
    if (ModalRunner()) {
        ModalRunner()(*this);
        ok = result() == QDialog::Accepted;
    } else {
        ok = exec() == QDialog::Accepted;
    }
    if (ok) return IDOK;  // saved by accept
    adm.RemoveAll();
    adm.Load();
    return IDCANCEL;
}

void CSheetComision::accept() {
    // The page is told it loses activation, then OK: it applies its schedule for each.
    if (m_page && !m_page->CanClose()) return;
    if (m_page) {
        m_page->OnKillActive();
        m_page->OnOK();
    }
    // A failed save keeps the editor open on the user's schedules, so nothing typed is lost
    // and OK can be pressed again once the cause is gone.
    if (cartera::Status saved = m_adm ? m_adm->Save() : cartera::Status(); !saved.ok()) {
        AfxMessageBox(saved.message(), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    QDialog::accept();
}

CSheetComision::Runner CSheetComision::SetRunner(Runner runner) {
    Runner previous = std::move(ModalRunner());
    ModalRunner() = std::move(runner);
    return previous;
}

bool RunCommissionEditor(CAdmComisiones& adm, int captionId, QWidget* parent) {
    CSheetComision sheet(LS(captionId), parent, 0);
    return sheet.EditCommissions(adm) == IDOK;
}
