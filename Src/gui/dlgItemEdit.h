// TItemEditDialog: edits one string item: its identifiers, its fixed flag and
// its text in a chosen language, with another language's text for reference.
#pragma once

#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QToolButton;
class TPrompts;
class TResLanguageItem;
class TResProject;
class TResStringItem;

class TItemEditDialog : public QDialog {
    Q_OBJECT
public:
    explicit TItemEditDialog(TPrompts& prompts, QWidget* parent = nullptr);

    // Shows the item at index of the project; stores it when closed with OK.
    void Execute(TResProject& project, int index);

    int ItemIndex() const { return m_ItemIndex; }
    const QString& ReadWriteLanguageId() const { return m_ReadWriteLanguageId; }
    // The language the next Execute opens for editing, by its text ID.
    void SetReadWriteLanguageId(const QString& id) { m_ReadWriteLanguageId = id; }
    const QString& ReadOnlyLanguageId() const { return m_ReadOnlyLanguageId; }

    // Handlers, public for the keyboard and for tests.
    void btnApplyClick();
    void btnOkClick();
    // A click on an arrow proposes an index; false refuses the step.
    bool UpDownChangingEx(int proposedIndex);
    void cbReadWriteChange();
    void cbReadOnlyChange();
    // Steps like the arrows, to the next item, wrapping round, that has no
    // text of its own in the editable language; false when none is left.
    bool btnNextUntranslatedClick();

protected:
    void showEvent(QShowEvent* event) override; // FormShow

private:
    void FillLanguageCombos();
    // Until the user picks one, the reference language is the editable
    // language's source language, where it has one.
    void FollowSourceLanguage();
    void LoadItem();
    bool ValidateFields();
    void StoreItem();
    TResStringItem* CurrentItem() const;
    TResLanguageItem* SelectedLanguage(const QComboBox* combo) const;
    QString TextFor(const TResLanguageItem* language) const;
    bool Refuse(QWidget* field, const QString& message);
    void Guarded(const std::function<void()>& body);

    static constexpr int kWidth = 407;
    static constexpr int kHeight = 422;
    bool m_SizeSet = false;

    TPrompts& m_Prompts;
    TResProject* m_Project = nullptr; // not owned; set while shown
    int m_ItemIndex = 0;
    QString m_ReadWriteLanguageId;
    QString m_ReadOnlyLanguageId;

    QGroupBox* m_gbProperties;
    QLineEdit* m_edTextId;
    QLineEdit* m_edNumberId;
    QCheckBox* m_chbFixedId;
    QCheckBox* m_chbStandard;
    QComboBox* m_cbReadWrite;
    QPlainTextEdit* m_mmReadWrite;
    QComboBox* m_cbReadOnly;
    QPlainTextEdit* m_mmReadOnly;
    QLabel* m_lblIndex;
    QToolButton* m_btnPrior;
    QToolButton* m_btnNext;
    QToolButton* m_btnNextUntranslated;
    bool m_ReadOnlyChosen = false; // the user picked the reference language
    QPushButton* m_btnApply;
    QPushButton* m_btnOk;
    QPushButton* m_btnCancel;
};
