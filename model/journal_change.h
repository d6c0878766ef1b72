#pragma once
// One change of a portfolio's journal as the ledger made it, told to the document so the
// window can undo it and the file can record it: what left the journal and what came into
// it, each with its place, and the movements modified, as they were and as they are.
#include <cstddef>
#include <vector>

#include "model/order.h"

// A movement and its place (0-based) in the journal.
struct PlacedOrder {
    size_t place = 0;
    COrderCartera order;
};

struct JournalChange {
    enum Kind { kAdd, kImport, kDelete, kModify, kRestore };
    Kind kind = kAdd;
    // Places in the journal before the change, ascending.
    std::vector<PlacedOrder> removed;
    // Places in the journal after the change, ascending.
    std::vector<PlacedOrder> added;
    // Modified movements (same ids and places), as they were and as they are now.
    std::vector<PlacedOrder> before, after;
};
