// TChooseLangDlg: the modal language chooser around a TLangFrame.
#pragma once

#include <QDialog>

class QPushButton;
class TLangFrame;
class TPrompts;
class TResLanguageList;

class TChooseLangDlg : public QDialog {
    Q_OBJECT
public:
    // Errors of the language list's handlers go to prompts.
    explicit TChooseLangDlg(TPrompts& prompts, QWidget* parent = nullptr);

    // Binds the list and shows the dialog modally; true when closed with OK.
    // The list is let go when the dialog closes.
    bool Execute(TResLanguageList* list);
    TLangFrame* LangFrame() const { return m_LangFrame; }

private:
    TLangFrame* m_LangFrame;
    QPushButton* m_btnOk;
    QPushButton* m_btnCancel;
};
