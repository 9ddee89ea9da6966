#pragma once

#include "dialogs/list_operations.h"

class QListWidget;

namespace corvane {

/// Adapts a QListWidget to the list operations.
class ListWidgetList final : public SelectableList {
public:
    explicit ListWidgetList(QListWidget* widget) : widget_(widget) {}

    int ListCount() const override;
    int SelCount() const override;
    QString List(int index) const override;
    void SetList(int index, const QString& text) override;
    bool Selected(int index) const override;
    void SetSelected(int index, bool selected) override;
    void RemoveItem(int index) override;

private:
    QListWidget* widget_;
};

}  // namespace corvane
