#include "host/qt/symbol_search_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "host/numbers.h"
#include "host/strings.h"

namespace cartera::qt {

namespace {
enum : int {
    kTextTitle = 40040,
    kTextSearch = 40041,
    kTextCode = 40042,
    kTextName = 40043,
    kTextLast = 40044,
    kTextOk = 40050,
    kTextCancel = 40051,
};

QString Text(int id) { return QString::fromStdString(::LS(id)); }
}  // namespace

SymbolSearchDialog::SymbolSearchDialog(CDlgBusquedaSimbolos& search, QWidget* parent)
    : QDialog(parent), m_dlg(search) {
    setWindowTitle(Text(kTextTitle));
    m_text = new QLineEdit(this);
    m_search = new QPushButton(Text(kTextSearch), this);
    m_list = new QTreeWidget(this);
    m_list->setColumnCount(3);
    m_list->setHeaderLabels({Text(kTextCode), Text(kTextName), Text(kTextLast)});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionMode(search.MultiselectMode() ? QAbstractItemView::ExtendedSelection
                                                      : QAbstractItemView::SingleSelection);
    m_list->header()->resizeSection(0, 110);
    m_list->header()->resizeSection(1, 240);
    m_buttons = new QDialogButtonBox(this);
    QPushButton* ok = m_buttons->addButton(Text(kTextOk), QDialogButtonBox::AcceptRole);
    m_buttons->addButton(Text(kTextCancel), QDialogButtonBox::RejectRole);

    // Enter in the text field searches; OK takes the chosen row.
    ok->setAutoDefault(false);
    m_search->setDefault(true);

    auto* row = new QHBoxLayout;
    row->addWidget(m_text, 1);
    row->addWidget(m_search);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_buttons);
    resize(480, 360);

    connect(m_search, &QPushButton::clicked, this, &SymbolSearchDialog::RunSearch);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &SymbolSearchDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &SymbolSearchDialog::reject);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &SymbolSearchDialog::UpdateOk);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { accept(); });
    UpdateOk();
}

void SymbolSearchDialog::RunSearch() {
    CObjectZorb* link = m_dlg.GetLink();
    CMarketService* service = link ? link->GetService() : nullptr;
    if (!service) return;
    m_dlg.ClearFound();
    service->RunSearch(link, m_text->text().trimmed().toStdString());
    m_results = m_dlg.GetFound();
    m_list->clear();
    for (const st_valor_comunic2& result : m_results) {
        double last = 0.0;
        QString lastText;
        if (service->LastPrice(result.Code(), &last))
            lastText = QString::fromStdString(PonPuntos(last, result.Decimals()));
        auto* item = new QTreeWidgetItem(m_list, {QString::fromStdString(result.Code()),
                                                  QString::fromStdString(result.Name()), lastText});
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    }
    if (m_list->topLevelItemCount() > 0) m_list->setCurrentItem(m_list->topLevelItem(0));
    UpdateOk();
}

std::vector<st_valor_comunic2> SymbolSearchDialog::Selection() const {
    std::vector<st_valor_comunic2> chosen;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i)
        if (m_list->topLevelItem(i)->isSelected() && i < static_cast<int>(m_results.size()))
            chosen.push_back(m_results[i]);
    return chosen;
}

void SymbolSearchDialog::accept() {
    std::vector<st_valor_comunic2> chosen = Selection();
    if (chosen.empty()) return;
    m_dlg.SetSeleccionados(std::move(chosen));
    QDialog::accept();
}

void SymbolSearchDialog::UpdateOk() {
    QList<QAbstractButton*> buttons = m_buttons->buttons();
    for (QAbstractButton* button : buttons)
        if (m_buttons->buttonRole(button) == QDialogButtonBox::AcceptRole)
            button->setEnabled(!m_list->selectedItems().isEmpty());
}

void InstallSymbolSearchDialog(QWidget* parent) {
    QPointer<QWidget> owner(parent);
    CDlgBusquedaSimbolos::SetRunner([owner](CDlgBusquedaSimbolos& search) {
        search.SetSeleccionados({});
        SymbolSearchDialog dialog(search, owner.data());
        return dialog.exec() == QDialog::Accepted ? int(CDlgBusquedaSimbolos::IDOK)
                                                  : int(CDlgBusquedaSimbolos::IDCANCEL);
    });
}

}  // namespace cartera::qt
