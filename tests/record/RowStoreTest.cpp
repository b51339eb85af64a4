#include "record/RowStore.h"

#include <deque>
#include <gtest/gtest.h>
#include <random>

using namespace quelm;

TEST(RowStore, HoldsWhatADequeHoldsAcrossBlockEdges)
{
    // Rows told apart by their record number; every operation done on a
    // deque too, with runs long enough to cross many block edges.
    RowStore store;
    std::deque<std::int32_t> model;
    std::mt19937 random(3);
    std::int32_t next = 0;
    const auto row = [](std::int32_t Record) {
        CompactRow made{};
        made.record = Record;
        made.end = CompactRow::kOpen;
        return made;
    };
    for (int step = 0; step < 4000; ++step) {
        const unsigned kind = random() % 10;
        if (kind < 6) {
            for (unsigned i = random() % 3000; i > 0; --i) {
                store.PushBack(row(next));
                model.push_back(next++);
            }
        } else if (kind == 6 && !model.empty()) {
            const std::size_t at = random() % (model.size() + 1);
            store.Insert(at, row(next));
            model.insert(model.begin() + static_cast<std::ptrdiff_t>(at), next++);
        } else if (kind == 7 && !model.empty()) {
            const std::size_t at = random() % 4 == 0 ? random() % model.size() : model.size() - 1;
            store.Erase(at);
            model.erase(model.begin() + static_cast<std::ptrdiff_t>(at));
        } else if (kind == 8) {
            const std::size_t count = random() % (model.size() + 2);
            store.EraseFront(count);
            model.erase(model.begin(), model.begin() + static_cast<std::ptrdiff_t>(std::min(count, model.size())));
        } else if (random() % 50 == 0) {
            store.Clear();
            model.clear();
        }
        ASSERT_EQ(store.Size(), model.size()) << "step " << step;
        for (std::size_t i : {std::size_t{0}, model.size() / 2, model.size() - 1}) {
            if (i < model.size()) {
                ASSERT_EQ(store[i].record, model[i]) << "step " << step << ", row " << i;
            }
        }
    }
    for (std::size_t i = 0; i < model.size(); ++i) {
        ASSERT_EQ(store[i].record, model[i]) << "row " << i;
    }
}
