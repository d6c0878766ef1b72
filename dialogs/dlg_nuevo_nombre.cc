#include "dialogs/dlg_nuevo_nombre.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "host/message_box.h"
#include "window/framework/dialog_template.h"

namespace {
CDlgNuevoNombre::Runner& ModalRunner() {
    static CDlgNuevoNombre::Runner runner;
    return runner;
}
}  // namespace

CDlgNuevoNombre::CDlgNuevoNombre(QWidget* parent) : QDialog(parent) {
    BuildFromTemplate();
    connect(m_edit, &QLineEdit::textChanged, this, [this] { OnEnChangeEditName(); });
    connect(m_ok, &QPushButton::clicked, this, &CDlgNuevoNombre::accept);
    connect(m_cancel, &QPushButton::clicked, this, &CDlgNuevoNombre::reject);
    OnInitDialog();
}

void CDlgNuevoNombre::BuildFromTemplate() {
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
    place(m_edit, IDC_EDIT_NAME, "edit");
    label->setBuddy(m_edit);
    m_ok = new QPushButton(this);
    m_ok->setText(QString::fromStdString(place(m_ok, IDOK, "default")));
    m_ok->setDefault(true);
    m_cancel = new QPushButton(this);
    m_cancel->setText(QString::fromStdString(place(m_cancel, IDCANCEL, "button")));
}

void CDlgNuevoNombre::OnInitDialog() {
    m_ok->setEnabled(false);
    // The name is all there is to type: the edit takes the focus.
    m_edit->setFocus();
}

void CDlgNuevoNombre::OnEnChangeEditName() { m_ok->setEnabled(!m_edit->text().isEmpty()); }

void CDlgNuevoNombre::accept() {
    if (!m_ok->isEnabled()) return;  // Enter in an empty edit
    m_strName = m_edit->text().toStdString();
    QDialog::accept();
}

int CDlgNuevoNombre::DoModal() {
    if (ModalRunner()) return ModalRunner()(*this);
    return exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}

CDlgNuevoNombre::Runner CDlgNuevoNombre::SetRunner(Runner runner) {
    Runner previous = std::move(ModalRunner());
    ModalRunner() = std::move(runner);
    return previous;
}
