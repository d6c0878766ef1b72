#pragma once
// A list grid's sorted order kept between refills, so that the refill after a change of the
// ledger costs what the change changed: the records it left alone keep their order, those it
// put in or changed are put into their places, and those it took out are taken out.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "model/edit_log.h"

namespace cartera {

// What a record's cell in the sort column sorts by: the number (a date as its day number),
// or the text in text columns.
struct CellKey {
    double value = 0;
    std::string text;
};

// Reads the key of a record; false when the cell has none that orders (no text, a number
// that is not a number, a date that does not read).
using CellKeyReader = std::function<bool(uint32_t record, CellKey* key)>;

class SortedRows {
  public:
    // What an order was sorted by: a refill follows only an order sorted the same way.
    struct By {
        int col = -1;
        int columnId = 0;
        bool descending = false;
        bool byText = false;
        std::string conventions;  // whatever else the shown texts depend on
        bool operator==(const By&) const = default;
    };

    // Keeps order, the records sorted by (key in the direction of by, then record), as a full
    // stable sort of the rows in the ledger's order gives them, with the records as edits
    // stands now (edits not owned, may be null: then nothing is kept). The keys of order[i]
    // are values[i] (numbers and dates) or texts[i] (text columns), the other one empty: with
    // them a refill reads only the keys of the records that changed.
    void Keep(const By& by, std::vector<int> order, std::vector<double> values,
              std::vector<std::string> texts, const EditLog* edits);
    // The kept order brought up to the count records edits stands at now, with the keys of
    // the records put in or changed read by key; the result is what Keep was given from a
    // full sort. Null, and nothing kept any longer, when it cannot be followed: another
    // sort, edits lost or too many, another count, a key that does not order.
    const std::vector<int>* Follow(const By& by, const EditLog* edits, size_t count,
                                   const CellKeyReader& key);

  private:
    struct Fresh {
        uint32_t record;
        CellKey key;
    };
    // Records in the edited list that need their keys read, and old records no longer kept
    // in place (taken out or changed), both ascending; false when the edits do not fit.
    bool Translate(const EditLog::Edit* edits, size_t count, std::vector<uint32_t>* fresh,
                   std::vector<uint32_t>* dropped) const;
    void Compact(const std::vector<uint32_t>& fresh, const std::vector<uint32_t>& dropped);
    void Merge(std::vector<Fresh>& fresh);
    bool Less(const CellKey& a, uint32_t ra, const CellKey& b, uint32_t rb) const;

    bool m_valid = false;
    By m_by;
    EditLog::Mark m_mark;
    // The key of the record at i of the order: compared with a, whether it goes before it.
    bool KeptBefore(size_t i, const CellKey& a, uint32_t ra) const;
    bool Before(int c, uint32_t ra, uint32_t rb) const;
    static int Compare(double x, double y);

    std::vector<int> m_order;
    // The keys of the order's records, in the order: numbers (and dates), or texts.
    std::vector<double> m_values;
    std::vector<std::string> m_texts;
};

}  // namespace cartera
