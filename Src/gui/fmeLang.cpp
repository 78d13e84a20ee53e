#include "fmeLang.h"

#include "uErrors.h"
#include "uImages.h"
#include "uProject.h"
#include "uPrompts.h"
#include "uQtText.h"
#include "uStringGrid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QTableView>
#include <QVBoxLayout>

void TLangListModel::SetLanguages(TResLanguageList* list)
{
    beginResetModel();
    m_Languages = list;
    m_RowCount = list ? list->Count() : 0;
    endResetModel();
}

void TLangListModel::RedrawRow(int row) { emit dataChanged(index(row, 0), index(row, 1)); }

int TLangListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_RowCount; }
int TLangListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 2; }

QVariant TLangListModel::data(const QModelIndex& index, int role) const
{
    // A row the list no longer has shows empty: the view may ask at any time.
    if (!index.isValid() || !m_Languages || index.row() >= m_Languages->Count()) return {};
    const TResLanguageItem* language = m_Languages->Items(index.row());
    if (role == Qt::DisplayRole)
        return index.column() == 0 ? ToQString(language->TextId()) : QString::fromStdString(language->DisplayName());
    if (role == Qt::DecorationRole && index.column() == 0) return Images::TickBox(language->Checked());
    return {};
}

QVariant TLangListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    return section == 0 ? QStringLiteral("Id") : QStringLiteral("Description");
}

Qt::ItemFlags TLangListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

TLangFrame::TLangFrame(TPrompts& prompts, QWidget* parent) : QFrame(parent), m_Prompts(prompts)
{
    setObjectName(QStringLiteral("LangFrame"));
    m_Model = new TLangListModel(this);
    m_ListView = new TReportView(this);
    m_ListView->setObjectName(QStringLiteral("ListView"));
    m_ListView->setModel(m_Model);
    m_ListView->setShowGrid(false);
    m_ListView->setColumnWidth(0, 50);
    m_ListView->setColumnWidth(1, 200);
    m_ListView->installEventFilter(this);
    connect(m_ListView, &QAbstractItemView::doubleClicked, this,
            [this] { RunGuarded(m_Prompts, [this] { ListViewDblClick(); }); });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_ListView);
}

void TLangFrame::SetLanguages(TResLanguageList* list)
{
    m_Model->SetLanguages(list);
    m_ListView->setColumnWidth(0, 50);
    m_ListView->setColumnWidth(1, 200);
    if (list && list->Count() > 0) m_ListView->setCurrentIndex(m_Model->index(0, 0));
}

void TLangFrame::ToggleSelected()
{
    const QModelIndexList rows = m_ListView->selectionModel()->selectedRows();
    TResLanguageList* languages = m_Model->Languages();
    if (rows.isEmpty() || !languages) return;
    const int row = rows.front().row();
    if (row >= languages->Count()) return;
    TResLanguageItem* language = languages->Items(row);
    language->SetChecked(!language->Checked());
    m_Model->RedrawRow(row);
}

void TLangFrame::ListViewKeyDown(int key)
{
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) ToggleSelected();
}

void TLangFrame::ListViewDblClick() { ToggleSelected(); }

bool TLangFrame::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_ListView && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        RunGuarded(m_Prompts, [this, key] { ListViewKeyDown(key); });
        // Space would also change the selection in the view, and Enter would
        // reach the dialog's default button: both are the list's.
        if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) return true;
    }
    return QFrame::eventFilter(watched, event);
}
