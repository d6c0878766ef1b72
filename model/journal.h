#pragma once
// The journal: the portfolio's movements in entry order, their ids, and the log of the places
// each change touched. Look-ups by id are quick whatever the changes: ids that go up along the
// journal are found by binary search, others through an index kept with the changes.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "model/edit_log.h"
#include "model/order.h"

namespace cartera {

class Journal {
  public:
    const CArrayOrders& Orders() const { return m_orders; }
    size_t size() const { return m_orders.size(); }
    bool empty() const { return m_orders.empty(); }
    const COrderCartera& operator[](size_t place) const { return m_orders[place]; }
    const COrderCartera& back() const { return m_orders.back(); }
    // The places the changes since a reader's mark touched.
    const EditLog& Edits() const { return m_edits; }

    // The last id given; the next new movement gets the one after it.
    uint32_t LastId() const { return m_lastId; }
    void SetLastId(uint32_t id) { m_lastId = id; }
    // The portfolio's currency (ISO 4217), in which its results are given; empty until
    // named (files from before currencies): every movement is then taken as in it.
    const std::string& Currency() const { return m_currency; }
    void SetCurrency(std::string code) { m_currency = std::move(code); }
    // Gives m the next id.
    void GiveId(COrderCartera& m) { m.id = ++m_lastId; }
    // A movement comes back with its own id: ids are never given twice, so the next new one
    // comes after it (ids beyond 32 bits and kNoId are passed over).
    void PassId(uint64_t id);

    // The place of the first movement with the id; SIZE_MAX when there is none.
    size_t Find(uint64_t id) const;

    void Reserve(size_t count) { m_orders.reserve(count); }
    void Append(const COrderCartera& m);
    // Puts m before place (the end when place is size()).
    void Insert(size_t place, const COrderCartera& m);
    void Erase(size_t place);
    // Replaces the movement at place.
    void Modify(size_t place, const COrderCartera& m);
    // Takes out the first movement of each id, in journal order; gone is told of each with
    // its place before the change. Ids not in the journal are passed over.
    void RemoveIds(const std::vector<uint64_t>& ids,
                   const std::function<void(size_t, const COrderCartera&)>& gone);
    // The journal becomes orders, whatever it held (readers of the edits start over).
    void Reset(CArrayOrders orders);
    // The movements of an empty journal, to be given their ids in place (see AddOrders):
    // the batch is taken whole, without a copy.
    CArrayOrders& TakeBatch(CArrayOrders batch);

  private:
    void Invalidate() {
        m_indexValid = false;
        m_idsAscending = -1;
    }
    void BuildIndex() const;
    void NoteAppended();

    CArrayOrders m_orders;
    EditLog m_edits;
    uint32_t m_lastId = 0;
    std::string m_currency;
    mutable std::unordered_map<uint64_t, uint32_t> m_idIndex;  // id -> first movement
    mutable bool m_indexValid = false;
    // 1 when the ids never go down along the journal (look-ups by binary search, no index),
    // 0 when they do, -1 not known yet.
    mutable int8_t m_idsAscending = -1;
};

}  // namespace cartera
