// The problem list: what the project check finds, one row per finding, with
// the per-language statistics above it. A dock of the main window, hidden
// until the user shows it from the View menu.
#pragma once

#include "uProjectCheck.h"

#include <QAbstractTableModel>
#include <QDockWidget>

class QLabel;
class QTableView;
class TPrompts;
class TResProject;

// The findings of the last check as a read-only table: kind, item, language, message.
class TProblemsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    void SetFindings(std::vector<TFinding> findings);
    const std::vector<TFinding>& Findings() const { return m_Findings; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<TFinding> m_Findings;
};

class TProblemsDock : public QDockWidget {
    Q_OBJECT
public:
    // Docks itself at the bottom of the window, hidden.
    explicit TProblemsDock(QMainWindow* window);

    // Checks the project again; none empties the list.
    void Refresh(const TResProject* project);
    // The statistics line: "CZ: 812 own, 40 inherited, 3 missing; EN: ...".
    static QString StatisticsText(const TProjectCheck& check);

    QLabel* lblStatistics() const { return m_lblStatistics; }
    QTableView* lvProblems() const { return m_lvProblems; }
    TProblemsModel* Model() const { return m_Model; }

signals:
    // The user chose a finding of an item (double click or Enter): its row.
    void ItemChosen(int row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void lvProblemsDblClick(const QModelIndex& index);

    QLabel* m_lblStatistics = nullptr;
    QTableView* m_lvProblems = nullptr;
    TProblemsModel* m_Model = nullptr;
};

// Before units are written: when the check finds what makes the constants
// unit fail to compile, asks once, listing the first few, whether to write
// anyway. No ends the command (EAbort).
void ConfirmWriteDespiteProblems(const TResProject& project, TPrompts& prompts);
