// Every message box, file dialog and folder chooser of the program goes
// through TPrompts. The real one shows Qt dialogs; tests script the answers.
#pragma once

#include "uOverwritePrompt.h"

#include <QString>

#include <functional>

class QSettings;
class QWidget;

enum class TAskKind { Confirm, Error, Information, Warning };
// YesNoDefaultNo: Yes and No where Enter means No, for a question whose Yes
// does what cannot be taken back.
enum class TButtons { OK, OKCancel, YesNo, YesNoCancel, YesNoDefaultNo };
enum class TAnswer { OK, Cancel, Yes, No };

inline constexpr const char* kAppTitle = "Quillet";

class TPrompts {
public:
    virtual ~TPrompts() = default;
    // A message box with a caption by kind; answers Cancel when closed.
    virtual TAnswer Ask(TAskKind kind, const QString& text, TButtons buttons) = 0;
    // The standard error box: caption "Quillet", stop icon, one OK button.
    // The system's reason for a failed file operation, if any, stands on a
    // second line below the message.
    virtual void ShowError(const QString& message, const QString& reason = {}) = 0;
    // The open dialog, starting in the folder path names (where the open
    // project was; empty for the last folder used); false when cancelled.
    virtual bool OpenFileName(QString& path) = 0;
    // The save dialog, preset with path (empty: the last folder used); false
    // when cancelled.
    virtual bool SaveFileName(QString& path) = 0;
    // The folder chooser; false when cancelled (path is then unchanged).
    virtual bool ChooseFolder(const QString& prompt, QString& path) = 0;
};

// The message the standard error box shows: "." is appended when the last
// character's code is above that of "."; then the reason on a line of its own.
QString StandardErrorText(const QString& message, const QString& reason = {});
// The guard around every command and dialog handler: the silent abort ends
// the body quietly, any other error goes to the standard error box. True
// when the body ran to its end.
bool RunGuarded(TPrompts& prompts, const std::function<void()>& body);
QString CaptionOf(TAskKind kind);

class TQtPrompts : public TPrompts {
public:
    TAnswer Ask(TAskKind kind, const QString& text, TButtons buttons) override;
    void ShowError(const QString& message, const QString& reason = {}) override;
    bool OpenFileName(QString& path) override;
    bool SaveFileName(QString& path) override;
    bool ChooseFolder(const QString& prompt, QString& path) override;

    // Where the file dialogs remember their last folder (not owned; none
    // remembers nothing).
    void SetSettings(QSettings* settings) { m_Settings = settings; }

    // The filter list of both project file dialogs.
    static QStringList ProjectFilters();

private:
    QSettings* m_Settings = nullptr; // not owned
};

// Before text is stored in the model: true when every character fits the code
// page or the user accepts the "?" (OK); false (Cancel, or the close box)
// goes back to the text.
bool ConfirmStorable(TPrompts& prompts, const QString& text);

// The generators' overwrite question, asked through the prompts: only Yes
// replaces the file; No, and closing the box, keep it.
class TOverwriteQuestion : public TOverwritePrompt {
public:
    explicit TOverwriteQuestion(TPrompts& prompts) : m_Prompts(prompts) {}
    bool AskOverwrite(const std::string& absolutePath) override;
    // How many files the answers kept.
    int Kept() const { return m_Kept; }

private:
    TPrompts& m_Prompts;
    int m_Kept = 0;
};
