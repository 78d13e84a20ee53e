// The test seam for TPrompts: answers come from a script, every request is
// logged. Also the one helper for modal dialogs.
#pragma once

#include "uPrompts.h"

#include <QApplication>
#include <QDialog>
#include <QList>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

struct TPromptRequest {
    QString Kind;    // "Ask", "Error", "Open", "Save", "Folder"
    QString Caption; // box caption, or the preset (file or start folder) / prompt of a file request
    QString Text;
    TButtons Buttons = TButtons::OK;
};

class TScriptedPrompts : public TPrompts {
public:
    QList<TAnswer> Answers;
    QStringList Files; // answers of the file and folder requests; "" cancels
    QList<TPromptRequest> Log;
    int Unexpected = 0; // requests that found the script empty

    TAnswer Ask(TAskKind kind, const QString& text, TButtons buttons) override
    {
        Log.append({QStringLiteral("Ask"), CaptionOf(kind), text, buttons});
        if (Answers.isEmpty()) {
            ++Unexpected;
            return TAnswer::Cancel;
        }
        return Answers.takeFirst();
    }
    void ShowError(const QString& message, const QString& reason = {}) override
    {
        Log.append({QStringLiteral("Error"), QString::fromLatin1(kAppTitle), StandardErrorText(message, reason),
                    TButtons::OK});
    }
    bool OpenFileName(QString& path) override { return File(QStringLiteral("Open"), path, path); }
    bool SaveFileName(QString& path) override { return File(QStringLiteral("Save"), path, path); }
    bool ChooseFolder(const QString& prompt, QString& path) override
    {
        return File(QStringLiteral("Folder"), prompt, path);
    }

    QStringList Errors() const
    {
        QStringList r;
        for (const TPromptRequest& q : Log)
            if (q.Kind == QLatin1String("Error")) r << q.Text;
        return r;
    }
    QString LastText() const { return Log.isEmpty() ? QString() : Log.back().Text; }

private:
    bool File(const QString& kind, const QString& caption, QString& path)
    {
        Log.append({kind, caption, QString(), TButtons::OK});
        if (Files.isEmpty()) {
            ++Unexpected;
            return false;
        }
        const QString answer = Files.takeFirst();
        if (answer.isEmpty()) return false;
        path = answer;
        return true;
    }
};

// Shows a modal dialog and acts on it: open() is what shows it (a command, an
// Execute), act() runs once the dialog is up and only acts and records; then
// a guard closes the dialog if act() left it open, so open() always returns,
// even when act() stopped early on a failed check. Checks on what act()
// recorded belong after this returns. False when no modal dialog came up.
inline bool ExecModal(const std::function<void()>& open, const std::function<void(QWidget*)>& act)
{
    bool acted = false;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible()) return;
        poll.stop();
        acted = true;
        const QPointer<QWidget> dialog = modal;
        act(modal);
        if (dialog && dialog->isVisible()) {
            if (auto* d = qobject_cast<QDialog*>(dialog.data())) d->reject();
            else dialog->close();
        }
    });
    poll.start();
    open();
    poll.stop();
    return acted;
}

// The same guard for tests that arm the action before they open the dialog
// themselves: action runs on the next modal dialog, which is then closed if
// action left it open. Prefer ExecModal, which keeps the checks after.
inline void WhenModal(std::function<void(QWidget*)> action, int attempts = 400)
{
    QTimer::singleShot(5, [action, attempts] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible()) {
            if (attempts > 0) WhenModal(action, attempts - 1);
            return;
        }
        const QPointer<QWidget> dialog = modal;
        action(modal);
        if (dialog && dialog->isVisible()) {
            if (auto* d = qobject_cast<QDialog*>(dialog.data())) d->reject();
            else dialog->close();
        }
    });
}
