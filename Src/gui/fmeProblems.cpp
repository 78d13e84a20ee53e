#include "fmeProblems.h"

#include "uErrors.h"
#include "uPrompts.h"
#include "uQtText.h"
#include "uStringGrid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QTableView>
#include <QVBoxLayout>

namespace {

enum TProblemColumn { colKind, colItem, colLanguage, colMessage, colCount };

} // namespace

void TProblemsModel::SetFindings(std::vector<TFinding> findings)
{
    beginResetModel();
    m_Findings = std::move(findings);
    endResetModel();
}

int TProblemsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_Findings.size());
}

int TProblemsModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : colCount; }

QVariant TProblemsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const TFinding& f = m_Findings[static_cast<size_t>(index.row())];
    switch (index.column()) {
        case colKind: return QString::fromLatin1(FindingKindTitle(f.Kind));
        case colItem:
            if (f.Row < 0) return QString();
            return f.TextId.empty() ? QString::number(f.Row) : QString::number(f.Row) + u' ' + MessageText(f.TextId);
        case colLanguage: return MessageText(f.Language);
        case colMessage: return MessageText(f.Message);
        default: return {};
    }
}

QVariant TProblemsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
        case colKind: return QStringLiteral("Kind");
        case colItem: return QStringLiteral("Item");
        case colLanguage: return QStringLiteral("Language");
        case colMessage: return QStringLiteral("Message");
        default: return {};
    }
}

TProblemsDock::TProblemsDock(QMainWindow* window) : QDockWidget(QStringLiteral("Problems"), window)
{
    setObjectName(QStringLiteral("ProblemsDock"));
    toggleViewAction()->setText(QStringLiteral("&Problems"));
    auto* frame = new QWidget(this);
    frame->setObjectName(QStringLiteral("fmeProblems"));
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(4, 4, 4, 4);
    m_lblStatistics = new QLabel(frame);
    m_lblStatistics->setObjectName(QStringLiteral("lblStatistics"));
    m_lblStatistics->setWordWrap(true);
    layout->addWidget(m_lblStatistics);
    m_Model = new TProblemsModel(this);
    m_lvProblems = new TReportView(frame);
    m_lvProblems->setObjectName(QStringLiteral("lvProblems"));
    m_lvProblems->setModel(m_Model);
    m_lvProblems->horizontalHeader()->setStretchLastSection(true);
    m_lvProblems->setColumnWidth(colKind, 260);
    m_lvProblems->setColumnWidth(colItem, 140);
    m_lvProblems->setColumnWidth(colLanguage, 64);
    m_lvProblems->installEventFilter(this);
    connect(m_lvProblems, &QAbstractItemView::doubleClicked, this, &TProblemsDock::lvProblemsDblClick);
    layout->addWidget(m_lvProblems);
    setWidget(frame);
    window->addDockWidget(Qt::BottomDockWidgetArea, this);
    hide();
}

QString TProblemsDock::StatisticsText(const TProjectCheck& check)
{
    QStringList parts;
    for (const TLanguageStats& s : check.Stats)
        parts << QStringLiteral("%1: %2 own, %3 inherited, %4 missing")
                     .arg(MessageText(s.Language))
                     .arg(s.Own)
                     .arg(s.Inherited)
                     .arg(s.Missing);
    return parts.join(QStringLiteral("; "));
}

void TProblemsDock::Refresh(const TResProject* project)
{
    if (!project) {
        m_lblStatistics->clear();
        m_Model->SetFindings({});
        return;
    }
    TProjectCheck check = CheckProject(*project);
    m_lblStatistics->setText(StatisticsText(check));
    m_Model->SetFindings(std::move(check.Findings));
}

void TProblemsDock::lvProblemsDblClick(const QModelIndex& index)
{
    if (!index.isValid() || index.row() >= m_Model->rowCount()) return;
    const int row = m_Model->Findings()[static_cast<size_t>(index.row())].Row;
    if (row >= 0) emit ItemChosen(row);
}

bool TProblemsDock::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_lvProblems && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            lvProblemsDblClick(m_lvProblems->currentIndex());
            return true;
        }
    }
    return QDockWidget::eventFilter(watched, event);
}

void ConfirmWriteDespiteProblems(const TResProject& project, TPrompts& prompts)
{
    constexpr int kListed = 5;
    const TProjectCheck check = CheckProject(project);
    QStringList lines;
    int more = 0;
    for (const TFinding& f : check.Findings) {
        if (!BreaksCompilation(f.Kind)) continue;
        if (lines.size() < kListed) lines << MessageText(FindingLine(f));
        else ++more;
    }
    if (lines.isEmpty()) return;
    QString text = QStringLiteral("The constants unit will not compile:\n\n") + lines.join(u'\n');
    if (more > 0) text += QStringLiteral("\n... and %1 more").arg(more);
    text += QStringLiteral("\n\nWrite the resource files anyway ?");
    if (prompts.Ask(TAskKind::Confirm, text, TButtons::YesNo) != TAnswer::Yes) throw EAbort();
}
