#include "dialogs/comision_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "commissions/schedule_rules.h"
#include "dialogs/dlg_nuevo_nombre.h"
#include "framework/dialog_template.h"
#include "grids/grid_comision.h"
#include "host/message_box.h"
#include "host/numbers.h"
#include "host/qt/grid_view.h"
#include "host/strings.h"
#include "text/number.h"

namespace {
constexpr double kWholeRange = 10000000000.0;  // a schedule applied without brackets

void Refuse(const std::string& why) { AfxMessageBox(why, MB_OK | MB_ICONEXCLAMATION); }
}  // namespace

CDlgComisionAcciones::CDlgComisionAcciones(CAdmComisiones& adm, QWidget* parent)
    : QWidget(parent), m_adm(adm), m_grid(std::make_unique<CGridComision>()) {
    BuildFromTemplate();
    connect(m_list, &QComboBox::activated, this, [this] { OnSelChangeName(); });
    connect(m_default, &QCheckBox::clicked, this, [this] { OnDefaultClicked(); });
    connect(Button(IDC_NEW), &QPushButton::clicked, this, [this] { OnNew(); });
    connect(Button(IDC_DELETE), &QPushButton::clicked, this, [this] { OnDelete(); });
    connect(Button(IDC_ADD), &QPushButton::clicked, this, [this] { OnAddBracket(); });
    connect(Button(IDC_REMOVE), &QPushButton::clicked, this, [this] { OnRemoveBracket(); });
    OnInitDialog();
}

CDlgComisionAcciones::~CDlgComisionAcciones() {
    delete m_view;  // the view observes the grid: it goes first
    m_view = nullptr;
}

void CDlgComisionAcciones::BuildFromTemplate() {
    using cartera::ui::DialogUnitsToPixels;
    const cartera::ui::DialogTemplate* t = cartera::ui::FindDialogTemplate(IDD);
    if (!t) return;
    setFixedSize(DialogUnitsToPixels(t->units, font()).size());
    for (const cartera::ui::DialogControl& c : t->controls) {
        QString text = QString::fromStdString(c.Text());
        QWidget* w = nullptr;
        if (c.kind == "group") {
            w = new QGroupBox(this);
        } else if (c.kind == "static") {
            w = new QLabel(text, this);
        } else if (c.kind == "edit") {
            auto* edit = new QLineEdit(this);
            edit->setAlignment(Qt::AlignRight);
            w = edit;
        } else if (c.kind == "combo") {
            w = m_list = new QComboBox(this);
        } else if (c.kind == "check") {
            w = m_default = new QCheckBox(text, this);
        } else if (c.kind == "frame") {
            auto* frame = new QFrame(this);
            frame->setFrameStyle(QFrame::Box | QFrame::Plain);
            w = frame;
        } else {
            w = new QPushButton(text, this);
        }
        w->setGeometry(DialogUnitsToPixels(c.units, font()));
        if (c.id != -1) m_controls[c.id] = w;
    }
}

QLineEdit* CDlgComisionAcciones::Edit(int id) const {
    auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : qobject_cast<QLineEdit*>(it->second);
}

QPushButton* CDlgComisionAcciones::Button(int id) const {
    auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : qobject_cast<QPushButton*>(it->second);
}

void CDlgComisionAcciones::OnInitDialog() {
    QWidget* place = m_controls.at(IDC_GRID);
    QRect r = place->geometry().adjusted(1, 1, -1, -1);
    m_view = new cartera::qt::GridView(m_grid.get(), this);
    QFont small(font());
    small.setPointSizeF(8.0);
    m_view->setFont(small);
    m_grid->CreateGrid(RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}, this,
                       IDC_GRID);
    m_view->setGeometry(r);

    std::vector<std::string> names;
    m_adm.GetScheduleNames(names, kKind);
    for (const std::string& name : names) InsertSorted(name);
    m_list->setCurrentIndex(-1);
    std::string def = m_adm.GetDefaultName();
    if (!def.empty()) LoadSchedule(def);
    ShowFields();
    UpdateEnabling();
}

void CDlgComisionAcciones::InsertSorted(const std::string& name) {
    QString text = QString::fromStdString(name);
    int at = 0;
    while (at < m_list->count() &&
           QString::compare(m_list->itemText(at), text, Qt::CaseInsensitive) <= 0)
        ++at;
    m_list->insertItem(at, text);
}

std::string CDlgComisionAcciones::SelectedName() const {
    return m_list->currentIndex() < 0 ? std::string() : m_list->currentText().toStdString();
}

void CDlgComisionAcciones::SelectByPrefix(const std::string& name) {
    QString prefix = QString::fromStdString(name);
    for (int i = 0; i < m_list->count(); ++i)
        if (m_list->itemText(i).startsWith(prefix, Qt::CaseInsensitive)) {
            m_list->setCurrentIndex(i);
            return;
        }
}

bool CDlgComisionAcciones::ReadFields() {
    // The dialog's exchange order; a field that holds no number stops the reading there.
    const std::pair<int, double*> fields[] = {{IDC_FROM, &m_from},
                                              {IDC_TO, &m_to},
                                              {IDC_COMMISSION_PCT, &m_commissionPct},
                                              {IDC_ROYALTY, &m_royalty},
                                              {IDC_BROKERAGE_PCT, &m_brokeragePct},
                                              {IDC_COMMISSION_MIN, &m_commissionMin},
                                              {0, nullptr},
                                              {IDC_BROKERAGE_MIN, &m_brokerageMin}};
    for (const auto& [id, field] : fields) {
        if (!field) {
            m_isDefault = m_default->isChecked() ? 1 : 0;
            continue;
        }
        double v = 0;
        if (!cartera::ParseNumberInLanguage(Edit(id)->text().toStdString(), &v)) {
            AfxMessageBox(LS(40070), MB_OK | MB_ICONEXCLAMATION);
            Edit(id)->setFocus();
            Edit(id)->selectAll();
            return false;
        }
        *field = v;
    }
    return true;
}

void CDlgComisionAcciones::ShowFields() {
    const std::pair<int, double> fields[] = {{IDC_FROM, m_from},
                                             {IDC_TO, m_to},
                                             {IDC_COMMISSION_PCT, m_commissionPct},
                                             {IDC_ROYALTY, m_royalty},
                                             {IDC_BROKERAGE_PCT, m_brokeragePct},
                                             {IDC_COMMISSION_MIN, m_commissionMin},
                                             {IDC_BROKERAGE_MIN, m_brokerageMin}};
    for (const auto& [id, value] : fields)
        Edit(id)->setText(QString::fromStdString(cartera::EditNumberText(value)));
    m_default->setChecked(m_isDefault != 0);
}

void CDlgComisionAcciones::ClearAmounts() {
    m_commissionPct = m_commissionMin = m_brokeragePct = m_brokerageMin = 0;
    m_from = m_to = m_royalty = 0;
}

stComision CDlgComisionAcciones::Record(int32_t id, int32_t index) const {
    stComision r;
    r.idSchedule = id;
    r.bracketIndex = index;
    r.kind = kKind;
    r.name = SelectedName();
    r.isDefault = m_isDefault;
    r.commissionPct = m_commissionPct;
    r.commissionMin = m_commissionMin;
    r.brokeragePct = m_brokeragePct;
    r.brokerageMin = m_brokerageMin;
    return r;
}

void CDlgComisionAcciones::LoadSchedule(const std::string& name) {
    CArrayComisiones brackets;
    m_adm.GetBrackets(name, kKind, brackets);
    SelectByPrefix(name);
    m_grid->Clear();
    for (const stComision& b : brackets)
        if (b.from != 0 || b.to != 0) m_grid->AddBracketRow(b);
    if (!brackets.empty()) {
        // The fields prepare the bracket after the last one (a placeholder 0-0 included).
        const stComision& last = brackets.back();
        m_commissionPct = last.commissionPct;
        m_commissionMin = last.commissionMin;
        m_brokeragePct = last.brokeragePct;
        m_brokerageMin = last.brokerageMin;
        m_royalty = last.royalty;
        m_isDefault = last.isDefault;
        m_from = last.to;
        m_to = last.to + (last.to - last.from);
    }
    ShowFields();
}

void CDlgComisionAcciones::OnSelChangeName() {
    LoadSchedule(SelectedName());
    UpdateEnabling();
}

void CDlgComisionAcciones::OnNew() {
    if (!CanClose()) return;  // the schedule showing is applied first: it must be valid
    CDlgNuevoNombre dlg(this);
    if (dlg.DoModal() != IDOK) return;
    std::string name = dlg.GetName();
    if (std::string why = cartera::ScheduleNameRefusal(m_adm, name, kKind); !why.empty()) {
        Refuse(why);
        return;
    }
    Apply();
    m_isDefault = m_list->count() == 0 ? 1 : 0;
    ClearAmounts();
    m_grid->Clear();
    InsertSorted(name);
    m_list->setCurrentIndex(m_list->findText(QString::fromStdString(name)));
    m_adm.Add(Record(-1, -1));  // the placeholder bracket 0-0
    if (m_isDefault) m_adm.SetDefault(name);
    ShowFields();
    UpdateEnabling();
}

void CDlgComisionAcciones::OnDelete() {
    int index = m_list->currentIndex();
    if (index < 0) return;
    m_adm.DeleteSchedule(SelectedName(), kKind);
    m_list->removeItem(index);
    if (m_list->count() > 0) {
        m_list->setCurrentIndex(std::max(index - 1, 0));
        LoadSchedule(SelectedName());
    } else {
        m_list->setCurrentIndex(-1);
        ClearAmounts();
        m_isDefault = 0;
        m_grid->Clear();
        ShowFields();
    }
    UpdateEnabling();
}

void CDlgComisionAcciones::OnAddBracket() {
    if (!ReadFields()) return;
    std::string name = SelectedName();
    int32_t id = m_adm.FindScheduleId(name);
    stComision r = Record(id, m_adm.GetMaxBracketIndex(id) + 1);
    r.from = m_from;
    r.to = m_to;
    r.royalty = m_royalty;
    CArrayComisiones rows;
    m_grid->ReadBracketRows(rows);
    if (std::string why = cartera::BracketRefusal(r, rows); !why.empty()) {
        Refuse(why);
        return;
    }
    if (rows.empty()) {
        // The first bracket replaces whatever the schedule held (its placeholder).
        m_adm.DeleteSchedule(name, kKind);
        r.bracketIndex = 0;
    }
    m_grid->AddBracketRow(r);
    m_adm.Add(r);
    double previousFrom = m_from;
    m_royalty = 0;
    m_from = m_to + 1;
    m_to = m_to + (m_to - previousFrom);
    ShowFields();
}

bool CDlgComisionAcciones::CanClose() {
    if (!ReadFields()) return false;
    if (m_list->currentIndex() < 0) return true;
    // The rates apply to the whole schedule; From, To and the fee only to a bracket added.
    const std::pair<int, double> rates[] = {{IDC_COMMISSION_PCT, m_commissionPct},
                                            {IDC_COMMISSION_MIN, m_commissionMin},
                                            {IDC_BROKERAGE_PCT, m_brokeragePct},
                                            {IDC_BROKERAGE_MIN, m_brokerageMin}};
    for (const auto& [id, value] : rates) {
        if (value >= 0) continue;
        Refuse(LS(42101));
        Edit(id)->setFocus();
        Edit(id)->selectAll();
        return false;
    }
    return true;
}

void CDlgComisionAcciones::OnRemoveBracket() { m_grid->RemoveCurrentRow(); }

void CDlgComisionAcciones::OnDefaultClicked() {
    ReadFields();
    if (m_list->currentIndex() >= 0) m_adm.SetDefault(SelectedName());
}

void CDlgComisionAcciones::Apply() {
    ReadFields();
    if (m_list->currentIndex() < 0) return;
    std::string name = SelectedName();
    int32_t id = m_adm.FindScheduleId(name);
    if (id == -1) return;
    m_adm.DeleteSchedule(name, kKind);
    CArrayComisiones rows;
    m_grid->ReadBracketRows(rows);
    if (rows.empty()) {
        stComision r = Record(id, 0);
        r.to = kWholeRange;
        m_adm.Add(r);
    }
    for (size_t i = 0; i < rows.size(); ++i) {
        stComision r = Record(id, static_cast<int32_t>(i));
        r.from = rows[i].from;
        r.to = rows[i].to;
        r.royalty = rows[i].royalty;
        m_adm.Add(r);
    }
}

void CDlgComisionAcciones::UpdateEnabling() {
    bool any = m_list->count() > 0;
    for (auto& [id, w] : m_controls)
        if (id != IDC_NAME && id != IDC_NEW && id != IDC_GRID) w->setEnabled(any);
}
