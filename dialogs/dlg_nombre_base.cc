#include "dialogs/dlg_nombre_base.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "framework/dialog_template.h"
#include "host/folders.h"
#include "host/message_box.h"
#include "host/strings.h"

CDlgNombreBase::CDlgNombreBase(int templateId, int editId, QWidget* parent) : QDialog(parent) {
    BuildFromTemplate(templateId, editId);
    connect(m_edit, &QLineEdit::textChanged, this, [this] { OnEnChangeEditName(); });
    connect(m_ok, &QPushButton::clicked, this, &CDlgNombreBase::accept);
    connect(m_cancel, &QPushButton::clicked, this, &CDlgNombreBase::reject);
    OnInitDialog();
}

void CDlgNombreBase::BuildFromTemplate(int templateId, int editId) {
    using cartera::ui::DialogUnitsToPixels;
    const cartera::ui::DialogTemplate* t = cartera::ui::FindDialogTemplate(templateId);
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
    place(m_edit, editId, "edit");
    label->setBuddy(m_edit);
    m_ok = new QPushButton(this);
    m_ok->setText(QString::fromStdString(place(m_ok, IDOK, "default")));
    m_ok->setDefault(true);
    m_cancel = new QPushButton(this);
    m_cancel->setText(QString::fromStdString(place(m_cancel, IDCANCEL, "button")));
}

void CDlgNombreBase::OnInitDialog() {
    m_ok->setEnabled(false);
    // The name is all there is to type: the edit takes the focus.
    m_edit->setFocus();
}

void CDlgNombreBase::OnEnChangeEditName() { m_ok->setEnabled(!m_edit->text().isEmpty()); }

void CDlgNombreBase::accept() {
    if (!m_ok->isEnabled()) return;  // Enter in an empty edit
    const std::string name = m_edit->text().toStdString();
    // A name the file system cannot take (or one that would reach another folder) is said
    // so here, not found out when the file is written.
    if (int refusal = cartera::FileNameRefusal(name)) {
        AfxMessageBox(LS(refusal), MB_OK | MB_ICONEXCLAMATION);
        m_edit->setFocus();
        return;
    }
    m_strName = name;
    QDialog::accept();
}

int CDlgNombreBase::RunModal() { return exec() == QDialog::Accepted ? IDOK : IDCANCEL; }
