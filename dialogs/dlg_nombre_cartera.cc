#include "dialogs/dlg_nombre_cartera.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "host/message_box.h"
#include "window/framework/dialog_template.h"

namespace {
CDlgNombreCartera::Runner& ModalRunner() {
    static CDlgNombreCartera::Runner runner;
    return runner;
}
}  // namespace

CDlgNombreCartera::CDlgNombreCartera(QWidget* parent) : QDialog(parent) {
    BuildFromTemplate();
    connect(m_edit, &QLineEdit::textChanged, this, [this] { OnEnChangeEditPortfolioName(); });
    connect(m_ok, &QPushButton::clicked, this, &CDlgNombreCartera::accept);
    connect(m_cancel, &QPushButton::clicked, this, &CDlgNombreCartera::reject);
    OnInitDialog();
}

void CDlgNombreCartera::BuildFromTemplate() {
    using cartera::ui::DialogUnitsToPixels;
    const cartera::ui::DialogTemplate* t = cartera::ui::FindDialogTemplate(IDD);
    if (t) {
        setWindowTitle(QString::fromStdString(t->Caption()));
        setFixedSize(DialogUnitsToPixels(t->units, font()).size());
    }
    auto place = [&](QWidget* w, int id, const char* kind) {
        const cartera::ui::DialogControl* c = nullptr;
        if (t) {
            for (const auto& control : t->controls)
                if (control.id == id && control.kind == kind) c = &control;
        }
        if (!c) return std::string();
        w->setGeometry(DialogUnitsToPixels(c->units, font()));
        return c->Text();
    };
    auto* frame = new QGroupBox(this);
    place(frame, -1, "group");
    auto* label = new QLabel(this);
    label->setText(QString::fromStdString(place(label, -1, "static")));
    m_edit = new QLineEdit(this);
    place(m_edit, IDC_EDIT_PORTFOLIO_NAME, "edit");
    label->setBuddy(m_edit);
    m_ok = new QPushButton(this);
    m_ok->setText(QString::fromStdString(place(m_ok, IDOK, "default")));
    m_ok->setDefault(true);
    m_cancel = new QPushButton(this);
    m_cancel->setText(QString::fromStdString(place(m_cancel, IDCANCEL, "button")));
}

void CDlgNombreCartera::OnInitDialog() {
    m_ok->setEnabled(false);
    // The name is all there is to type: the edit takes the focus.
    m_edit->setFocus();
}

void CDlgNombreCartera::OnEnChangeEditPortfolioName() {
    m_ok->setEnabled(!m_edit->text().isEmpty());
}

void CDlgNombreCartera::accept() {
    if (!m_ok->isEnabled()) return;  // Enter in an empty edit
    m_strName = m_edit->text().toStdString();
    QDialog::accept();
}

int CDlgNombreCartera::DoModal() {
    if (ModalRunner()) return ModalRunner()(*this);
    return exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}

CDlgNombreCartera::Runner CDlgNombreCartera::SetRunner(Runner runner) {
    Runner previous = std::move(ModalRunner());
    ModalRunner() = std::move(runner);
    return previous;
}
