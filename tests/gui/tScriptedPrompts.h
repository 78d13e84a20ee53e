// The test seam for TPrompts: answers come from a script, every request is
// logged. Also a helper that acts on the next modal dialog.
#pragma once

#include "uPrompts.h"

#include <QApplication>
#include <QList>
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

// Runs action on the next modal widget once it is shown (polls the event loop).
inline void WhenModal(std::function<void(QWidget*)> action, int attempts = 200)
{
    QTimer::singleShot(10, [action, attempts] {
        if (QWidget* modal = QApplication::activeModalWidget(); modal && modal->isVisible()) action(modal);
        else if (attempts > 0) WhenModal(action, attempts - 1);
    });
}
