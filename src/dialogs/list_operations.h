#pragma once

// Moving and removing the selected entries of a file list. Written once against a small
// list interface so that the rules are tested without widgets; the screens adapt their
// QListWidget through ListWidgetList.

#include <QString>

namespace corvane {

/// The few list operations the selection helpers need. Entries are indexed from 0.
class SelectableList {
public:
    virtual ~SelectableList() = default;
    virtual int ListCount() const = 0;
    virtual int SelCount() const;
    virtual QString List(int index) const = 0;
    virtual void SetList(int index, const QString& text) = 0;
    virtual bool Selected(int index) const = 0;
    virtual void SetSelected(int index, bool selected) = 0;
    virtual void RemoveItem(int index) = 0;
};

/// Moves every selected entry one place up; nothing moves when the first entry is selected.
void MoveSelectionUp(SelectableList& list);
/// Moves every selected entry one place down; nothing moves when the last entry is selected.
void MoveSelectionDown(SelectableList& list);
/// Removes the selected entries, working from the bottom.
void RemoveSelection(SelectableList& list);

}  // namespace corvane
