// Moving the selection of long lists writes the list only where something changed, so that a
// list box of tens of thousands of entries is not laid out again after every exchange.

#include <gtest/gtest.h>

#include <QString>
#include <algorithm>
#include <utility>
#include <vector>

#include "dialogs/list_operations.h"

namespace corvane {
namespace {

class CountingList final : public SelectableList {
public:
    explicit CountingList(std::vector<bool> selected)
        : texts_(selected.size()), selected_(std::move(selected)) {
        std::generate(texts_.begin(), texts_.end(),
                      [i = 0]() mutable { return QString::number(i++); });
    }
    int ListCount() const override { return static_cast<int>(texts_.size()); }
    QString List(int index) const override { return texts_.at(index); }
    void SetList(int index, const QString& text) override { ++textWrites, texts_.at(index) = text; }
    bool Selected(int index) const override { return selected_.at(index); }
    void SetSelected(int index, bool on) override { ++selectionWrites, selected_.at(index) = on; }
    void RemoveItem(int) override { ADD_FAILURE() << "a move removes nothing"; }

    std::vector<QString> texts_;
    std::vector<bool> selected_;
    int textWrites = 0, selectionWrites = 0;
};

TEST(ListMoves, ABlockMovesWritingOnlyWhatChanges) {
    // A block of 20000 in 40000: the block and the entry above it change their texts, the
    // selection changes at its ends; a block at the top writes nothing.
    for (const int first : {10000, 0}) {
        std::vector<bool> selected(40000, false);
        std::fill_n(selected.begin() + first, 20000, true);
        CountingList list(selected);
        MoveSelectionUp(list);
        EXPECT_EQ(list.textWrites, first == 0 ? 0 : 20001);
        EXPECT_EQ(list.selectionWrites, first == 0 ? 0 : 2);
        EXPECT_EQ(list.texts_[9999], QString::number(first == 0 ? 9999 : 10000));
        EXPECT_EQ(list.texts_[29999], QString::number(first == 0 ? 29999 : 9999));
    }
}

}  // namespace
}  // namespace corvane
