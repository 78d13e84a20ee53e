// TLanguagesFrame: the Languages page of the project options. It lists the
// project's languages (ID, source language, unit file, shown) and adds,
// removes, renames, reorders and changes them on a working copy; the project
// changes only when the dialog applies the copy.
#pragma once

#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QStandardItemModel;
class QTableView;
class TLanguageEdit;
class TPrompts;
class TResProject;

class TLanguagesFrame : public QWidget {
    Q_OBJECT
public:
    explicit TLanguagesFrame(TPrompts& prompts, QWidget* parent = nullptr);
    ~TLanguagesFrame() override;

    // Starts a working copy of the project's languages.
    void SetProject(const TResProject& project);
    // Applies the copy to the project; see TLanguageEdit::Apply. Drops it.
    std::vector<int32_t> Apply(TResProject& project);
    // Drops the copy, leaving the project as it is.
    void Discard();
    TLanguageEdit* Edit() const { return m_Edit.get(); }
    int SelectedRow() const;
    void SelectRow(int row);

    // How Add asks for the ID: true with the text, false when cancelled.
    // By default a small input dialog.
    std::function<bool(QString&)> AskLanguageId;

    // Handlers, public for tests.
    void btnAddClick();
    void btnRemoveClick();
    void btnUpClick();
    void btnDownClick();
    void edLanguageIdExit();
    void edResFileNameChange();
    void cbSourceChange();
    void chbVisibleClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Guarded(const std::function<void()>& body);
    void FillList();
    void LoadSelected();

    TPrompts& m_Prompts;
    std::unique_ptr<TLanguageEdit> m_Edit;

    QStandardItemModel* m_Languages;
    QTableView* m_lvLanguages;
    QPushButton* m_btnAdd;
    QPushButton* m_btnRemove;
    QPushButton* m_btnUp;
    QPushButton* m_btnDown;
    QLineEdit* m_edLanguageId;
    QComboBox* m_cbSource;
    QLineEdit* m_edResFileName;
    QCheckBox* m_chbVisible;
    QString m_ResFileNameText; // the unit file name field as last stored
};
