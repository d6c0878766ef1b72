#pragma once
// The portfolio file body: header (last id, active tab), the movements, their extension
// records, and the grid layouts, which the views read and write themselves.
#include <cstdint>
#include <functional>

#include "host/archive.h"
#include "model/journal.h"

namespace cartera {

// Reads or writes the grid layouts at the end of a body.
using LayoutCodec = std::function<void(CArchive&)>;

// Writes the body of journal; archive errors propagate.
void StoreBody(CArchive& ar, const Journal& journal, int32_t activeTab, const LayoutCodec& layouts);
// Reads a body: the movements and the last id into journal, the tab into *activeTab, the
// extension records of files of the oldest kind into *legacy; then layouts, when the body
// holds any, and nothing may follow them. Archive errors propagate; the journal then holds
// the movements read whole so far.
void LoadBody(CArchive& ar, Journal& journal, int32_t* activeTab, CArrayOrders* legacy,
              const LayoutCodec& layouts);

}  // namespace cartera
