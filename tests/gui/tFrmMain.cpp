// The main window driven like a user would: actions by name, keys on the grid.
#include "tScriptedPrompts.h"
#include "uQtText.h"

#include "dlgChooseLang.h"
#include "dlgItemEdit.h"
#include "fmeLang.h"
#include "frmMain.h"
#include "uProject.h"
#include "uStringGrid.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// A small project file: three items, CZ and EN visible, DE hidden.
QByteArray SampleProject()
{
    TResProject p;
    for (const char* id : {"CZ", "EN", "DE"}) {
        TResLanguageItem* l = p.Languages()->Add();
        l->SetTextId(id);
        l->SetVisible(std::string_view(id) != "DE");
    }
    const char* ids[] = {"sOne", "sTwo", "sThree"};
    const int32_t numbers[] = {5, 2, 9};
    for (int i = 0; i < 3; ++i) {
        TResStringItem* s = p.Strings()->Add();
        s->SetTextId(ids[i]);
        s->SetNumberId(numbers[i]);
        TResStringConstItem* t = s->StringConsts()->Add();
        t->SetValue(std::string("\xC8"
                                "esky ") +
                    ids[i]); // "Česky"
        t->SetLanguageId(0);
    }
    p.Strings()->Items(2)->SetFixedId(true);
    return QByteArray::fromStdString(p.SaveToText());
}

} // namespace

class tFrmMain : public QObject {
    Q_OBJECT

private:
    TScriptedPrompts* m_Prompts = nullptr;
    TMainForm* m_Form = nullptr;
    QTemporaryDir* m_Dir = nullptr;
    QAbstractItemModelTester* m_Tester = nullptr;

    QAction* Action(const char* name) { return m_Form->findChild<QAction*>(QString::fromLatin1(name)); }
    void Trigger(const char* name)
    {
        m_Form->UpdateActions(); // as when the event loop goes idle
        QAction* a = Action(name);
        QVERIFY2(a, name);
        QVERIFY2(a->isEnabled(), name);
        a->trigger();
        m_Form->UpdateActions();
    }
    bool Enabled(const char* name) { return Action(name)->isEnabled(); }
    QString Panel0() { return m_Form->findChild<QLabel*>(QStringLiteral("StatusPanel0"))->text(); }
    TStringGridModel* Grid() { return m_Form->GridModel(); }
    QStringList Headers()
    {
        QStringList r;
        for (int c = 0; c < Grid()->columnCount(); ++c)
            r << Grid()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        return r;
    }
    QStringList Row(int row)
    {
        QStringList r;
        for (int c = 0; c < Grid()->columnCount(); ++c) r << Grid()->index(row, c).data().toString();
        return r;
    }
    void Select(int row) { m_Form->ListView()->selectRow(row); }
    void Key(int key) { QTest::keyClick(m_Form->ListView(), static_cast<Qt::Key>(key)); }
    QString Path(const char* name) { return m_Dir->filePath(QString::fromLatin1(name)); }
    void OpenSample()
    {
        WriteAll(Path("sample.rpr"), SampleProject());
        m_Prompts->Files << Path("sample.rpr");
        Trigger("actOpenProject");
        QVERIFY(m_Form->CurrentProject());
    }

private slots:
    void init()
    {
        m_Tester = nullptr;
        m_Dir = new QTemporaryDir;
        m_Prompts = new TScriptedPrompts;
        m_Form = new TMainForm(*m_Prompts);
        m_Form->SetTemplateDir(m_Dir->filePath(QStringLiteral("program")));
        // The row-number column changes with every insert and delete, which the
        // tester takes for inconsistent data; gridKeys checks the rows itself.
        if (QLatin1String(QTest::currentTestFunction()) != QLatin1String("gridKeys"))
            m_Tester = new QAbstractItemModelTester(m_Form->GridModel(),
                                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
        m_Form->show();
    }

    void cleanup()
    {
        QCOMPARE(m_Prompts->Unexpected, 0);
        delete m_Tester;
        delete m_Form;
        delete m_Prompts;
        delete m_Dir;
    }

    void startsWithNoProject()
    {
        QVERIFY(!m_Form->CurrentProject());
        QVERIFY(!m_Form->ListView()->isVisible());
        QCOMPARE(m_Form->windowTitle(), QStringLiteral("Quillet"));
        QCOMPARE(m_Form->size(), QSize(584, 441));
        for (const char* on : {"actNewProject", "actOpenProject", "actExitApp"}) QVERIFY2(Enabled(on), on);
        for (const char* off : {"actSaveProject", "actSaveProjectAs", "actCloseProject", "actShowLanguages",
                                "actProjectOptions", "actProjectRenumberId", "actSaveResFiles"})
            QVERIFY2(!Enabled(off), off);
        QCOMPARE(Panel0(), QString());
        QVERIFY(m_Form->findChild<QAction*>(QStringLiteral("miAbout"))->isEnabled());
    }

    void newProjectBuildsTheDefaults()
    {
        Trigger("actNewProject");
        TResProject* p = m_Form->CurrentProject();
        QVERIFY(p);
        QCOMPARE(p->Languages()->Count(), 7);
        QCOMPARE(QString::fromStdString(p->Languages()->Items(6)->TextId()), QStringLiteral("SK"));
        QCOMPARE(QString::fromStdString(p->Languages()->Items(2)->ResFileName()), QStringLiteral("ResStrDE.pas"));
        QCOMPARE(Headers(), (QStringList{QString(), "Text ID", "Number ID", "Fixed ID", "CZ", "EN"}));
        QCOMPARE(m_Form->ListView()->columnWidth(1), 160);
        QCOMPARE(m_Form->ListView()->columnWidth(4), 192);
        QCOMPARE(Row(0), (QStringList{"0", "", "1", "No", "<Not Translated>", "<Not Translated>"}));
        QVERIFY(m_Form->ListView()->isVisible());
        QCOMPARE(Panel0(), QString());
        QVERIFY(!Enabled("actSaveProject"));
        QVERIFY(Enabled("actSaveProjectAs"));

        // The first save asks for a name.
        p->SetComment("x");
        m_Form->UpdateActions();
        QVERIFY(Enabled("actSaveProject"));
        m_Prompts->Files << Path("first.rpr");
        Trigger("actSaveProject");
        QCOMPARE(m_Prompts->Log.back().Kind, QStringLiteral("Save"));
        QCOMPARE(m_Prompts->Log.back().Caption, QString()); // no preset name
        QVERIFY(QFile::exists(Path("first.rpr")));
        QVERIFY(!Enabled("actSaveProject"));
    }

    void newProjectFromTheTemplateStaysUntitled()
    {
        QDir().mkpath(m_Dir->filePath(QStringLiteral("program")));
        const QString templ = m_Form->TemplatePath();
        WriteAll(templ, SampleProject());
        Trigger("actNewProject");
        TResProject* p = m_Form->CurrentProject();
        QCOMPARE(p->Strings()->Count(), 3);
        QVERIFY(!p->Modified());
        QCOMPARE(p->FileName(), std::string());
        p->Strings()->Items(0)->SetTextId("sChanged");
        m_Prompts->Files << Path("mine.rpr");
        Trigger("actSaveProject");
        QCOMPARE(ReadAll(templ), SampleProject()); // the template is untouched
        QVERIFY(ReadAll(Path("mine.rpr")).contains("sChanged"));

        // A broken template is reported and leaves no project.
        WriteAll(templ, "object TResProject\r\n  Bogus = 1\r\nend\r\n");
        Trigger("actNewProject");
        QVERIFY(!m_Form->CurrentProject());
        QCOMPARE(m_Prompts->Errors().back(),
                 QStringLiteral("Error reading TResProject.Bogus: Property Bogus does not exist."));
    }

    void openValidInvalidAndCancelled()
    {
        OpenSample();
        QCOMPARE(Grid()->rowCount(), 3);
        QCOMPARE(Row(0), (QStringList{"0", "sOne", "5", "No", QString::fromUtf8("Česky sOne"), "<Not Translated>"}));
        QCOMPARE(Row(2).at(3), QStringLiteral("Yes"));

        WriteAll(Path("bad.rpr"), "object TResProject\r\n  Comment = 'x\r\nend\r\n");
        m_Prompts->Files << Path("bad.rpr");
        Trigger("actOpenProject");
        QVERIFY(!m_Form->CurrentProject());
        QVERIFY(!m_Form->ListView()->isVisible());
        QCOMPARE(m_Prompts->Errors(), QStringList{"Invalid string constant on line 2."});

        OpenSample();
        m_Prompts->Files << QString(); // cancel
        Trigger("actOpenProject");
        QVERIFY(!m_Form->CurrentProject());
        QVERIFY(!Enabled("actCloseProject"));
    }

    void closeAsksOnlyWhenModified()
    {
        OpenSample();
        Trigger("actCloseProject");
        QVERIFY(!m_Form->CurrentProject());
        QVERIFY(m_Prompts->Log.size() == 1); // only the open dialog

        OpenSample();
        m_Form->CurrentProject()->SetComment("changed");
        m_Prompts->Answers << TAnswer::Cancel;
        Trigger("actCloseProject");
        QVERIFY(m_Form->CurrentProject());
        QCOMPARE(m_Prompts->Log.back().Caption, QStringLiteral("Confirm"));
        QCOMPARE(m_Prompts->Log.back().Text, QStringLiteral("Project was modified. Save changes to project file ?"));
        QCOMPARE(m_Prompts->Log.back().Buttons, TButtons::YesNoCancel);

        m_Prompts->Answers << TAnswer::Yes;
        Trigger("actCloseProject");
        QVERIFY(!m_Form->CurrentProject());
        QVERIFY(ReadAll(Path("sample.rpr")).contains("changed"));

        OpenSample();
        m_Form->CurrentProject()->SetComment("dropped");
        m_Prompts->Answers << TAnswer::No;
        Trigger("actCloseProject");
        QVERIFY(!m_Form->CurrentProject());
        QVERIFY(!ReadAll(Path("sample.rpr")).contains("dropped"));
        QCOMPARE(Panel0(), QString());
    }

    void yesThenCancelledSaveKeepsTheProject()
    {
        Trigger("actNewProject");
        m_Form->CurrentProject()->SetComment("unsaved");
        m_Form->UpdateStatusBar();
        QCOMPARE(Panel0(), QStringLiteral("Modified"));
        for (const char* command : {"actNewProject", "actOpenProject", "actCloseProject"}) {
            m_Prompts->Answers << TAnswer::Yes;
            m_Prompts->Files << QString();
            Trigger(command);
            QVERIFY2(m_Form->CurrentProject(), command);
            QVERIFY(m_Form->CurrentProject()->Modified());
            QCOMPARE(m_Form->CurrentProject()->Comment(), std::string("unsaved"));
        }
        // Exit: the window stays open.
        m_Prompts->Answers << TAnswer::Yes;
        m_Prompts->Files << QString();
        QVERIFY(!m_Form->close());
        QVERIFY(m_Form->isVisible());
        m_Prompts->Answers << TAnswer::Cancel;
        Trigger("actExitApp");
        QVERIFY(m_Form->isVisible());
        m_Prompts->Answers << TAnswer::No;
        Trigger("actExitApp");
        QVERIFY(!m_Form->isVisible());
    }

    void saveAsPresetsTheNameAndExitSavesOnYes()
    {
        OpenSample();
        m_Prompts->Files << Path("copy.rpr");
        Trigger("actSaveProjectAs");
        QCOMPARE(m_Prompts->Log.back().Caption, Path("sample.rpr")); // the dialog's preset
        QCOMPARE(FromFilePath(m_Form->CurrentProject()->FileName()), Path("copy.rpr"));
        QCOMPARE(ReadAll(Path("copy.rpr")), SampleProject());

        m_Form->CurrentProject()->SetComment("on exit");
        m_Prompts->Answers << TAnswer::Yes;
        Trigger("actExitApp");
        QVERIFY(!m_Form->isVisible());
        QVERIFY(!m_Form->CurrentProject());
        QVERIFY(ReadAll(Path("copy.rpr")).contains("on exit")); // saved without a dialog
    }

    void aFailedSaveIsReportedAndKeepsTheProject()
    {
        Trigger("actNewProject");
        m_Form->CurrentProject()->SetComment("x");
        m_Prompts->Files << Path("missing/dir/p.rpr");
        Trigger("actSaveProjectAs");
        QCOMPARE(m_Prompts->Errors(),
                 QStringList{"Cannot create file " + Path("missing/dir/p.rpr") + ".\nNo such file or directory"});
        QVERIFY(m_Form->CurrentProject()->Modified());
        QCOMPARE(m_Form->CurrentProject()->FileName(), std::string());
    }

    void sortNumberIdsKeepsTheProjectUnmodified()
    {
        OpenSample();
        Trigger("actProjectRenumberId");
        QCOMPARE(Row(0).mid(1, 2), (QStringList{"sOne", "1"}));
        QCOMPARE(Row(1).mid(1, 2), (QStringList{"sTwo", "2"}));
        QCOMPARE(Row(2).mid(1, 2), (QStringList{"sThree", "9"}));
        QVERIFY(!m_Form->CurrentProject()->Modified());
        QVERIFY(!Enabled("actSaveProject"));
    }

    void saveResourceFilesAsksBeforeReplacing()
    {
        OpenSample();
        TResProject* p = m_Form->CurrentProject();
        p->SetOutputDirectory(ToFilePath(m_Dir->path()));
        p->SetModified(false);
        WriteAll(Path("ResStr.pas"), "keep");
        WriteAll(Path("ResStrEN.pas"), "replace");
        m_Prompts->Answers << TAnswer::No << TAnswer::Yes;
        Trigger("actSaveResFiles");
        QCOMPARE(m_Prompts->Log.size(), 3);
        QCOMPARE(m_Prompts->Log[1].Caption, QStringLiteral("Information"));
        QCOMPARE(m_Prompts->Log[1].Text, "File " + Path("ResStr.pas") + " exists. Overwrite ?");
        QCOMPARE(m_Prompts->Log[1].Buttons, TButtons::YesNo);
        QCOMPARE(ReadAll(Path("ResStr.pas")), QByteArray("keep"));
        QVERIFY(ReadAll(Path("ResStrEN.pas")).startsWith("unit ResStrEN;\r\n"));
        QVERIFY(ReadAll(Path("ResStrDE.pas")).startsWith("unit ResStrDE;\r\n"));
        QCOMPARE(Row(0).at(2), QStringLiteral("1")); // renumbered, not reordered
        QCOMPARE(Row(1).at(2), QStringLiteral("2"));
        QVERIFY(!Enabled("actSaveProject"));

        p->SetOutputDirectory(ToFilePath(Path("nowhere")));
        Trigger("actSaveResFiles");
        QCOMPARE(m_Prompts->Errors().back(),
                 "Cannot create file " + Path("nowhere") + "/ResStr.pas.\nNo such file or directory");
    }

    void czechFolderAndUnitNamesThroughTheOptionsDialog()
    {
        OpenSample();
        const QString vystup = m_Dir->filePath(QString::fromUtf8("v\u00FDstup"));
        QVERIFY(QDir().mkpath(vystup));
        WhenModal([&](QWidget* d) {
            m_Prompts->Files << vystup;
            d->findChild<QToolButton*>(QStringLiteral("SpeedButton1"))->click();
            d->findChild<QLineEdit*>(QStringLiteral("edConstFilename"))
                ->setText(QString::fromUtf8("ResStr\u010Ce\u0161tina.pas"));
            d->findChild<QPushButton*>(QStringLiteral("btnOk"))->click();
        });
        Trigger("actProjectOptions");
        TResProject* p = m_Form->CurrentProject();
        QCOMPARE(p->ConstFileName(),
                 std::string("ResStr\xC8"
                             "e\x9Atina.pas")); // the model keeps the code page
        Trigger("actSaveResFiles");
        QVERIFY(m_Prompts->Errors().isEmpty());
        QStringList written = QDir(vystup).entryList(QDir::Files);
        written.sort();
        QCOMPARE(written,
                 (QStringList{"ResStrCZ.pas", "ResStrDE.pas", "ResStrEN.pas",
                              QString::fromUtf8("ResStr\u010Ce\u0161tina.pas")}));
        QVERIFY(ReadAll(vystup + QString::fromUtf8("/ResStr\u010Ce\u0161tina.pas")).startsWith("unit ResStr\xC8"));

        // The overwrite question names the path as the system spells it.
        m_Prompts->Answers << TAnswer::No << TAnswer::No << TAnswer::No << TAnswer::No;
        Trigger("actSaveResFiles");
        QCOMPARE(m_Prompts->Log.at(m_Prompts->Log.size() - 4).Text,
                 "File " + vystup + QString::fromUtf8("/ResStr\u010Ce\u0161tina.pas exists. Overwrite ?"));
    }

    void saveResourceFilesAsksOnceForPathsOutsideTheProject()
    {
        QVERIFY(QDir().mkpath(Path("proj")));
        WriteAll(Path("proj/sample.rpr"), SampleProject());
        m_Prompts->Files << Path("proj/sample.rpr");
        Trigger("actOpenProject");
        TResProject* p = m_Form->CurrentProject();
        p->SetOutputDirectory("..");
        p->Languages()->Items(2)->SetResFileName("proj\\ResStrDE.pas"); // back inside
        m_Prompts->Answers << TAnswer::No;
        Trigger("actSaveResFiles");
        QCOMPARE(m_Prompts->Log.size(), 2);
        QCOMPARE(m_Prompts->Log[1].Caption, QStringLiteral("Confirm"));
        QCOMPARE(m_Prompts->Log[1].Buttons, TButtons::YesNo);
        QCOMPARE(m_Prompts->Log[1].Text,
                 "These units would be written outside the project's folder:\n" + Path("ResStr.pas") + "\n" +
                     Path("ResStrCZ.pas") + "\n" + Path("ResStrEN.pas") + "\nWrite them ?");
        QVERIFY(QDir(m_Dir->path()).entryList({QStringLiteral("*.pas")}).isEmpty());
        QCOMPARE(Row(0).at(2), QStringLiteral("5")); // not renumbered either

        m_Prompts->Answers << TAnswer::Yes;
        Trigger("actSaveResFiles");
        QCOMPARE(m_Prompts->Log.size(), 3);
        QVERIFY(QFile::exists(Path("ResStrEN.pas")));
        QVERIFY(QFile::exists(Path("proj/ResStrDE.pas")));
        QVERIFY(m_Prompts->Errors().isEmpty());
    }

    void gridKeys()
    {
        OpenSample();
        // Down on the first and a middle row only moves the selection.
        Select(0);
        Key(Qt::Key_Down);
        QCOMPARE(Grid()->rowCount(), 3);
        Key(Qt::Key_Down);
        QCOMPARE(Grid()->rowCount(), 3);
        QCOMPARE(m_Form->ListView()->currentIndex().row(), 2);
        // Down on the last row appends an item and moves onto it.
        Key(Qt::Key_Down);
        QCOMPARE(Grid()->rowCount(), 4);
        QCOMPARE(m_Form->CurrentProject()->Strings()->Count(), 4);
        QCOMPARE(m_Form->ListView()->currentIndex().row(), 3);
        QCOMPARE(Row(3), (QStringList{"3", "", "1", "No", "<Not Translated>", "<Not Translated>"}));
        Key(Qt::Key_Down);
        QCOMPARE(Grid()->rowCount(), 5);
        QVERIFY(!m_Form->CurrentProject()->Modified());
        QVERIFY(!Enabled("actSaveProject"));

        // Insert on row 0 puts the new item first; the others keep their numbers.
        Select(0);
        Key(Qt::Key_Insert);
        QCOMPARE(Grid()->rowCount(), 6);
        QCOMPARE(Row(0).mid(0, 3), (QStringList{"0", "", "4"}));
        QCOMPARE(Row(1).mid(0, 3), (QStringList{"1", "sOne", "5"}));

        // Delete asks; No changes nothing.
        Select(1);
        m_Prompts->Answers << TAnswer::No;
        Key(Qt::Key_Delete);
        QCOMPARE(Grid()->rowCount(), 6);
        QCOMPARE(m_Prompts->Log.back().Text, QStringLiteral("Delete this item ?"));
        QCOMPARE(m_Prompts->Log.back().Buttons, TButtons::YesNo);
        m_Prompts->Answers << TAnswer::Yes;
        Key(Qt::Key_Delete);
        QCOMPARE(Grid()->rowCount(), 5);
        QCOMPARE(Row(1).at(1), QStringLiteral("sTwo"));
        QVERIFY(!m_Form->CurrentProject()->Modified());

        // Deleting every item leaves an empty grid, where nothing can be added.
        while (Grid()->rowCount() > 0) {
            Select(0);
            m_Prompts->Answers << TAnswer::Yes;
            Key(Qt::Key_Delete);
        }
        QVERIFY(m_Form->CurrentProject());
        m_Form->ListView()->clearSelection();
        Key(Qt::Key_Down);
        Key(Qt::Key_Insert);
        QCOMPARE(Grid()->rowCount(), 0);
    }

    void enterOpensTheItemEditorAndRedraws()
    {
        OpenSample();
        Select(1);
        WhenModal([](QWidget* dialog) {
            QCOMPARE(dialog->objectName(), QStringLiteral("ItemEditDialog"));
            QCOMPARE(dialog->findChild<QLabel*>(QStringLiteral("lblIndex"))->text(), QStringLiteral("2"));
            dialog->findChild<QLineEdit*>(QStringLiteral("edTextId"))->setText(QStringLiteral("sRenamed"));
            dialog->findChild<QPlainTextEdit*>(QStringLiteral("mmReadWrite"))
                ->setPlainText(QString::fromUtf8("Přejmenováno"));
            dialog->findChild<QPushButton*>(QStringLiteral("btnOk"))->click();
        });
        Key(Qt::Key_Return);
        QCOMPARE(Row(1).mid(1, 1), QStringList{"sRenamed"});
        QCOMPARE(Row(1).at(4), QString::fromUtf8("Přejmenováno"));
        QCOMPARE(Panel0(), QStringLiteral("Modified"));

        // A double click does the same; Escape stores nothing.
        WhenModal([](QWidget* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
        emit m_Form->ListView()->doubleClicked(Grid()->index(0, 0));
        QCOMPARE(Row(0).at(1), QStringLiteral("sOne"));
    }

    void showLanguagesAppendsAndRemovesColumns()
    {
        OpenSample();
        auto untickFirst = [](QWidget* dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Select visible language columns"));
            auto* view = dialog->findChild<QTableView*>(QStringLiteral("ListView"));
            QCOMPARE(view->currentIndex().row(), 0);
            QTest::keyClick(view, Qt::Key_Space);
            dialog->findChild<QPushButton*>(QStringLiteral("btnOk"))->click();
        };
        WhenModal(untickFirst);
        Trigger("actShowLanguages");
        QCOMPARE(Headers().mid(4), QStringList{"EN"});

        // Ticking CZ again appends it at the right end.
        WhenModal(untickFirst);
        Trigger("actShowLanguages");
        QCOMPARE(Headers().mid(4), (QStringList{"EN", "CZ"}));
        QVERIFY(!m_Form->CurrentProject()->Modified());

        // Cancel keeps the columns, and the next showing starts from them.
        WhenModal([](QWidget* dialog) {
            auto* view = dialog->findChild<QTableView*>(QStringLiteral("ListView"));
            QTest::keyClick(view, Qt::Key_Down);
            QTest::keyClick(view, Qt::Key_Space);
            QTest::keyClick(view, Qt::Key_Return); // flips again: Enter does not close
            QTest::keyClick(view, Qt::Key_Space);
            QVERIFY(dialog->isVisible());
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        Trigger("actShowLanguages");
        QCOMPARE(Headers().mid(4), (QStringList{"EN", "CZ"}));
        WhenModal([](QWidget* dialog) {
            auto* frame = dialog->findChild<TLangFrame*>();
            QVERIFY(!frame->Model()->Languages()->Items(2)->Checked()); // DE as its column is: hidden
            QVERIFY(frame->Model()->Languages()->Items(1)->Checked());
            dialog->findChild<QPushButton*>(QStringLiteral("btnCancel"))->click();
        });
        Trigger("actShowLanguages");
    }

    // New project, edit, add, options, save, open again, generate.
    void endToEnd()
    {
        Trigger("actNewProject");
        Select(0);
        WhenModal([](QWidget* d) {
            d->findChild<QLineEdit*>(QStringLiteral("edTextId"))->setText(QStringLiteral("Hello"));
            d->findChild<QPlainTextEdit*>(QStringLiteral("mmReadWrite"))->setPlainText(QString::fromUtf8("Ahoj světe"));
            d->findChild<QCheckBox*>(QStringLiteral("chbFixedId"))->setChecked(true);
            d->findChild<QComboBox*>(QStringLiteral("cbReadOnly"))->setCurrentIndex(1);
            d->findChild<QPushButton*>(QStringLiteral("btnOk"))->click();
        });
        Key(Qt::Key_Return);
        Key(Qt::Key_Down);
        QCOMPARE(m_Form->ListView()->currentIndex().row(), 1);
        WhenModal([](QWidget* d) {
            d->findChild<QLineEdit*>(QStringLiteral("edTextId"))->setText(QStringLiteral("Bye"));
            d->findChild<QComboBox*>(QStringLiteral("cbReadWrite"))->setCurrentIndex(1); // EN
            d->findChild<QPlainTextEdit*>(QStringLiteral("mmReadWrite"))
                ->setPlainText(QStringLiteral("Good bye\nand thanks"));
            d->findChild<QPushButton*>(QStringLiteral("btnOk"))->click();
        });
        Key(Qt::Key_Return);
        QCOMPARE(Row(1).mid(1), (QStringList{"Bye", "2", "No", "<Not Translated>", "Good bye\r\nand thanks"}));

        const QString out = m_Dir->filePath(QStringLiteral("out"));
        QDir().mkpath(out);
        WhenModal([out](QWidget* d) {
            d->findChild<QLineEdit*>(QStringLiteral("edOutputDirectory"))->setText(out);
            d->findChild<QLineEdit*>(QStringLiteral("edComment"))->setText(QStringLiteral("End to end"));
            d->findChild<QPushButton*>(QStringLiteral("btnOk"))->click();
        });
        Trigger("actProjectOptions");
        QCOMPARE(m_Form->CurrentProject()->Comment(), std::string("End to end"));

        m_Prompts->Files << Path("e2e.rpr");
        Trigger("actSaveProject");
        const QByteArray saved = ReadAll(Path("e2e.rpr"));
        QCOMPARE(saved, QByteArray::fromStdString(m_Form->CurrentProject()->SaveToText()));

        Trigger("actCloseProject");
        m_Prompts->Files << Path("e2e.rpr");
        Trigger("actOpenProject");
        QCOMPARE(QByteArray::fromStdString(m_Form->CurrentProject()->SaveToText()), saved);
        QCOMPARE(Row(0).mid(1),
                 (QStringList{"Hello", "1", "Yes", QString::fromUtf8("Ahoj světe"), "<Not Translated>"}));

        Trigger("actSaveResFiles");
        const QString expected = QStringLiteral(QUILLET_TEST_DATA "/gen/end-to-end/");
        for (const char* name : {"ResStr.pas", "ResStrCZ.pas", "ResStrEN.pas"})
            QCOMPARE(ReadAll(out + u'/' + QString::fromLatin1(name)), ReadAll(expected + QString::fromLatin1(name)));
        QVERIFY(QFile::exists(out + QStringLiteral("/ResStrSK.pas")));
        QVERIFY(m_Prompts->Errors().isEmpty());
    }
};

QTEST_MAIN(tFrmMain)
#include "tFrmMain.moc"
