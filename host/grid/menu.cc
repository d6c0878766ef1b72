#include "host/grid/menu.h"

#include <algorithm>

void CMenu::AppendItem(int id, std::string_view text, bool checked) {
    Item item;
    item.id = id;
    item.text = std::string(text);
    item.checked = checked;
    m_items.push_back(std::move(item));
}

void CMenu::AppendSeparator() {
    Item item;
    item.separator = true;
    m_items.push_back(std::move(item));
}

void CMenu::AppendSubmenu(std::string_view text, std::unique_ptr<CMenu> submenu) {
    if (!submenu) return;
    Item item;
    item.text = std::string(text);
    item.submenu = std::move(submenu);
    m_items.push_back(std::move(item));
}

bool CMenu::RemoveItem(int id) {
    auto is_command = [id](const Item& item) {
        return !item.separator && !item.submenu && item.id == id;
    };
    return std::erase_if(m_items, is_command) > 0;
}

const CMenu::Item* CMenu::GetItem(int index) const {
    if (index < 0 || index >= GetItemCount()) return nullptr;
    return &m_items[index];
}

const CMenu::Item* CMenu::FindItem(int id) const {
    for (const Item& item : m_items) {
        if (item.submenu) {
            if (const Item* found = item.submenu->FindItem(id)) return found;
        } else if (!item.separator && item.id == id) {
            return &item;
        }
    }
    return nullptr;
}
