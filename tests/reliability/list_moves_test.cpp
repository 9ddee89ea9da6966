// Moving the selection of long lists: the result is the one of exchanging entries one by
// one, and the list is written only where something changed, so that a list box of tens of
// thousands of entries is not laid out again after every exchange.

#include <gtest/gtest.h>

#include <QString>
#include <algorithm>
#include <random>
#include <vector>

#include "dialogs/list_operations.h"

namespace corvane {
namespace {

class CountingList final : public SelectableList {
public:
    CountingList(int count, const std::vector<bool>& selected) : selected_(selected) {
        for (int i = 0; i < count; ++i) {
            texts_.push_back(QString::number(i));
        }
    }
    int ListCount() const override { return static_cast<int>(texts_.size()); }
    QString List(int index) const override { return texts_.at(static_cast<std::size_t>(index)); }
    void SetList(int index, const QString& text) override {
        ++textWrites;
        texts_.at(static_cast<std::size_t>(index)) = text;
    }
    bool Selected(int index) const override {
        return selected_.at(static_cast<std::size_t>(index));
    }
    void SetSelected(int index, bool selected) override {
        ++selectionWrites;
        selected_.at(static_cast<std::size_t>(index)) = selected;
    }
    void RemoveItem(int index) override {
        texts_.erase(texts_.begin() + index);
        selected_.erase(selected_.begin() + index);
    }

    std::vector<QString> texts_;
    std::vector<bool> selected_;
    int textWrites = 0;
    int selectionWrites = 0;
};

// The rule stated entry by entry: each selected entry, top to bottom (up) or bottom to top
// (down), trades places with its neighbour and takes the selection along; nothing moves when
// the selection touches the end it moves to.
void ReferenceMove(std::vector<QString>& texts, std::vector<bool>& selected, bool up) {
    const int count = static_cast<int>(texts.size());
    std::vector<int> indexes;
    for (int i = 0; i < count; ++i) {
        if (selected[static_cast<std::size_t>(i)]) {
            indexes.push_back(i);
        }
    }
    if (indexes.empty() || (up ? indexes.front() == 0 : indexes.back() == count - 1)) {
        return;
    }
    if (!up) {
        std::reverse(indexes.begin(), indexes.end());
    }
    for (const int from : indexes) {
        const auto a = static_cast<std::size_t>(from);
        const auto b = static_cast<std::size_t>(up ? from - 1 : from + 1);
        std::swap(texts[a], texts[b]);
        selected[a] = false;
        selected[b] = true;
    }
}

TEST(ListMoves, RandomSelectionsMoveAsExchangingOneByOne) {
    std::mt19937 random(20081231);
    for (int round = 0; round < 2000; ++round) {
        const int count = 1 + static_cast<int>(random() % 12);
        const double share = (random() % 100) / 100.0;
        std::vector<bool> selected(static_cast<std::size_t>(count));
        for (auto&& s : selected) {
            s = (random() % 100) / 100.0 < share;
        }
        const bool up = random() % 2 == 0;
        CountingList list(count, selected);
        std::vector<QString> texts = list.texts_;
        std::vector<bool> expected = selected;
        ReferenceMove(texts, expected, up);
        up ? MoveSelectionUp(list) : MoveSelectionDown(list);
        ASSERT_EQ(list.texts_, texts) << "round " << round;
        ASSERT_EQ(list.selected_, expected) << "round " << round;
    }
}

TEST(ListMoves, ABlockOfALongListIsWrittenOnlyWhereItChanges) {
    const int count = 40000;
    std::vector<bool> selected(count, false);
    for (int i = 10000; i < 30000; ++i) {
        selected[static_cast<std::size_t>(i)] = true;
    }
    CountingList list(count, selected);
    MoveSelectionUp(list);
    // The block and the entry above it change their texts; the selection changes at its ends.
    EXPECT_EQ(list.textWrites, 20001);
    EXPECT_EQ(list.selectionWrites, 2);
    EXPECT_EQ(list.texts_[9999], QStringLiteral("10000"));
    EXPECT_EQ(list.texts_[29999], QStringLiteral("9999"));

    selected.assign(count, false);
    selected[0] = true;
    CountingList stuck(count, selected);
    MoveSelectionUp(stuck);
    EXPECT_EQ(stuck.textWrites + stuck.selectionWrites, 0);
}

}  // namespace
}  // namespace corvane
