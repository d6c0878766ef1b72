#include "model/journal.h"

#include <gtest/gtest.h>

#include <random>

namespace cartera {
namespace {

// The first place holding the id, as a plain scan finds it.
size_t Scan(const CArrayOrders& orders, uint64_t id) {
    for (size_t i = 0; i < orders.size(); ++i)
        if (orders[i].id == id) return i;
    return SIZE_MAX;
}

// Look-ups by id against a plain scan while random changes keep the ids ascending or break
// that (repeats, ids that go down), so both ways of finding (binary search, index) and the
// switches between them are walked.
TEST(JournalTest, FindsTheFirstMovementWithAnIdThroughEveryChange) {
    std::mt19937 random(7);
    for (int round = 0; round < 40; ++round) {
        Journal journal;
        CArrayOrders plain;
        auto movement = [&](bool ascending) {
            COrderCartera m;
            m.id = ascending && !plain.empty() ? plain.back().id + 1 + random() % 3 : random() % 12;
            return m;
        };
        const bool ascending = round % 2 == 0;
        for (int step = 0; step < 60; ++step) {
            const size_t place = plain.empty() ? 0 : random() % (plain.size() + 1);
            switch (random() % 5) {
                case 0:
                case 1: {
                    COrderCartera m = movement(ascending);
                    plain.push_back(m);
                    journal.Append(m);
                    break;
                }
                case 2: {
                    COrderCartera m = movement(false);
                    plain.insert(plain.begin() + static_cast<long>(place), m);
                    journal.Insert(place, m);
                    break;
                }
                case 3:
                    if (place < plain.size()) {
                        plain.erase(plain.begin() + static_cast<long>(place));
                        journal.Erase(place);
                    }
                    break;
                default:
                    if (place < plain.size()) {
                        COrderCartera m = movement(false);
                        plain[place] = m;
                        journal.Modify(place, m);
                    }
            }
            for (uint64_t id = 0; id < 14; id += 1 + random() % 3)
                ASSERT_EQ(journal.Find(id), Scan(plain, id))
                    << "round " << round << " step " << step;
        }
        std::vector<uint64_t> gone = {plain.empty() ? 0 : plain.front().id, 3, 3};
        std::vector<size_t> told;
        journal.RemoveIds(gone, [&](size_t place, const COrderCartera&) { told.push_back(place); });
        for (size_t k = told.size(); k > 0; --k)
            plain.erase(plain.begin() + static_cast<long>(told[k - 1]));
        ASSERT_EQ(journal.size(), plain.size());
        for (uint64_t id = 0; id < 14; ++id) ASSERT_EQ(journal.Find(id), Scan(plain, id));
    }
}

}  // namespace
}  // namespace cartera
