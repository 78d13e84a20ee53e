// What the tests of the main window share: a form over scripted prompts, a
// temporary folder for its files, and commands triggered as a user would.
#pragma once

#include "tScriptedPrompts.h"

#include "frmMain.h"
#include "uProject.h"

#include <QAction>
#include <QFile>
#include <QItemSelectionModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <string_view>

inline QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// The sample projects' languages: CZ and EN shown, DE hidden.
inline void AddSampleLanguages(TResProject& p)
{
    for (const char* id : {"CZ", "EN", "DE"}) {
        TResLanguageItem* l = p.Languages()->Add();
        l->SetTextId(id);
        l->SetVisible(std::string_view(id) != "DE");
    }
}

class TMainFormFixture {
protected:
    TScriptedPrompts* m_Prompts = nullptr;
    TMainForm* m_Form = nullptr;
    QTemporaryDir* m_Dir = nullptr;

    // A new form, shown, whose program folder (the templates) lies in the
    // temporary folder. For init().
    void StartForm()
    {
        m_Dir = new QTemporaryDir;
        m_Prompts = new TScriptedPrompts;
        m_Form = new TMainForm(*m_Prompts);
        m_Form->SetTemplateDir(m_Dir->filePath(QStringLiteral("program")));
        m_Form->show();
    }
    // Closes everything down, then fails when a prompt came that the test
    // did not script. For cleanup().
    void FinishForm()
    {
        const int unexpected = m_Prompts->Unexpected;
        delete m_Form;
        delete m_Prompts;
        delete m_Dir;
        m_Form = nullptr;
        m_Prompts = nullptr;
        m_Dir = nullptr;
        QCOMPARE(unexpected, 0);
    }

    QString Path(const char* name) { return m_Dir->filePath(QString::fromLatin1(name)); }
    QAction* Action(const char* name) { return m_Form->findChild<QAction*>(QString::fromLatin1(name)); }
    // Triggers a command as a user would: only when its action is enabled.
    // Keeping the actions up to date is the command's own business.
    void Trigger(const char* name)
    {
        QAction* a = Action(name);
        QVERIFY2(a, name);
        QVERIFY2(a->isEnabled(), name);
        a->trigger();
    }
    // Writes a project file into the temporary folder and opens it with Open
    // Project.
    void OpenProjectFile(const char* name, const QByteArray& bytes)
    {
        WriteAll(Path(name), bytes);
        m_Prompts->Files << Path(name);
        Trigger("actOpenProject");
        QVERIFY(m_Form->CurrentProject());
    }
    // The grid's selected row; -1 when no row is selected.
    int SelectedRow()
    {
        const QModelIndexList rows = m_Form->ListView()->selectionModel()->selectedRows();
        return rows.isEmpty() ? -1 : rows.front().row();
    }
};
