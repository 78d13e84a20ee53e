// TPrjOptionsDialog: the project's output options and number base.
#pragma once

#include <QDialog>

#include <cstdint>
#include <vector>

class QLineEdit;
class TLanguagesFrame;
class QPushButton;
class QTabWidget;
class QToolButton;
class TPrompts;
class TResProject;

class TPrjOptionsDialog : public QDialog {
    Q_OBJECT
public:
    explicit TPrjOptionsDialog(TPrompts& prompts, QWidget* parent = nullptr);

    // Fills the fields, shows the dialog, and on OK stores the fields through
    // the project's setters; true when closed with OK.
    bool Execute(TResProject& project);

    void btnOkClick();
    void SpeedButton1Click();

    TLanguagesFrame* LanguagesFrame() const { return m_LanguagesFrame; }
    // After Execute: per old language ID its new one, when the languages
    // were rebuilt; empty when the language list stayed the same object.
    const std::vector<int32_t>& LanguageIdMap() const { return m_LanguageIdMap; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Fill(const TResProject& project);
    void Store(TResProject& project);

    TPrompts& m_Prompts;
    QTabWidget* m_PageControl;
    QLineEdit* m_edOutputDirectory;
    QToolButton* m_SpeedButton1;
    QLineEdit* m_edConstFilename;
    QLineEdit* m_edStringIdPrefix;
    QLineEdit* m_edPtrIdPrefix;
    QLineEdit* m_edComment;
    QLineEdit* m_edNumberIdBase;
    QPushButton* m_btnOk;
    QPushButton* m_btnCancel;
    TLanguagesFrame* m_LanguagesFrame;
    std::vector<int32_t> m_LanguageIdMap;
};
