#pragma once
// Small value types and codes shared by the grid control, its cells and its renderer.
#include <cstdint>

// A colour 0x00BBGGRR: red in the low byte.
using COLORREF = uint32_t;
constexpr COLORREF RGB(int r, int g, int b) {
    return static_cast<COLORREF>((r & 0xff) | ((g & 0xff) << 8) | ((b & 0xff) << 16));
}

// Pixel rectangle and point as the window system gives them.
struct RECT {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};
struct POINT {
    int32_t x = 0;
    int32_t y = 0;
};

// What the renderer paints with. The grid only asks it for a focus rectangle.
class CDC {
  public:
    virtual ~CDC() = default;
    virtual void DrawFocusRect(const RECT& rect) = 0;
};

// Results of the grid's operations.
inline constexpr int UG_SUCCESS = 0;
inline constexpr int UG_ERROR = 1;

// Cell alignments.
inline constexpr int UG_ALIGNLEFT = 1;
inline constexpr int UG_ALIGNRIGHT = 2;
inline constexpr int UG_ALIGNCENTER = 4;

// Sort modes of SortBy and the flags handed to OnSortEvaluate.
inline constexpr int UG_SORT_ASCENDING = 1;
inline constexpr int UG_SORT_DESCENDING = 2;

// Cell types: index 0 is plain text; the sort arrow's extended types pick its direction.
inline constexpr int UGCT_NORMAL = 0;
inline constexpr int UGCT_SORTARROWUP = 16;    // ascending
inline constexpr int UGCT_SORTARROWDOWN = 32;  // descending

// Cell properties for CUGCell::IsPropertySet.
inline constexpr int UGCELL_TEXT_SET = 1;
inline constexpr int UGCELL_TEXTCOLOR_SET = 2;
inline constexpr int UGCELL_BACKCOLOR_SET = 4;
inline constexpr int UGCELL_ALIGNMENT_SET = 8;
inline constexpr int UGCELL_CELLTYPE_SET = 16;
inline constexpr int UGCELL_CELLTYPEEX_SET = 32;

// Grid sections, as passed to the menu events.
inline constexpr int UG_GRID = 1;
inline constexpr int UG_TOPHEADING = 2;
inline constexpr int UG_SIDEHEADING = 3;
inline constexpr int UG_CORNERBUTTON = 4;

// Scroll modes.
inline constexpr int UG_SCROLLNORMAL = 0;
inline constexpr int UG_SCROLLTRACKING = 1;

// QueryInfoItem codes the host itself asks: whether the default menu offers its column
// list and its sort commands. A grid answers non-zero to offer them.
inline constexpr int UGINFO_MENU_COLUMNS = 1112;
inline constexpr int UGINFO_MENU_SORT = 1113;

namespace cartera {
// Virtual-key codes the grid and its users look at.
enum VirtualKey : unsigned {
    kVkPageUp = 33,
    kVkPageDown = 34,
    kVkEnd = 35,
    kVkHome = 36,
    kVkLeft = 37,
    kVkUp = 38,
    kVkRight = 39,
    kVkDown = 40,
    kVkDelete = 46,
};
}  // namespace cartera

// How the renderer draws cells that name a type. Registered with CUGCtrl::AddCellType; the
// grid does not own it.
class CUGCellType {
  public:
    enum Kind { kText = 0, kSortArrow = 1 };
    explicit CUGCellType(Kind kind = kText) : m_kind(kind) {}
    virtual ~CUGCellType() = default;
    Kind GetKind() const { return m_kind; }

  private:
    Kind m_kind;
};

// The heading sort arrow; its direction is the cell's extended type (UGCT_SORTARROWUP/DOWN).
class CUGSortArrowType : public CUGCellType {
  public:
    CUGSortArrowType() : CUGCellType(kSortArrow) {}
};
