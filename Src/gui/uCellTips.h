// The string grid's cells: a cell too narrow for its text, or one that holds
// more than one line, shows the whole text as its tooltip.
#pragma once

#include <QStyledItemDelegate>

class TCellTipDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // The tooltip for a cell drawn with option: the full text, line breaks
    // kept, when the cell cuts it short; empty otherwise.
    QString ToolTipFor(const QStyleOptionViewItem& option, const QModelIndex& index) const;

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
};
