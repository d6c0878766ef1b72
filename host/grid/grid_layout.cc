// The saved layout of a table grid, written before any data of a derived grid:
//
//   format          1 byte   kLayoutIds (2), or kLayoutCaptions (1) for the old format
//   column count    4 bytes  signed, N >= 0
//   N columns       id (4 bytes, signed) in kLayoutIds, heading caption (archive string) in
//                   kLayoutCaptions; then width (4 bytes, signed), visible (1 byte),
//                   alignment (1 byte)
//   sort column id  4 bytes  signed, -1 = none          (kLayoutIds only)
//   ascending       1 byte   0 or 1                     (kLayoutIds only)
#include <algorithm>
#include <vector>

#include "host/archive.h"
#include "host/grid/table_grid.h"
#include "host/strings.h"

namespace cartera {
namespace {

constexpr int kMaxColumnWidth = 10000;

struct SavedColumn {
    int id;  // -1 = drop
    int width;
    int visible;
};

bool Contains(const std::vector<CMultiHdrData::Column>& columns, int id) {
    return std::any_of(columns.begin(), columns.end(),
                       [id](const CMultiHdrData::Column& c) { return c.id == id; });
}

// Saved columns the grid has, in saved order with saved width and visibility, then the
// grid's columns the layout lacks, as they are.
std::vector<CMultiHdrData::Column> MergeLayout(const std::vector<CMultiHdrData::Column>& current,
                                               const std::vector<SavedColumn>& saved) {
    std::vector<CMultiHdrData::Column> merged;
    merged.reserve(current.size());
    for (const SavedColumn& s : saved) {
        auto it = std::find_if(current.begin(), current.end(),
                               [&s](const CMultiHdrData::Column& c) { return c.id == s.id; });
        if (s.id < 0 || it == current.end() || Contains(merged, s.id)) continue;
        CMultiHdrData::Column column = *it;
        column.width = s.width;
        column.visible = s.visible;
        merged.push_back(column);
    }
    for (const CMultiHdrData::Column& c : current)
        if (!Contains(merged, c.id)) merged.push_back(c);
    // A layout with every column hidden would leave nothing to right-click to undo it.
    bool anyVisible = std::any_of(merged.begin(), merged.end(),
                                  [](const CMultiHdrData::Column& c) { return c.visible; });
    if (!anyVisible && !merged.empty()) merged.front().visible = 1;
    return merged;
}

}  // namespace
}  // namespace cartera

void CGridTabla::Serialize(CArchive& ar) {
    if (ar.IsLoading()) {
        LoadLayout(ar);
        return;
    }
    const auto& columns = m_header.Columns();
    ar.WriteU8(kLayoutIds);
    ar.WriteI32(static_cast<int32_t>(columns.size()));
    for (const CMultiHdrData::Column& c : columns) {
        ar.WriteI32(c.id);
        ar.WriteI32(c.width);
        ar.WriteU8(c.visible ? 1 : 0);
        ar.WriteU8(static_cast<uint8_t>(c.alignment));
    }
    ar.WriteI32(m_header.GetColID(GetSortCol()));
    ar.WriteU8(IsSortAscending() ? 1 : 0);
}

// Reads everything before changing anything, so a bad layout leaves the grid as it was.
void CGridTabla::LoadLayout(CArchive& ar) {
    uint8_t format = ar.ReadU8();
    if (format != kLayoutIds && format != kLayoutCaptions)
        throw CArchiveException(CArchiveException::badFormat, "unknown grid layout format");
    int32_t count = ar.ReadI32();
    // The smallest column: an id or a one-byte empty caption, width, visible, alignment.
    size_t minColumn = format == kLayoutIds ? 10 : 7;
    if (count < 0 || static_cast<size_t>(count) > ar.Remaining() / minColumn)
        throw CArchiveException(CArchiveException::badFormat, "grid layout column count");

    std::vector<cartera::SavedColumn> saved;
    saved.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        int id = format == kLayoutIds ? ar.ReadI32() : String2Id_OldFormat(ar.ReadString());
        int width = std::clamp(ar.ReadI32(), 0, cartera::kMaxColumnWidth);
        int visible = ar.ReadU8() ? 1 : 0;
        ar.ReadU8();  // alignment: the grid's own wins
        saved.push_back({id, width, visible});
    }
    int sortId = m_header.GetColID(GetSortCol());
    int ascending = IsSortAscending();
    if (format == kLayoutIds) {
        sortId = ar.ReadI32();
        ascending = ar.ReadU8() ? 1 : 0;
    }

    m_header.SetColumns(cartera::MergeLayout(m_header.Columns(), saved));
    SetSortCol(sortId < 0 ? -1 : m_header.GetPosition(sortId));
    SetSortAscending(ascending);
}

int CGridTabla::String2Id_OldFormat(const std::string& caption) {
    for (const CMultiHdrData::Column& c : m_header.Columns())
        if (LS(c.id) == caption) return c.id;
    return -1;
}
