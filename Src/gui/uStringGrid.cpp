#include "uStringGrid.h"

#include "uCodePage.h"
#include "uProject.h"
#include "uQtText.h"

#include <QColor>
#include <QFont>
#include <QHeaderView>
#include <QTableView>

#include <algorithm>

TReportView::TReportView(QWidget* parent) : QTableView(parent)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void TReportView::setModel(QAbstractItemModel* model)
{
    if (QAbstractItemModel* old = this->model())
        disconnect(old, &QAbstractItemModel::columnsInserted, this, &TReportView::SelectRowsWhole);
    QTableView::setModel(model);
    // Runs after the selection model has taken in the new column.
    if (model) connect(model, &QAbstractItemModel::columnsInserted, this, &TReportView::SelectRowsWhole);
}

void TReportView::keyboardSearch(const QString&) {}

void TReportView::SelectRowsWhole()
{
    QItemSelection rows;
    for (const QModelIndex& index : selectionModel()->selectedIndexes()) rows.select(index, index);
    if (!rows.isEmpty()) selectionModel()->select(rows, QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

TColumnTag TColumnTag::Of(TColumnKind kind)
{
    switch (kind) {
        case TColumnKind::RowNumber: return {kind, -1, QString(), 30};
        case TColumnKind::TextId: return {kind, -1, QStringLiteral("Text ID"), 160};
        case TColumnKind::NumberId: return {kind, -1, QStringLiteral("Number ID"), 64};
        case TColumnKind::FixedId: return {kind, -1, QStringLiteral("Fixed ID"), 56};
        case TColumnKind::Language: break;
    }
    return {kind, -1, QString(), 192};
}

TColumnTag TColumnTag::Of(const TResLanguageItem& language)
{
    return {TColumnKind::Language, language.ID(), ToQString(language.TextId()), 192};
}

void TStringGridModel::Reset(TResProject* project)
{
    beginResetModel();
    m_Project = project;
    m_RowCount = 0;
    m_Columns.clear();
    m_Filtered = false;
    m_RowMap.clear();
    endResetModel();
}

void TStringGridModel::SetRowCount(int count)
{
    if (count > m_RowCount) {
        beginInsertRows({}, m_RowCount, count - 1);
        m_RowCount = count;
        endInsertRows();
    } else if (count < m_RowCount) {
        beginRemoveRows({}, count, m_RowCount - 1);
        m_RowCount = count;
        endRemoveRows();
    }
}

void TStringGridModel::BeginInsertRow(int row)
{
    // Under a filter the new item takes the place of the row's item, or
    // follows the last item when it goes after the last row.
    if (m_Filtered) m_PendingItem = row < m_RowCount ? ItemIndex(row) : (m_RowMap.empty() ? 0 : m_RowMap.back() + 1);
    beginInsertRows({}, row, row);
}

void TStringGridModel::EndInsertRow()
{
    if (m_Filtered) {
        const auto at = std::lower_bound(m_RowMap.begin(), m_RowMap.end(), m_PendingItem);
        for (auto it = at; it != m_RowMap.end(); ++it) ++*it;
        m_RowMap.insert(at, m_PendingItem);
    }
    ++m_RowCount;
    endInsertRows();
}

void TStringGridModel::BeginRemoveRow(int row)
{
    if (m_Filtered) m_PendingItem = ItemIndex(row);
    beginRemoveRows({}, row, row);
}

void TStringGridModel::EndRemoveRow()
{
    if (m_Filtered) {
        const auto at = std::lower_bound(m_RowMap.begin(), m_RowMap.end(), m_PendingItem);
        if (at != m_RowMap.end() && *at == m_PendingItem) {
            for (auto it = m_RowMap.erase(at); it != m_RowMap.end(); ++it) --*it;
        }
    }
    --m_RowCount;
    endRemoveRows();
}

int TStringGridModel::ItemIndex(int row) const
{
    if (!m_Filtered) return row;
    return row >= 0 && row < static_cast<int>(m_RowMap.size()) ? m_RowMap[static_cast<size_t>(row)] : -1;
}

int TStringGridModel::RowOf(int itemIndex) const
{
    if (!m_Filtered) return itemIndex >= 0 && itemIndex < m_RowCount ? itemIndex : -1;
    const auto at = std::lower_bound(m_RowMap.begin(), m_RowMap.end(), itemIndex);
    return at != m_RowMap.end() && *at == itemIndex ? static_cast<int>(at - m_RowMap.begin()) : -1;
}

void TStringGridModel::SetFilter(std::vector<int> items) { ChangeRows(true, std::move(items)); }

void TStringGridModel::ClearFilter()
{
    if (m_Filtered) ChangeRows(false, {});
}

void TStringGridModel::ChangeRows(bool filtered, std::vector<int> items)
{
    // A change of layout, not a reset: the views keep their column widths,
    // and the persistent indexes (selection, current row) follow their items.
    emit layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    std::vector<int> beforeItems;
    for (const QModelIndex& i : before) beforeItems.push_back(ItemIndex(i.row()));
    m_Filtered = filtered;
    m_RowMap = std::move(items);
    m_RowCount = filtered ? static_cast<int>(m_RowMap.size()) : (m_Project ? m_Project->Strings()->Count() : 0);
    QModelIndexList after;
    for (qsizetype k = 0; k < before.size(); ++k) {
        const int row = RowOf(beforeItems[static_cast<size_t>(k)]);
        after << (row < 0 ? QModelIndex() : index(row, before[k].column()));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged();
}

void TStringGridModel::SetColumnTag(int column, const TColumnTag& tag)
{
    m_Columns[static_cast<size_t>(column)] = tag;
    emit headerDataChanged(Qt::Horizontal, column, column);
    if (m_RowCount > 0) emit dataChanged(index(0, column), index(m_RowCount - 1, column));
}

void TStringGridModel::AppendColumn(const TColumnTag& tag)
{
    const int column = static_cast<int>(m_Columns.size());
    beginInsertColumns({}, column, column);
    m_Columns.push_back(tag);
    endInsertColumns();
}

void TStringGridModel::RemoveColumn(int column)
{
    beginRemoveColumns({}, column, column);
    m_Columns.erase(m_Columns.begin() + column);
    endRemoveColumns();
}

void TStringGridModel::RedrawRows(int first, int last)
{
    if (m_Columns.empty() || m_RowCount == 0) return;
    first = std::max(first, 0);
    last = std::min(last, m_RowCount - 1);
    if (first > last) return;
    emit dataChanged(index(first, 0), index(last, columnCount() - 1), {Qt::DisplayRole});
}

int TStringGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_RowCount; }

int TStringGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_Columns.size());
}

QString TStringGridModel::CellText(int row, int column) const
{
    row = ItemIndex(row); // under a filter the row number is the item's index
    if (!m_Project || row < 0 || row >= m_Project->Strings()->Count() || column < 0 ||
        column >= static_cast<int>(m_Columns.size()))
        return {};
    const TResStringItem* item = m_Project->Strings()->Items(row);
    const TColumnTag& tag = m_Columns[static_cast<size_t>(column)];
    switch (tag.Kind) {
        case TColumnKind::RowNumber: return QString::number(row);
        case TColumnKind::TextId: return ToQString(item->TextId());
        case TColumnKind::NumberId: return QString::number(item->NumberId());
        case TColumnKind::FixedId: return item->FixedId() ? QStringLiteral("Yes") : QStringLiteral("No");
        case TColumnKind::Language: {
            const TResLanguageItem* language = m_Project->Languages()->FindItemID(tag.LanguageId);
            const TResStringConstItem* text = item->StringConsts()->FindByLanguage(language);
            return text ? ToQString(text->Value()) : QString::fromLatin1(kNotTranslated);
        }
    }
    return {};
}

bool TStringGridModel::IsMissingText(int row, int column) const
{
    row = ItemIndex(row);
    if (!m_Project || row < 0 || row >= m_Project->Strings()->Count() || column < 0 ||
        column >= static_cast<int>(m_Columns.size()))
        return false;
    const TColumnTag& tag = m_Columns[static_cast<size_t>(column)];
    if (tag.Kind != TColumnKind::Language) return false;
    const TResLanguageItem* language = m_Project->Languages()->FindItemID(tag.LanguageId);
    return !m_Project->Strings()->Items(row)->StringConsts()->FindByLanguage(language);
}

QVariant TStringGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid()) return {};
    // The views ask from inside Qt's painting, where no exception may pass:
    // a cell that cannot be computed shows empty.
    try {
        switch (role) {
            case Qt::DisplayRole: return CellText(index.row(), index.column());
            // A missing text looks unlike a real one: grey and italic.
            case Qt::ForegroundRole:
                if (IsMissingText(index.row(), index.column())) return QColor(Qt::gray);
                return {};
            case Qt::FontRole:
                if (IsMissingText(index.row(), index.column())) {
                    QFont italic;
                    italic.setItalic(true);
                    return italic;
                }
                return {};
            default: return {};
        }
    } catch (...) {
        return {};
    }
}

QVariant TStringGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= static_cast<int>(m_Columns.size()))
        return {};
    return m_Columns[static_cast<size_t>(section)].Caption;
}

Qt::ItemFlags TStringGridModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
