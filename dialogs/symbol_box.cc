#include "dialogs/symbol_box.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QLineEdit>
#include <algorithm>
#include <charconv>
#include <optional>
#include <sstream>

#include "dialogs/property_page_base.h"
#include "host/env.h"
#include "host/folders.h"
#include "host/market.h"
#include "host/message_box.h"
#include "host/strings.h"

namespace {
constexpr int kCodeRole = Qt::UserRole;
constexpr int kDecimalsRole = Qt::UserRole + 1;

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}
}  // namespace

CSymbolComboBox::CSymbolComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    connect(this, qOverload<int>(&QComboBox::activated), this, &CSymbolComboBox::OnActivated);
    connect(lineEdit(), &QLineEdit::editingFinished, this, &CSymbolComboBox::OnTextEntered);
    // A long name chosen shows its start, not its end.
    connect(this, &QComboBox::currentIndexChanged, this,
            [this] { lineEdit()->setCursorPosition(0); });
    connect(lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
        m_queried.clear();
        if (!text.trimmed().isEmpty() || currentIndex() < 0) return;
        // Emptied after a choice: no security is chosen any more.
        m_lastError = 0;
        setCurrentIndex(-1);
        OnSymbolSelected({});
    });
}

void CSymbolComboBox::AddSymbol(const CComboConsultaData& entry, int, int, int) {
    int index = findData(QString::fromStdString(entry.code), kCodeRole);
    if (index < 0) {
        addItem(QString::fromStdString(entry.name));
        index = count() - 1;
        setItemData(index, QString::fromStdString(entry.code), kCodeRole);
        setItemData(index, entry.decimals, kDecimalsRole);
    }
    ShowChoice(index);
    Remember(entry);
}

void CSymbolComboBox::AddPlainEntry(const CComboConsultaData& entry) {
    int listed = findData(QString::fromStdString(entry.code), kCodeRole);
    if (listed >= 0 && itemText(listed).toStdString() == entry.name) {
        ShowChoice(listed);
        return;
    }
    insertItem(0, QString::fromStdString(entry.name));
    setItemData(0, QString::fromStdString(entry.code), kCodeRole);
    setItemData(0, entry.decimals, kDecimalsRole);
    ShowChoice(0);
}

void CSymbolComboBox::ShowChoice(int index) {
    setCurrentIndex(index);
    // The same index chosen again sends no change, yet its name replaced the typed code.
    lineEdit()->setCursorPosition(0);
}

CComboConsultaData CSymbolComboBox::GetEntry(int index) const {
    if (index < 0) index = currentIndex();
    if (index < 0 || index >= count()) return {};
    return {itemData(index, kDecimalsRole).toInt(),
            itemData(index, kCodeRole).toString().toStdString(), itemText(index).toStdString()};
}

void CSymbolComboBox::Reset() {
    clear();
    m_lastError = 0;
}

void CSymbolComboBox::LoadFromCache() {
    std::string cached;
    if (m_cacheFile.empty() || !m_cacheEnv->ReadFile(m_cacheFile, &cached).ok()) return;
    std::istringstream in(cached);
    std::string line;
    int selected = currentIndex();
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        CComboConsultaData e;
        std::string decimals;
        if (!std::getline(fields, e.code, '\t') || !std::getline(fields, e.name, '\t') ||
            !std::getline(fields, decimals) || e.code.empty())
            continue;
        if (findData(QString::fromStdString(e.code), kCodeRole) >= 0) continue;
        e.decimals = 2;
        std::from_chars(decimals.data(), decimals.data() + decimals.size(), e.decimals);
        e.decimals = std::clamp(e.decimals, 0, 15);
        addItem(QString::fromStdString(e.name));
        setItemData(count() - 1, QString::fromStdString(e.code), kCodeRole);
        setItemData(count() - 1, e.decimals, kDecimalsRole);
    }
    setCurrentIndex(selected);
}

void CSymbolComboBox::Remember(const CComboConsultaData& entry) const {
    if (m_cacheFile.empty() || entry.code.empty()) return;
    std::string cached;
    (void)m_cacheEnv->ReadFile(m_cacheFile, &cached);  // none yet: an empty cache
    std::istringstream in(cached);
    std::string line, prefix = entry.code + '\t';
    while (std::getline(in, line))
        if (line.compare(0, prefix.size(), prefix) == 0) return;
    cached += entry.code + '\t' + entry.name + '\t' + std::to_string(entry.decimals) + '\n';
    (void)m_cacheEnv->WriteFileAtomic(m_cacheFile, cached);  // a cache: best effort
}

namespace {
// A typed text as a security: "CODE" or "CODE Name"; none when the code cannot be one.
std::optional<CComboConsultaData> TypedSecurity(std::string_view text) {
    text = cartera::Trim(text);
    size_t space = text.find_first_of(" \t");
    std::string_view code = text.substr(0, space);
    std::string_view name =
        space == std::string_view::npos ? code : cartera::Trim(text.substr(space + 1));
    // The code goes into quote requests (40 characters), the cache and the quotes file.
    if (code.empty() || code.size() > 40) return std::nullopt;
    for (char c : code)
        if (static_cast<unsigned char>(c) < ' ' || c == ',' || c == '"' || c == 0x7f)
            return std::nullopt;
    return CComboConsultaData{2, std::string(code), std::string(name)};
}
}  // namespace

void CSymbolComboBox::RunQuery(const std::string& text) {
    CMarketService* service = m_link ? m_link->GetService() : CMarketService::Current();
    std::vector<MarketSymbol> hits;
    if (service) hits = service->SearchFor(m_link, cartera::Trim(text));
    const MarketSymbol* found = nullptr;
    for (const auto& s : hits)
        if (SameText(s.code, cartera::Trim(text))) found = found ? found : &s;
    for (const auto& s : hits)
        if (!found && SameText(s.name, cartera::Trim(text))) found = &s;
    std::optional<CComboConsultaData> entry;
    if (found)
        entry = CComboConsultaData{found->decimals, found->code, found->name};
    else
        entry = TypedSecurity(text);
    if (!entry) {
        m_lastError = 1;
        OnSearchFailed(0);
        return;
    }
    m_lastError = 0;
    AddSymbol(*entry, 1, 1, 0);
    OnSymbolSelected(*entry);
}

void CSymbolComboBox::OnActivated(int index) {
    m_lastError = 0;
    OnSymbolSelected(GetEntry(index));
}

void CSymbolComboBox::OnTextEntered() {
    std::string text = currentText().toStdString();
    int index = currentIndex();
    if (index >= 0 && itemText(index).toStdString() == text) return;  // the entry as listed
    if (text.empty() || text == m_queried) return;  // Enter, then the focus leaving
    m_queried = text;
    RunQuery(text);
}

void CSymbolComboBox::FocusNextField() {
    // Past the buttons beside the box (Search), so a typed order reads code, Enter, contracts.
    for (int step = 0; step < 4; ++step) {
        focusNextChild();
        if (!qobject_cast<QAbstractButton*>(window()->focusWidget())) return;
    }
}

void CSymbolComboBox::keyPressEvent(QKeyEvent* e) {
    bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    if (!enter || currentText().trimmed().isEmpty()) return QComboBox::keyPressEvent(e);
    // Enter chose the security (listed or looked up) or named one that cannot be: it never
    // presses the sheet's OK as well; once chosen, typing goes on in the next field.
    e->accept();
    if (m_lastError == 0) FocusNextField();
}

CPortfolioCBox::CPortfolioCBox(const cartera::Context& ctx, QWidget* parent)
    : CSymbolComboBox(parent) {
    SetCacheFile(ctx.env, CacheFile(ctx));
}

std::string CPortfolioCBox::CacheFile(const cartera::Context& ctx) {
    return GetPMngFullPath(ctx, 10) + "PortfolioCache.txt";
}

void CPortfolioCBox::OnSearchFailed(int) { AfxMessageBox(::LS(3409), MB_OK | MB_ICONEXCLAMATION); }

void CPortfolioCBox::OnSymbolSelected(const CComboConsultaData& entry) {
    m_chosen = entry;
    for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
        if (auto* page = dynamic_cast<CPropertyPageBase*>(w)) {
            page->OnSymbolChanged();
            return;
        }
    }
}
