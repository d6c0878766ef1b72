#pragma once
// Helpers shared by the tests of every layer: a recording grid observer, a message box that
// answers, commission brackets. The ledger fixtures are in test_ledger.h, the grid ones in
// test_grids.h.
#include <string>
#include <vector>

#include "commissions/comisiones.h"
#include "host/grid/grid_control.h"
#include "host/message_box.h"

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

// Answers every message box with answer while it lives and records what was asked.
class AnsweringMessageBox {
  public:
    explicit AnsweringMessageBox(int reply) : answer(reply) {
        m_previous = SetMessageBoxHandler([this](const std::string& text, unsigned type) {
            questions.push_back({text, type});
            return this->answer;
        });
    }
    ~AnsweringMessageBox() { SetMessageBoxHandler(m_previous); }
    AnsweringMessageBox(const AnsweringMessageBox&) = delete;
    AnsweringMessageBox& operator=(const AnsweringMessageBox&) = delete;

    struct Question {
        std::string text;
        unsigned type;
    };
    int answer;
    std::vector<Question> questions;

  private:
    MessageBoxHandler m_previous;
};

// A bracket of the schedule name and kind covering from..to, with the given id and index in
// the schedule (-1: assigned when added) and a royalty as its only cost.
inline stComision Bracket(const std::string& name, int32_t kind, double from, double to,
                          int32_t id = -1, int32_t index = -1, double royalty = 0) {
    return {id, index, kind, name, 0, 0, 0, 0, 0, from, to, royalty};
}

}  // namespace cartera::testing
