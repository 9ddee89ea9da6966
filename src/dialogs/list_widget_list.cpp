#include "dialogs/list_widget_list.h"

#include <QListWidget>

namespace corvane {

int ListWidgetList::ListCount() const { return widget_->count(); }

int ListWidgetList::SelCount() const {
    return static_cast<int>(widget_->selectedItems().size());
}

QString ListWidgetList::List(int index) const { return widget_->item(index)->text(); }

void ListWidgetList::SetList(int index, const QString& text) { widget_->item(index)->setText(text); }

bool ListWidgetList::Selected(int index) const { return widget_->item(index)->isSelected(); }

void ListWidgetList::SetSelected(int index, bool selected) {
    widget_->item(index)->setSelected(selected);
}

void ListWidgetList::RemoveItem(int index) { delete widget_->takeItem(index); }

}  // namespace corvane
