#pragma once
// A popup menu as data: the grid builds it, the renderer shows it and reports the chosen id.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CMenu {
  public:
    // One entry: a command (id and text), a separator, or a submenu (text and owned menu).
    struct Item {
        int id = 0;
        std::string text;
        bool separator = false;
        bool checked = false;
        std::unique_ptr<CMenu> submenu;
    };

    CMenu() = default;
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    void AppendItem(int id, std::string_view text, bool checked = false);
    void AppendSeparator();
    // Takes ownership of the submenu; a null submenu is ignored.
    void AppendSubmenu(std::string_view text, std::unique_ptr<CMenu> submenu);
    // Removes the top-level commands with that id; true when one was removed.
    bool RemoveItem(int id);
    void Clear() { m_items.clear(); }

    int GetItemCount() const { return static_cast<int>(m_items.size()); }
    // Null when index is out of range.
    const Item* GetItem(int index) const;
    // The first command with that id, searching submenus too; null when there is none.
    const Item* FindItem(int id) const;
    const std::vector<Item>& Items() const { return m_items; }

  private:
    std::vector<Item> m_items;
};
