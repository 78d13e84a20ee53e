#include "uStringGrid.h"

#include "uCodePage.h"
#include "uProject.h"
#include "uQtText.h"

#include <QHeaderView>
#include <QTableView>

void SetupReportView(QTableView* view)
{
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setWordWrap(false);
    view->verticalHeader()->hide();
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->horizontalHeader()->setSectionsClickable(false);
    view->horizontalHeader()->setHighlightSections(false);
    view->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
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

void TStringGridModel::BeginInsertRow(int row) { beginInsertRows({}, row, row); }

void TStringGridModel::EndInsertRow()
{
    ++m_RowCount;
    endInsertRows();
}

void TStringGridModel::BeginRemoveRow(int row) { beginRemoveRows({}, row, row); }

void TStringGridModel::EndRemoveRow()
{
    --m_RowCount;
    endRemoveRows();
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
    if (!m_Project || row < 0 || row >= m_Project->Strings()->Count()) return {};
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

QVariant TStringGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole) return {};
    return CellText(index.row(), index.column());
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
