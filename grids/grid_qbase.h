#pragma once
// The common base of the three list grids of a portfolio window (movements, open trades,
// closed trades): set-up, row colours, sorting by a heading click with a comparison that
// knows numbers and dates, the context menu with the portfolio commands, old heading
// captions, a small saved extension, and the links to the view and the ledger.
#include <compare>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "grids/currency_columns.h"
#include "grids/portfolio_view.h"
#include "grids/sorted_rows.h"
#include "host/grid/table_grid.h"
#include "model/links.h"

class CSistemaCartera;

namespace cartera {

// How a column sorts, by its column id (the string id of its heading): by the record's number,
// its date, or the shown text in the interface language's collation.
enum class ColumnKind { kText, kNumber, kDate };
ColumnKind ColumnKindOf(int columnId);

// Context menu items of the list grids.
inline constexpr int kMenuBuy = 6901;
inline constexpr int kMenuSell = 6902;
inline constexpr int kMenuOther = 6903;
inline constexpr int kMenuCommission = 6904;
inline constexpr int kMenuModify = 6905;
inline constexpr int kMenuDelete = 57632;  // the Edit/Clear command

// Colours the list grids share.
inline constexpr COLORREF kGridTextColor = RGB(0, 0, 139);
inline constexpr COLORREF kDebitColor = RGB(255, 0, 0);

}  // namespace cartera

// The grid renders its rows from the ledger's records on demand (see IGridRowSource), so a
// refill only sets the number of rows and sorts; SetOnDemand(false) stores every row's
// cells instead, with the same texts and colours.
class CGridQBase : public CGridTabla, public ILedgerView, private IGridRowSource {
  public:
    CGridQBase();
    ~CGridQBase() override = default;

    // Links (not owned). Commands find nothing to do while they are unset.
    void SetView(IPortfolioView* view) { m_pView = view; }
    IPortfolioView* GetView() const { return m_pView; }
    void SetLedger(CSistemaCartera* ledger) { m_pSistema = ledger; }
    CSistemaCartera* GetLedger() const { return m_pSistema; }

    COLORREF GetAlternateRowColor() const { return m_alternateColor; }
    void SetAlternateRowColor(COLORREF color) { m_alternateColor = color; }
    COLORREF GetDebitColor() const { return m_debitColor; }

    // Clears the grid and shows a row per record of the ledger, in the ledger's order, then
    // sorts again; nothing without a ledger.
    virtual void FillGrid();
    // Drops the rows; the next FillGrid fills them on demand or stored.
    void SetOnDemand(bool onDemand) { SetRowSource(onDemand ? this : nullptr); }
    // FillGrid now, or, while refills are held, once when the hold ends.
    void RequestRefill();
    // A document holds the refills while it reads or writes the portfolio, so the several
    // notifications of one load or save cost one refill. Holds nest; the last release fills
    // once if any refill was requested and refill is true, else drops the requests.
    void HoldRefills() { ++m_refillHolds; }
    void ReleaseRefills(bool refill);

    // The record id of the row, whatever columns are hidden or moved; kNoId (all bits set)
    // when the grid has no such row.
    uint64_t GetRowID(int row) const;
    void SetRowTextColor(int row, COLORREF color);
    // Even rows get the alternate colour, odd rows the grid background.
    COLORREF RowBackColor(int row) const;
    void SetRowBackColor(int row);
    void ColorAllRows();

    // Sorts by the sort state, puts the arrow on the sort heading and recolours stored rows.
    // The rows end in the order SortBy with OnSortEvaluate gives: by each record's key in the
    // sort column (ReadSortKey), records without one first, ties in the rows' order before
    // the sort. In a refill the order of the last refill sorted the same way is followed
    // through the records' edits (RecordEdits) where it can be, to the same order. The
    // selected rows stay on their records.
    void ApplySort() override;

    // Host data first, then: a count of words and the words, the ids of the currency columns
    // the user showed or hid by hand (older readers skip the words), the alternate row
    // colour. Then the header is applied again and a refill
    // requested (see RequestRefill). Archive errors propagate.
    void Serialize(CArchive& ar) override;
    // The layout the portfolio file keeps of the grid is its Serialize.
    void SerializeLayout(CArchive& ar) override { Serialize(ar); }
    // The column id of an old saved caption, by a fixed order of the list grids' headings
    // in the interface language; -1 for none.
    int String2Id_OldFormat(const std::string& caption) override;

    void OnStart() override;
    void OnModifyHeader() override;
    // Only the release of the button sorts: the same heading flips the direction, another
    // heading becomes the sort column in the current direction.
    void OnTH_LClicked(int col, int row, int updn, RECT* rect, POINT* point,
                       int processed) override;
    void OnKeyDown(unsigned* vcKey, int processed) override;
    int OnMenuStart(int col, int row, int section) override;
    void OnMenuCommand(int col, int row, int section, int item) override;
    // Compares the keys of the records the cells show (their id slot 1 holds the record
    // plus 1, as every cell the grid renders does); a cell without a record has no key.
    int OnSortEvaluate(CUGCell* first, CUGCell* second, int flags) override;
    int QueryInfoItem(int a, int b, int item, std::string* text) override;

  protected:
    // How many records the grid shows: the ledger's movements or trades; 0 without a ledger.
    virtual size_t RecordCount() const { return 0; }
    // Gives *cell what a shown column shows for record (< RecordCount()): its alignment,
    // text and record id, and a text colour of its own where it has one.
    virtual void RenderRecordCell(const CMultiHdrData::Column& column, uint32_t record,
                                  CUGCell* cell) const {}
    // The changes of the records since a mark, for following a sorted order; null when the
    // grid's records keep none (every refill sorts whole).
    virtual const cartera::EditLog* RecordEdits() const { return nullptr; }
    // The value record (< RecordCount()) shows in a number column, or its day number in a
    // date column, as stored (never read back from its text); false when it shows none.
    virtual bool RecordNumber(int columnId, uint32_t record, double* value) const { return false; }
    // The id record carries, which the selection follows across refills; kNoId by default.
    virtual uint64_t RecordId(uint32_t record) const { return ~uint64_t{0}; }
    // Whether a record is in a currency other than the portfolio's: the currency columns
    // show while one is.
    virtual bool ShowsOtherCurrency() const { return false; }
    // Remembers which records the selected rows show, as the user moves the selection.
    void OnSelectionMoved() override;
    // The text colour of every cell of a row, before a column's own.
    virtual COLORREF RowTextColor() const { return GetGridTextColor(); }
    // Writes every cell of row for record, in a grid that stores its cells.
    void StoreRow(int row, uint32_t record);
    // FillGrid's work, ledger or not.
    void FillRows();

    int SortArrowIndex();
    // The grid's currency columns; the derived grid sets them up with its headings.
    cartera::AutoColumns m_currencyColumns;
    // Stable sort of the rows by column col, as SortBy(col, direction) would; keep: the rows
    // are in the ledger's order, and the order is kept for the next refill.
    void SortRows(int col, bool descending, bool keep = false);

  private:
    IPortfolioView* m_pView = nullptr;
    CSistemaCartera* m_pSistema = nullptr;
    COLORREF m_alternateColor = RGB(225, 245, 255);
    COLORREF m_debitColor = cartera::kDebitColor;
    int m_sortArrowIndex = -1;
    int m_refillHolds = 0;
    bool m_refillRequested = false;
    CUGCell m_scratch;  // reused by StoreRow and the sort so they keep their string buffers
    cartera::SortedRows m_sorted;
    bool m_rowsInLedgerOrder = false;  // filled and not sorted yet
    // A selected row's record: its id and how many records right before it share the id (a
    // closed trade shares its entry's id with the entry's other trades).
    struct SelectedRecord {
        uint64_t id;
        uint32_t nth;
        bool current;
        auto operator<=>(const SelectedRecord& o) const {
            return std::pair(id, nth) <=> std::pair(o.id, o.nth);
        }
        bool operator==(const SelectedRecord& o) const { return id == o.id && nth == o.nth; }
    };
    std::vector<SelectedRecord> m_selection;  // sorted; as the user left it

    cartera::SortedRows::By SortState(int col) const;
    // The rows in the kept order followed through the edits; false when it cannot be.
    bool FollowSort(int col);
    // What record sorts by in col, for the full sort, the kept order and the comparison
    // alike: RecordNumber in number and date columns, the collation key of the shown text in
    // text columns. False when it has none (no text, no number, not a number).
    bool ReadSortKey(int col, uint32_t record, cartera::CellKey* key);
    // The record a row shows: on demand the grid's, with stored cells the one its cells carry.
    uint32_t RecordOfRow(int row) const;
    // Selects, quietly, the rows that now show the remembered records; none for those gone.
    void Reselect();

    void RenderCell(int col, int row, uint32_t record, CUGCell* cell) override;
};
