#pragma once
// Shared pieces of the Qt renderer tests: a table grid that records what the view tells it.
#include <string>
#include <vector>

#include "host/grid/table_grid.h"

namespace cartera::qt::testing {

struct HeadingClick {
    int col;
    int row;
    int updn;
    bool operator==(const HeadingClick&) const = default;
};

struct MenuCall {
    int col;
    int row;
    int section;
    int item;  // 0 for OnMenuStart
    bool operator==(const MenuCall&) const = default;
};

// Columns "Type" (hidden when asked), "Symbol", "Group" (hidden), "Contracts" (right). The
// context menu holds "Buy" (6901), a separator, a greyed "Sell" (6902) and a submenu with
// a checked item (7100).
class RecordingGrid : public CGridTabla {
  public:
    static constexpr int kBuy = 6901;
    static constexpr int kSell = 6902;
    static constexpr int kChecked = 7100;

    RecordingGrid() {
        m_header.AddFromResourceId(3381, 60, 1, UG_ALIGNLEFT, 0);
        m_header.AddFromResourceId(3384, 90, 1, UG_ALIGNLEFT, 0);
        m_header.AddFromResourceId(3390, 70, 0, UG_ALIGNLEFT, 0);
        m_header.AddFromResourceId(3385, 80, 1, UG_ALIGNRIGHT, 0);
    }

    void OnStart() override {
        CGridTabla::OnStart();
        EnableMenu(1);
        OnModifyHeader();
    }
    void Create() { CreateGrid(RECT{}, nullptr, 1); }
    // rows rows of texts "r<row>c<col>"; column 3 holds the row number, right-aligned.
    void Fill(int rows) {
        Limpiar(0);
        for (int r = 0; r < rows; ++r) {
            AppendRow();
            for (int c = 0; c < GetNumberCols(); ++c)
                QuickSetText(c, r, "r" + std::to_string(r) + "c" + std::to_string(c));
            QuickSetText(3, r, std::to_string(r));
            QuickSetAlignment(3, r, UG_ALIGNRIGHT);
        }
        RedrawAll();
    }

    void OnTH_LClicked(int col, int row, int updn, RECT*, POINT*, int) override {
        clicks.push_back({col, row, updn});
    }
    void OnKeyDown(unsigned* key, int processed) override {
        keys.push_back(*key);
        CGridTabla::OnKeyDown(key, processed);
    }
    int OnMenuStart(int col, int row, int section) override {
        menu.push_back({col, row, section, 0});
        EmptyMenu();
        AddMenuItem(kBuy, "Buy");
        AddMenuSeparator();
        AddMenuItem(kSell, "Sell");
        auto sub = std::make_unique<CMenu>();
        sub->AppendItem(kChecked, "Shown", true);
        AddMenuSubmenu("Options", std::move(sub));
        return showMenu;
    }
    void OnMenuCommand(int col, int row, int section, int item) override {
        menu.push_back({col, row, section, item});
    }
    int OnCommandUpdateUI(int id) override { return id != kSell; }
    void OnDrawFocusRect(CDC* dc, RECT* rect) override {
        focusRects.push_back(*rect);
        CGridTabla::OnDrawFocusRect(dc, rect);
    }

    std::vector<HeadingClick> clicks;
    std::vector<unsigned> keys;
    std::vector<MenuCall> menu;
    std::vector<RECT> focusRects;
    int showMenu = 1;
};

}  // namespace cartera::qt::testing
