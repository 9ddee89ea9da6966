#include "dialogs/list_operations.h"

#include <utility>
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

// The entries' texts and selection after a move, worked out on copies and then written back
// only where they changed: all texts first, then the selection. A list box lays out all its
// entries again when a selection changes after a text did, so exchanging entries one by one
// on the box itself took minutes for a few thousand selected entries.
struct MovedList {
    MovedList(const SelectableList& list, const std::vector<int>& indexes) {
        const int count = list.ListCount();
        texts.reserve(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) {
            texts.push_back(list.List(i));
        }
        selected.assign(static_cast<std::size_t>(count), false);
        for (int index : indexes) {
            selected[static_cast<std::size_t>(index)] = true;
        }
        originalTexts = texts;
        originalSelected = selected;
    }

    // Exchanges the texts of two entries and moves the selection from `from` to `to`.
    void SwapAndFollow(int from, int to) {
        std::swap(texts[static_cast<std::size_t>(from)], texts[static_cast<std::size_t>(to)]);
        selected[static_cast<std::size_t>(from)] = false;
        selected[static_cast<std::size_t>(to)] = true;
    }

    void WriteBack(SelectableList& list) const {
        for (std::size_t i = 0; i < texts.size(); ++i) {
            if (texts[i] != originalTexts[i]) {
                list.SetList(static_cast<int>(i), texts[i]);
            }
        }
        for (std::size_t i = 0; i < selected.size(); ++i) {
            if (selected[i] != originalSelected[i]) {
                list.SetSelected(static_cast<int>(i), selected[i]);
            }
        }
    }

    std::vector<QString> texts;
    std::vector<bool> selected;
    std::vector<QString> originalTexts;
    std::vector<bool> originalSelected;
};

}  // namespace

void MoveSelectionUp(SelectableList& list) {
    if (list.ListCount() == 0) {
        return;
    }
    // The whole selection is known before anything moves; a selected first entry stops
    // the move before any entry has changed, since it is the first index visited.
    const std::vector<int> indexes = SelectedIndexes(list);
    if (indexes.empty() || indexes.front() == 0) {
        return;
    }
    MovedList moved(list, indexes);
    for (int index : indexes) {
        moved.SwapAndFollow(index, index - 1);
    }
    moved.WriteBack(list);
}

void MoveSelectionDown(SelectableList& list) {
    if (list.ListCount() == 0) {
        return;
    }
    const std::vector<int> indexes = SelectedIndexes(list);
    const int last = list.ListCount() - 1;
    if (indexes.empty() || indexes.back() == last) {
        return;
    }
    MovedList moved(list, indexes);
    for (auto it = indexes.rbegin(); it != indexes.rend(); ++it) {
        moved.SwapAndFollow(*it, *it + 1);
    }
    moved.WriteBack(list);
}

void RemoveSelection(SelectableList& list) {
    for (int i = list.ListCount() - 1; i >= 0; --i) {
        if (list.Selected(i)) {
            list.RemoveItem(i);
        }
    }
}

}  // namespace corvane
