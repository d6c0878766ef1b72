#pragma once
// The column header list of a table grid: one entry per grid column, in display order.
#include <vector>

// A column's position is its index in the list: moving a column reorders the list, so
// GetPosition(id) and the index of id always agree. Ids are unique within a list; look-ups
// by id are linear scans (a grid has a few dozen columns at most).
class CMultiHdrData {
  public:
    struct Column {
        int id = 0;  // string id of the heading text
        int width = 0;
        int visible = 1;
        int alignment = 1;  // UG_ALIGNLEFT, UG_ALIGNRIGHT or UG_ALIGNCENTER
        int icon = 0;
        bool operator==(const Column&) const = default;
    };

    // Appends a column whose heading is the string stringId. Returns its index, or -1 when
    // the id is already in the list (nothing is added). A negative width counts as 0.
    int AddFromResourceId(int stringId, int width, int visible, int alignment, int icon);

    int GetCount() const { return static_cast<int>(m_columns.size()); }
    // The id at index; -1 when index is out of range.
    int GetColID(int index) const;
    // These answer for a column id; an id not in the list gives 0 (visible, width, icon),
    // UG_ALIGNLEFT (alignment) or -1 (position).
    int GetVisible(int id) const;
    int GetAlignment(int id) const;
    int GetPosition(int id) const;
    int GetWidth(int id) const;
    int GetIcon(int id) const;
    int GetVisibleCount() const;

    // What the user does to the list. Each returns false (and changes nothing) for an id or
    // index not in the list.
    bool SetVisible(int id, int visible);
    bool SetWidth(int id, int width);  // negative counts as 0
    // Takes the column at fromIndex out and inserts it so that its index becomes toIndex;
    // the columns in between shift by one.
    bool MoveColumn(int fromIndex, int toIndex);

    const std::vector<Column>& Columns() const { return m_columns; }
    // Replaces the whole list (a loaded layout); the caller keeps ids unique.
    void SetColumns(std::vector<Column> columns) { m_columns = std::move(columns); }
    void RemoveAll() { m_columns.clear(); }

  private:
    Column* Find(int id);
    const Column* Find(int id) const;

    std::vector<Column> m_columns;
};
