#include "dialogs/list_operations.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <vector>

using namespace Qt::StringLiterals;

namespace corvane {
namespace {

// A list of entries named by their original positions, "0" to "n-1".
class TestList final : public SelectableList {
public:
    TestList(int count, std::vector<int> selected) {
        for (int i = 0; i < count; ++i) {
            texts_.push_back(QString::number(i));
            selected_.push_back(false);
        }
        for (int index : selected) {
            selected_[static_cast<size_t>(index)] = true;
        }
    }
    int ListCount() const override { return static_cast<int>(texts_.size()); }
    QString List(int index) const override { return texts_.at(static_cast<size_t>(index)); }
    void SetList(int index, const QString& text) override { texts_.at(static_cast<size_t>(index)) = text; }
    bool Selected(int index) const override { return selected_.at(static_cast<size_t>(index)); }
    void SetSelected(int index, bool selected) override {
        selected_.at(static_cast<size_t>(index)) = selected;
    }
    void RemoveItem(int index) override {
        texts_.erase(texts_.begin() + index);
        selected_.erase(selected_.begin() + index);
    }

    QString Order() const {
        QStringList parts(texts_.begin(), texts_.end());
        return parts.join(u',');
    }
    std::vector<int> SelectedIndexes() const {
        std::vector<int> result;
        for (int i = 0; i < ListCount(); ++i) {
            if (selected_[static_cast<size_t>(i)]) {
                result.push_back(i);
            }
        }
        return result;
    }

private:
    std::vector<QString> texts_;
    std::vector<bool> selected_;
};

TEST(ListOperations, MoveUpCarriesABlockAboveItsNeighbour) {
    TestList list(5, {1, 2});
    MoveSelectionUp(list);
    EXPECT_EQ(list.Order(), u"1,2,0,3,4"_s);
    EXPECT_EQ(list.SelectedIndexes(), (std::vector<int>{0, 1}));
}

TEST(ListOperations, MoveUpStopsWholeWhenTheFirstEntryIsSelected) {
    TestList list(5, {0, 3});
    MoveSelectionUp(list);
    EXPECT_EQ(list.Order(), u"0,1,2,3,4"_s);
    EXPECT_EQ(list.SelectedIndexes(), (std::vector<int>{0, 3}));
}

TEST(ListOperations, MoveDownMovesEachSelectedEntry) {
    TestList list(5, {1, 3});
    MoveSelectionDown(list);
    EXPECT_EQ(list.Order(), u"0,2,1,4,3"_s);
    EXPECT_EQ(list.SelectedIndexes(), (std::vector<int>{2, 4}));
}

TEST(ListOperations, MoveDownStopsWholeWhenTheLastEntryIsSelected) {
    TestList list(5, {1, 4});
    MoveSelectionDown(list);
    EXPECT_EQ(list.Order(), u"0,1,2,3,4"_s);
    EXPECT_EQ(list.SelectedIndexes(), (std::vector<int>{1, 4}));
}

TEST(ListOperations, RemoveSelectionWorksFromTheBottom) {
    TestList list(5, {0, 2, 4});
    RemoveSelection(list);
    EXPECT_EQ(list.Order(), u"1,3"_s);
    EXPECT_TRUE(list.SelectedIndexes().empty());
}

TEST(ListOperations, EmptyListsAndListsWithoutSelectionStayUnchanged) {
    TestList empty(0, {});
    MoveSelectionUp(empty);
    MoveSelectionDown(empty);
    RemoveSelection(empty);
    EXPECT_EQ(empty.ListCount(), 0);

    TestList none(3, {});
    MoveSelectionUp(none);
    MoveSelectionDown(none);
    RemoveSelection(none);
    EXPECT_EQ(none.Order(), u"0,1,2"_s);
    EXPECT_EQ(none.SelCount(), 0);
}

}  // namespace
}  // namespace corvane
