// TLangFrame: a panel listing a project's languages with a tick box each;
// Enter, Space and a double click flip the selected language's Checked mark.
#pragma once

#include <QAbstractTableModel>
#include <QFrame>

class QTableView;
class TPrompts;
class TResLanguageList;

class TLangListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    void SetLanguages(TResLanguageList* list);
    TResLanguageList* Languages() const { return m_Languages; }
    void RedrawRow(int row);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    TResLanguageList* m_Languages = nullptr; // not owned
    int m_RowCount = 0;
};

class TLangFrame : public QFrame {
    Q_OBJECT
public:
    // Its handlers report errors through prompts.
    explicit TLangFrame(TPrompts& prompts, QWidget* parent = nullptr);

    void SetLanguages(TResLanguageList* list);
    void ToggleSelected();
    QTableView* ListView() const { return m_ListView; }
    TLangListModel* Model() const { return m_Model; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ListViewKeyDown(int key);
    void ListViewDblClick();

    TPrompts& m_Prompts;
    QTableView* m_ListView;
    TLangListModel* m_Model;
};
