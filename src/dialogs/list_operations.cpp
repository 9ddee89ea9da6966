#include "dialogs/list_operations.h"

#include <vector>

namespace corvane {

int SelectableList::SelCount() const {
    int count = 0;
    for (int i = 0; i < ListCount(); ++i) {
        count += Selected(i) ? 1 : 0;
    }
    return count;
}

namespace {

std::vector<int> SelectedIndexes(const SelectableList& list) {
    std::vector<int> indexes;
    for (int i = 0; i < list.ListCount(); ++i) {
        if (list.Selected(i)) {
            indexes.push_back(i);
        }
    }
    return indexes;
}

// Exchanges the texts of two entries and moves the selection from `from` to `to`.
void SwapAndFollow(SelectableList& list, int from, int to) {
    const QString text = list.List(to);
    list.SetList(to, list.List(from));
    list.SetList(from, text);
    list.SetSelected(from, false);
    list.SetSelected(to, true);
}

}  // namespace

void MoveSelectionUp(SelectableList& list) {
    if (list.ListCount() == 0) {
        return;
    }
    // The whole selection is known before anything moves; a selected first entry stops
    // the move before any entry has changed, since it is the first index visited.
    for (int index : SelectedIndexes(list)) {
        if (index == 0) {
            return;
        }
        SwapAndFollow(list, index, index - 1);
    }
}

void MoveSelectionDown(SelectableList& list) {
    if (list.ListCount() == 0) {
        return;
    }
    const std::vector<int> indexes = SelectedIndexes(list);
    const int last = list.ListCount() - 1;
    for (auto it = indexes.rbegin(); it != indexes.rend(); ++it) {
        if (*it == last) {
            return;
        }
        SwapAndFollow(list, *it, *it + 1);
    }
}

void RemoveSelection(SelectableList& list) {
    for (int i = list.ListCount() - 1; i >= 0; --i) {
        if (list.Selected(i)) {
            list.RemoveItem(i);
        }
    }
}

}  // namespace corvane
