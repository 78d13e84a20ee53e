// TChooseLangDlg: the modal language chooser around a TLangFrame.
#pragma once

#include <QDialog>

class QPushButton;
class TLangFrame;
class TResLanguageList;

class TChooseLangDlg : public QDialog {
    Q_OBJECT
public:
    explicit TChooseLangDlg(QWidget* parent = nullptr);

    // Binds the list and shows the dialog modally; true when closed with OK.
    bool Execute(TResLanguageList* list);
    TLangFrame* LangFrame() const { return m_LangFrame; }

private:
    TLangFrame* m_LangFrame;
    QPushButton* m_btnOk;
    QPushButton* m_btnCancel;
};
