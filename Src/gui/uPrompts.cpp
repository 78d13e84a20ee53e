#include "uPrompts.h"

#include "uCodePage.h"
#include "uErrors.h"
#include "uQtText.h"
#include "uRecent.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace {

// A message box that tells whether its window close button ended it.
class TMessageBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;
    bool ClosedByCloseButton = false;

protected:
    void closeEvent(QCloseEvent* event) override
    {
        ClosedByCloseButton = true;
        QMessageBox::closeEvent(event);
    }
};

QWidget* DialogParent()
{
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return QApplication::activeWindow();
}

QMessageBox::Icon IconOf(TAskKind kind)
{
    switch (kind) {
        case TAskKind::Confirm: return QMessageBox::Question;
        case TAskKind::Error: return QMessageBox::Critical;
        case TAskKind::Information: return QMessageBox::Information;
        case TAskKind::Warning: return QMessageBox::Warning;
    }
    return QMessageBox::NoIcon;
}

} // namespace

QString StandardErrorText(const QString& message, const QString& reason)
{
    QString text = message;
    if (!text.isEmpty() && text.back().unicode() > u'.') text += u'.';
    if (!reason.isEmpty()) text += u'\n' + reason;
    return text;
}

bool RunGuarded(TPrompts& prompts, const std::function<void()>& body)
{
    try {
        body();
        return true;
    } catch (const EAbort&) {
    } catch (const Exception& e) {
        prompts.ShowError(MessageText(e.Message()), MessageText(e.Reason()));
    } catch (const std::exception& e) {
        prompts.ShowError(QString::fromLocal8Bit(e.what()));
    }
    return false;
}

QString CaptionOf(TAskKind kind)
{
    switch (kind) {
        case TAskKind::Confirm: return QStringLiteral("Confirm");
        case TAskKind::Error: return QStringLiteral("Error");
        case TAskKind::Information: return QStringLiteral("Information");
        case TAskKind::Warning: return QStringLiteral("Warning");
    }
    return {};
}

TAnswer TQtPrompts::Ask(TAskKind kind, const QString& text, TButtons buttons)
{
    TMessageBox box(IconOf(kind), CaptionOf(kind), text, QMessageBox::NoButton, DialogParent());
    QPushButton* ok = nullptr;
    QPushButton* yes = nullptr;
    QPushButton* no = nullptr;
    QPushButton* cancel = nullptr;
    if (buttons == TButtons::YesNo || buttons == TButtons::YesNoCancel || buttons == TButtons::YesNoDefaultNo) {
        yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
        no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
    } else {
        ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    }
    if (buttons == TButtons::OKCancel || buttons == TButtons::YesNoCancel)
        cancel = box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    box.setDefaultButton(ok ? ok : buttons == TButtons::YesNoDefaultNo ? no : yes);
    box.setEscapeButton(cancel ? cancel : no ? no : ok);
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    if (box.ClosedByCloseButton || !clicked || clicked == cancel) return TAnswer::Cancel;
    if (clicked == yes) return TAnswer::Yes;
    if (clicked == no) return TAnswer::No;
    return TAnswer::OK;
}

void TQtPrompts::ShowError(const QString& message, const QString& reason)
{
    QMessageBox box(QMessageBox::Critical, QString::fromLatin1(kAppTitle), StandardErrorText(message, reason),
                    QMessageBox::NoButton, DialogParent());
    QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
}

QStringList TQtPrompts::ProjectFilters()
{
    return {QStringLiteral("String resource project (*.rpr)"), QStringLiteral("Any file (*)")};
}

namespace {

// The open and save dialogs of project files; false when cancelled. path
// comes in as the file to preset, or the folder to start in, or empty for the
// folder the dialogs were last left in.
bool ProjectFileDialog(const char* name, QFileDialog::AcceptMode mode, QString& path, QSettings* settings)
{
    QFileDialog dialog(DialogParent());
    dialog.setObjectName(QString::fromLatin1(name));
    dialog.setAcceptMode(mode);
    // Open needs an existing file; save asks before replacing one.
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilters(TQtPrompts::ProjectFilters());
    dialog.setDefaultSuffix(QStringLiteral("rpr"));
    const QString start = path.isEmpty() ? LastDialogFolder(settings) : path;
    if (QFileInfo(start).isDir()) dialog.setDirectory(start);
    else if (!start.isEmpty()) dialog.selectFile(start);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    path = dialog.selectedFiles().front();
    RememberDialogFolder(settings, path);
    return true;
}

} // namespace

bool TQtPrompts::OpenFileName(QString& path)
{
    return ProjectFileDialog("OpenPrjDialog", QFileDialog::AcceptOpen, path, m_Settings);
}

bool TQtPrompts::SaveFileName(QString& path)
{
    return ProjectFileDialog("SavePrjDialog", QFileDialog::AcceptSave, path, m_Settings);
}

bool TQtPrompts::ChooseFolder(const QString& prompt, QString& path)
{
    // Starts at the top of the folder tree, not at the folder in the field.
    const QString chosen = QFileDialog::getExistingDirectory(DialogParent(), prompt, QDir::rootPath());
    if (chosen.isEmpty()) return false;
    path = QDir::toNativeSeparators(chosen);
    return true;
}

bool ConfirmStorable(TPrompts& prompts, const QString& text)
{
    const QString warning = UnstorableWarning(text);
    return warning.isEmpty() || prompts.Ask(TAskKind::Warning, warning, TButtons::OKCancel) == TAnswer::OK;
}

bool TOverwriteQuestion::AskOverwrite(const std::string& absolutePath)
{
    const QString text = MessageText(OverwriteQuestion(absolutePath));
    if (m_Prompts.Ask(TAskKind::Information, text, TButtons::YesNo) == TAnswer::Yes) return true;
    ++m_Kept;
    return false;
}
