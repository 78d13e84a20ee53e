// The string grid's model: a virtual list over the open project. It holds a
// row count and a list of column tags, and computes every cell on request.
#pragma once

#include <QAbstractTableModel>
#include <QTableView>

#include <vector>

class TResProject;
class TResLanguageItem;

enum class TColumnKind { RowNumber, TextId, NumberId, FixedId, Language };

struct TColumnTag {
    TColumnKind Kind = TColumnKind::RowNumber;
    int32_t LanguageId = -1; // the language's ID for a language column
    QString Caption;         // a language column keeps the text ID it was made with
    int Width = 30;

    static TColumnTag Of(TColumnKind kind);
    static TColumnTag Of(const TResLanguageItem& language);
};

inline constexpr const char* kNotTranslated = "<Not Translated>";

class TStringGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    // Binds the project (not owned; none hides everything) and starts over
    // with no rows and no columns.
    void Reset(TResProject* project);
    TResProject* Project() const { return m_Project; }

    void SetRowCount(int count);
    // Around a change of the list: the views learn of a row that comes or
    // goes before the list changes, and see the result after.
    void BeginInsertRow(int row);
    void EndInsertRow();
    void BeginRemoveRow(int row);
    void EndRemoveRow();
    void AppendColumn(const TColumnTag& tag);
    void RemoveColumn(int column);
    const std::vector<TColumnTag>& Columns() const { return m_Columns; }
    // Asks the views to draw the rows again, from first to last.
    void RedrawRows(int first, int last);
    void RedrawAll() { RedrawRows(0, m_RowCount - 1); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The text of one cell, as the grid shows it.
    QString CellText(int row, int column) const;
    // A language cell whose item has no text of its own in that language.
    bool IsMissingText(int row, int column) const;
    void SetColumnTag(int column, const TColumnTag& tag);

    // The find filter: rows then show only the given items (ascending item
    // indexes), each row the item at its place in the list. Items inserted or
    // deleted through a row keep the map in step. The views keep their
    // selection on the same item where it is still shown.
    void SetFilter(std::vector<int> items);
    void ClearFilter();
    bool Filtered() const { return m_Filtered; }
    // The row map under a filter; null when row i shows item i.
    const std::vector<int>* RowMap() const { return m_Filtered ? &m_RowMap : nullptr; }
    int ItemIndex(int row) const;
    int RowOf(int itemIndex) const; // -1 when the filter hides the item

private:
    void ChangeRows(bool filtered, std::vector<int> items);

    TResProject* m_Project = nullptr; // not owned
    int m_RowCount = 0;
    std::vector<TColumnTag> m_Columns;
    bool m_Filtered = false;
    std::vector<int> m_RowMap;
    int m_PendingItem = -1; // the item a row being inserted or removed stands for
};

// A list in report view: whole-row single selection, no in-place editing,
// no row header, column headers that do not react to clicks, one text line
// to a row. Only the navigation keys move the selection: Tab leaves the list
// and typed letters search nothing. A selected row stays selected whole when
// a column is added, so what is highlighted is always the selected row.
class TReportView : public QTableView {
    Q_OBJECT
public:
    explicit TReportView(QWidget* parent = nullptr);
    void setModel(QAbstractItemModel* model) override;
    void keyboardSearch(const QString& search) override;

private:
    void SelectRowsWhole();
};
