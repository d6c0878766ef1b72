#pragma once
// Test helpers for the grid tests.
#include <vector>

#include "host/grid/grid_control.h"

namespace cartera::testing {

// Records every notification a grid sends.
class RecordingObserver : public IGridObserver {
  public:
    void GridRedrawAll() override { ++redrawAll; }
    void GridRedrawRow(int row) override { rows.push_back(row); }
    void GridStructureChanged() override { ++structure; }
    void GridCurrentCellChanged() override { ++current; }

    int Total() const { return redrawAll + structure + current + static_cast<int>(rows.size()); }
    void Reset() { *this = RecordingObserver(); }

    int redrawAll = 0;
    int structure = 0;
    int current = 0;
    std::vector<int> rows;
};

}  // namespace cartera::testing
