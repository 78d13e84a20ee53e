// The main window driven like a user would: actions by name, keys on the grid.
#include "tMainFormFixture.h"
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
#include <QEventLoop>
#include <QFile>
#include <QIdentityProxyModel>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

namespace {

// A small project file: three items, CZ and EN visible, DE hidden.
QByteArray SampleProject()
{
    TResProject p;
    AddSampleLanguages(p);
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

// The model checker compares column 0 before and after rows come and go, as
// if that column named the item. The row-number column counts positions and
// changes by design, so the checker sees the grid with each row's item in
// that column's place; every signal and every other cell passes unchanged.
class TItemInColumn0 : public QIdentityProxyModel {
public:
    explicit TItemInColumn0(TStringGridModel* grid) { setSourceModel(grid); }

    QVariant data(const QModelIndex& index, int role) const override
    {
        const auto* grid = static_cast<const TStringGridModel*>(sourceModel());
        const TResProject* project = grid->Project();
        if (role == Qt::DisplayRole && index.isValid() && index.column() == 0 && !grid->Columns().empty() &&
            grid->Columns().front().Kind == TColumnKind::RowNumber && project &&
            index.row() < project->Strings()->Count())
            return QString::number(reinterpret_cast<quintptr>(project->Strings()->Items(index.row())));
        return QIdentityProxyModel::data(index, role);
    }
};

} // namespace

class tFrmMain : public QObject, TMainFormFixture {
    Q_OBJECT

private:
    TItemInColumn0* m_Checked = nullptr;
    QAbstractItemModelTester* m_Tester = nullptr;

    // Shows a command's dialog and acts on it (see ExecModal).
    bool TriggerModal(const char* name, const std::function<void(QWidget*)>& act)
    {
        return ExecModal([&] { Trigger(name); }, act);
    }
    bool KeyModal(int key, const std::function<void(QWidget*)>& act)
    {
        return ExecModal([&] { Key(key); }, act);
    }
    // The event loop waits for a moment, as it does between a user's actions.
    void Idle()
    {
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    bool Enabled(const char* name) { return Action(name)->isEnabled(); }
    QString Panel0() { return m_Form->findChild<QLabel*>(QStringLiteral("StatusPanel0"))->text(); }
    QString StatusMessage() { return m_Form->findChild<QLabel*>(QStringLiteral("StatusMessage"))->text(); }
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
    void OpenSample() { OpenProjectFile("sample.rpr", SampleProject()); }
    // Close Project on a project the user changed: it must ask.
    void ExpectCloseAsks()
    {
        m_Prompts->Answers << TAnswer::Cancel;
        Trigger("actCloseProject");
        QVERIFY(m_Form->CurrentProject());
        QCOMPARE(m_Prompts->Log.back().Text, QStringLiteral("Project was modified. Save changes to project file ?"));
    }

private slots:
    void init()
    {
        StartForm();
        m_Checked = new TItemInColumn0(m_Form->GridModel());
        m_Tester = new QAbstractItemModelTester(m_Checked, QAbstractItemModelTester::FailureReportingMode::QtTest);
    }

    void cleanup()
    {
        delete m_Tester;
        delete m_Checked;
        FinishForm();
    }

    void startsWithNoProject()
    {
        QVERIFY(!m_Form->CurrentProject());
        QVERIFY(!m_Form->ListView()->isVisible());
        QCOMPARE(m_Form->windowTitle(), QStringLiteral("Quillet"));
        QCOMPARE(m_Form->frameGeometry().size(), QSize(584, 441)); // the frame included
        for (const char* on : {"actNewProject", "actOpenProject", "actExitApp"}) QVERIFY2(Enabled(on), on);
        for (const char* off : {"actSaveProject", "actSaveProjectAs", "actCloseProject", "actShowLanguages",
                                "actProjectOptions", "actProjectRenumberId", "actSaveResFiles"})
            QVERIFY2(!Enabled(off), off);
        QCOMPARE(Panel0(), QString());
        QVERIFY(m_Form->findChild<QAction*>(QStringLiteral("miAbout"))->isEnabled());
    }

    void toolBarIsTwentyTwoPixelsWithASeparator()
    {
        auto* bar = m_Form->findChild<QToolBar*>(QStringLiteral("ToolBar"));
        QCOMPARE(bar->height(), 22);
        QAction* separator = nullptr;
        for (QAction* a : bar->actions())
            if (a->objectName() == QLatin1String("ToolButton3")) separator = a;
        QVERIFY(separator && separator->isSeparator());
        QCOMPARE(bar->widgetForAction(separator)->width(), 8);
        // The buttons do not take the focus: Tab must not reach Open or Save.
        for (const char* name : {"ToolButton1", "ToolButton2", "ToolButton4"})
            QCOMPARE(m_Form->findChild<QWidget*>(QString::fromLatin1(name))->focusPolicy(), Qt::NoFocus);
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
        // The command itself brings the actions up to date.
        QVERIFY(!Enabled("actSaveProject"));
        QVERIFY(Enabled("actSaveProjectAs"));
        QVERIFY(Enabled("actCloseProject"));

        // A change: Save follows when the event loop next waits.
        p->SetComment("x");
        Idle();
        QVERIFY(Enabled("actSaveProject"));
        // The first save asks for a name.
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
        Idle();
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
        QCOMPARE(m_Prompts->Log.size(), 1); // only the open dialog

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

    void aFailedSaveOnExitIsReportedAndKeepsTheWindow()
    {
        Trigger("actNewProject");
        m_Form->CurrentProject()->SetComment("x");
        m_Form->CurrentProject()->SetFileName(ToFilePath(Path("missing/dir/p.rpr")));
        m_Prompts->Answers << TAnswer::Yes;
        QVERIFY(!m_Form->close());
        QVERIFY(m_Form->isVisible());
        QCOMPARE(m_Prompts->Errors(),
                 QStringList{"Cannot create file " + Path("missing/dir/p.rpr") + ".\nNo such file or directory"});
        QVERIFY(m_Form->CurrentProject()->Modified());
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
        Idle();
        m_Prompts->Files << Path("missing/dir/p.rpr");
        Trigger("actSaveProjectAs");
        QCOMPARE(m_Prompts->Errors(),
                 QStringList{"Cannot create file " + Path("missing/dir/p.rpr") + ".\nNo such file or directory"});
        QVERIFY(m_Form->CurrentProject()->Modified());
        QCOMPARE(m_Form->CurrentProject()->FileName(), std::string());
    }

    // Sorting that changes numbers or order is a change to save; sorting a
    // list that is already in order is not.
    void sortNumberIdsMarksOnlyARealChange()
    {
        OpenSample();
        Trigger("actProjectRenumberId");
        QCOMPARE(Row(0).mid(1, 2), (QStringList{"sOne", "1"}));
        QCOMPARE(Row(1).mid(1, 2), (QStringList{"sTwo", "2"}));
        QCOMPARE(Row(2).mid(1, 2), (QStringList{"sThree", "9"}));
        QVERIFY(m_Form->CurrentProject()->Modified());
        QVERIFY(Enabled("actSaveProject"));
        QCOMPARE(Panel0(), QStringLiteral("Modified"));
        m_Prompts->Files << Path("sorted.rpr");
        Trigger("actSaveProjectAs");

        Trigger("actProjectRenumberId");
        QVERIFY(!m_Form->CurrentProject()->Modified());
        QVERIFY(!Enabled("actSaveProject"));
        QCOMPARE(Panel0(), QString());

        // Numbers in place but items out of order: only the order changes.
        TResStringList* strings = m_Form->CurrentProject()->Strings();
        strings->Items(1)->SetFixedId(true);
        strings->Items(0)->SetFixedId(true);
        strings->Items(0)->SetNumberId(3);
        m_Form->CurrentProject()->SetModified(false);
        Trigger("actProjectRenumberId");
        QCOMPARE(Row(0).mid(1, 2), (QStringList{"sTwo", "2"}));
        QCOMPARE(Row(1).mid(1, 2), (QStringList{"sOne", "3"}));
        QVERIFY(m_Form->CurrentProject()->Modified());
        ExpectCloseAsks();
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
        // The renumbering changed a number: the project must be saved again.
        QVERIFY(p->Modified());
        QVERIFY(Enabled("actSaveProject"));
        // Feedback without a box; panel 0 keeps its own text.
        QCOMPARE(StatusMessage(), "3 units written to " + m_Dir->path());
        QCOMPARE(Panel0(), QStringLiteral("Modified"));

        // Generated again with the numbers already in place: nothing to save.
        m_Prompts->Files << Path("saved.rpr");
        Trigger("actSaveProjectAs");
        m_Prompts->Answers << TAnswer::Yes << TAnswer::Yes << TAnswer::Yes << TAnswer::Yes;
        Trigger("actSaveResFiles");
        QVERIFY(!p->Modified());
        QCOMPARE(StatusMessage(), "4 units written to " + m_Dir->path());

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
        QVERIFY(TriggerModal("actProjectOptions", [&](QWidget* d) {
            m_Prompts->Files << vystup;
            d->findChild<QToolButton*>(QStringLiteral("SpeedButton1"))->click();
            d->findChild<QLineEdit*>(QStringLiteral("edConstFilename"))
                ->setText(QString::fromUtf8("ResStr\u010Ce\u0161tina.pas"));
            d->findChild<QPushButton*>(QStringLiteral("btnOk"))->click();
        }));
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
        QCOMPARE(m_Prompts->Log[1].Buttons, TButtons::YesNoDefaultNo);
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
        QSignalSpy inserted(Grid(), &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(Grid(), &QAbstractItemModel::rowsRemoved);
        auto announced = [](QSignalSpy& spy) {
            QList<int> r;
            for (const QList<QVariant>& args : spy) r << args.at(1).toInt() << args.at(2).toInt();
            spy.clear();
            return r;
        };
        // Down on the first and a middle row only moves the selection.
        Select(0);
        Key(Qt::Key_Down);
        QCOMPARE(Grid()->rowCount(), 3);
        Key(Qt::Key_Down);
        QCOMPARE(Grid()->rowCount(), 3);
        QCOMPARE(m_Form->ListView()->currentIndex().row(), 2);
        QVERIFY(!m_Form->CurrentProject()->Modified());
        // Down on the last row appends an item and moves onto it.
        Key(Qt::Key_Down);
        QCOMPARE(announced(inserted), (QList<int>{3, 3}));
        QCOMPARE(Grid()->rowCount(), 4);
        QCOMPARE(m_Form->CurrentProject()->Strings()->Count(), 4);
        QCOMPARE(m_Form->ListView()->currentIndex().row(), 3);
        QCOMPARE(Row(3), (QStringList{"3", "", "1", "No", "<Not Translated>", "<Not Translated>"}));
        Key(Qt::Key_Down);
        QCOMPARE(announced(inserted), (QList<int>{4, 4}));
        QCOMPARE(Grid()->rowCount(), 5);

        // Insert on row 0 puts the new item first; the others keep their numbers.
        Select(0);
        Key(Qt::Key_Insert);
        QCOMPARE(announced(inserted), (QList<int>{0, 0}));
        QCOMPARE(Grid()->rowCount(), 6);
        QCOMPARE(Row(0).mid(0, 3), (QStringList{"0", "", "4"}));
        QCOMPARE(Row(1).mid(0, 3), (QStringList{"1", "sOne", "5"}));
        Select(2);
        Key(Qt::Key_Insert);
        QCOMPARE(announced(inserted), (QList<int>{2, 2}));
        QCOMPARE(Row(3).mid(0, 2), (QStringList{"3", "sTwo"}));

        // Delete asks; No changes nothing.
        Select(1);
        m_Prompts->Answers << TAnswer::No;
        Key(Qt::Key_Delete);
        QCOMPARE(Grid()->rowCount(), 7);
        QCOMPARE(m_Prompts->Log.back().Text, QStringLiteral("Delete this item ?"));
        QCOMPARE(m_Prompts->Log.back().Buttons, TButtons::YesNo);
        m_Prompts->Answers << TAnswer::Yes;
        Key(Qt::Key_Delete);
        QCOMPARE(announced(removed), (QList<int>{1, 1}));
        QCOMPARE(Grid()->rowCount(), 6);
        QCOMPARE(Row(1).at(1), QString());
        QCOMPARE(Row(2).mid(0, 2), (QStringList{"2", "sTwo"}));

        // Deleting every item leaves an empty grid, where nothing can be added.
        while (Grid()->rowCount() > 0) {
            Select(0);
            m_Prompts->Answers << TAnswer::Yes;
            Key(Qt::Key_Delete);
        }
        QCOMPARE(announced(removed), (QList<int>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
        QVERIFY(m_Form->CurrentProject());
        m_Form->ListView()->clearSelection();
        Key(Qt::Key_Down);
        Key(Qt::Key_Insert);
        QCOMPARE(Grid()->rowCount(), 0);
        QVERIFY(announced(inserted).isEmpty());
    }

    // Items added or removed in the grid are changes: closing asks, and
    // Save and panel 0 follow at once. Answering No to Delete changes nothing.
    void gridChangesAreNotLost_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("row");
        QTest::newRow("Insert") << int(Qt::Key_Insert) << 1;
        QTest::newRow("Down on the last row") << int(Qt::Key_Down) << 2;
        QTest::newRow("Delete, Yes") << int(Qt::Key_Delete) << 0;
    }

    void gridChangesAreNotLost()
    {
        QFETCH(int, key);
        QFETCH(int, row);
        OpenSample();
        Select(row);
        m_Prompts->Answers << TAnswer::No;
        if (key == Qt::Key_Delete) Key(key);
        QVERIFY(!m_Form->CurrentProject()->Modified());
        m_Prompts->Answers.clear();
        m_Prompts->Answers << TAnswer::Yes;
        Key(key);
        if (key != Qt::Key_Delete) m_Prompts->Answers.clear();
        QVERIFY(m_Form->CurrentProject()->Modified());
        QVERIFY(Enabled("actSaveProject"));
        QCOMPARE(Panel0(), QStringLiteral("Modified"));
        ExpectCloseAsks();
        // Saved, the file has the change.
        m_Prompts->Answers << TAnswer::Yes;
        Trigger("actCloseProject");
        QCOMPARE(ReadAll(Path("sample.rpr")).count("NumberId = "), key == Qt::Key_Delete ? 2 : 4);
    }

    // Only the grid's own keys act: Tab does not walk the cells and letters do
    // not search the rows.
    void gridIgnoresTabAndTyping()
    {
        OpenSample();
        Select(0);
        QTest::keyClicks(m_Form->ListView(), QStringLiteral("2s"));
        QTest::keyClick(m_Form->ListView(), Qt::Key_Tab);
        QCOMPARE(m_Form->ListView()->currentIndex(), Grid()->index(0, 0));
        QVERIFY(m_Form->ListView()->selectionModel()->isRowSelected(0, {}));
        QCOMPARE(Grid()->rowCount(), 3);
    }

    void enterOpensTheItemEditorAndRedraws()
    {
        OpenSample();
        Select(1);
        QStringList seen;
        QVERIFY(KeyModal(Qt::Key_Return, [&](QWidget* dialog) {
            seen << dialog->objectName() << dialog->findChild<QLabel*>(QStringLiteral("lblIndex"))->text();
            dialog->findChild<QLineEdit*>(QStringLiteral("edTextId"))->setText(QStringLiteral("sRenamed"));
            dialog->findChild<QPlainTextEdit*>(QStringLiteral("mmReadWrite"))
                ->setPlainText(QString::fromUtf8("Přejmenováno"));
            dialog->findChild<QPushButton*>(QStringLiteral("btnOk"))->click();
        }));
        QCOMPARE(seen, (QStringList{"ItemEditDialog", "2"}));
        QCOMPARE(Row(1).mid(1, 1), QStringList{"sRenamed"});
        QCOMPARE(Row(1).at(4), QString::fromUtf8("Přejmenováno"));
        QCOMPARE(Panel0(), QStringLiteral("Modified"));

        // A double click does the same; Escape stores nothing.
        QVERIFY(ExecModal([&] { emit m_Form->ListView()->doubleClicked(Grid()->index(0, 0)); },
                          [](QWidget* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); }));
        QCOMPARE(Row(0).at(1), QStringLiteral("sOne"));
    }

    void showLanguagesAppendsAndRemovesColumns()
    {
        OpenSample();
        QStringList seen;
        auto untickFirst = [&](QWidget* dialog) {
            seen << dialog->windowTitle();
            auto* view = dialog->findChild<QTableView*>(QStringLiteral("ListView"));
            seen << QString::number(view->currentIndex().row());
            QTest::keyClick(view, Qt::Key_Space);
            dialog->findChild<QPushButton*>(QStringLiteral("btnOk"))->click();
        };
        QVERIFY(TriggerModal("actShowLanguages", untickFirst));
        QCOMPARE(seen, (QStringList{"Select visible language columns", "0"}));
        QCOMPARE(Headers().mid(4), QStringList{"EN"});

        // Ticking CZ again appends it at the right end.
        QVERIFY(TriggerModal("actShowLanguages", untickFirst));
        QCOMPARE(Headers().mid(4), (QStringList{"EN", "CZ"}));
        QVERIFY(!m_Form->CurrentProject()->Modified());

        // Cancel keeps the columns, and the next showing starts from them.
        bool openAfterEnter = false;
        QVERIFY(TriggerModal("actShowLanguages", [&](QWidget* dialog) {
            auto* view = dialog->findChild<QTableView*>(QStringLiteral("ListView"));
            QTest::keyClick(view, Qt::Key_Down);
            QTest::keyClick(view, Qt::Key_Space);
            QTest::keyClick(view, Qt::Key_Return); // flips again: Enter does not close
            QTest::keyClick(view, Qt::Key_Space);
            openAfterEnter = dialog->isVisible();
            QTest::keyClick(dialog, Qt::Key_Escape);
        }));
        QVERIFY(openAfterEnter);
        QCOMPARE(Headers().mid(4), (QStringList{"EN", "CZ"}));
        QList<bool> marks;
        QVERIFY(TriggerModal("actShowLanguages", [&](QWidget* dialog) {
            auto* frame = dialog->findChild<TLangFrame*>();
            for (int i = 0; i < 3; ++i) marks << frame->Model()->Languages()->Items(i)->Checked();
            dialog->findChild<QPushButton*>(QStringLiteral("btnCancel"))->click();
        }));
        QCOMPARE(marks, (QList<bool>{true, true, false})); // DE as its column is: hidden
    }

    // The highlighted row stays the selected one when a column comes: the
    // item commands go on working on it.
    void selectedRowSurvivesANewColumn()
    {
        OpenSample();
        Select(1);
        QVERIFY(TriggerModal("actShowLanguages", [](QWidget* dialog) {
            auto* view = dialog->findChild<QTableView*>(QStringLiteral("ListView"));
            QTest::keyClick(view, Qt::Key_Down);
            QTest::keyClick(view, Qt::Key_Down);
            QTest::keyClick(view, Qt::Key_Space); // DE
            dialog->findChild<QPushButton*>(QStringLiteral("btnOk"))->click();
        }));
        QCOMPARE(Headers().mid(4), (QStringList{"CZ", "EN", "DE"}));
        QItemSelectionModel* selection = m_Form->ListView()->selectionModel();
        QVERIFY(selection->isRowSelected(1, {}));
        QVERIFY(selection->isSelected(Grid()->index(1, 6)));
        QString index;
        QVERIFY(KeyModal(Qt::Key_Return, [&](QWidget* dialog) {
            index = dialog->findChild<QLabel*>(QStringLiteral("lblIndex"))->text();
        }));
        QCOMPARE(index, QStringLiteral("2"));
        Key(Qt::Key_Insert);
        QCOMPARE(Grid()->rowCount(), 4);
        QCOMPARE(Row(2).at(1), QStringLiteral("sTwo"));
    }

    // New project, edit, add, options, save, open again, generate.
    void endToEnd()
    {
        Trigger("actNewProject");
        Select(0);
        QVERIFY(KeyModal(Qt::Key_Return, [](QWidget* d) {
            d->findChild<QLineEdit*>(QStringLiteral("edTextId"))->setText(QStringLiteral("Hello"));
            d->findChild<QPlainTextEdit*>(QStringLiteral("mmReadWrite"))->setPlainText(QString::fromUtf8("Ahoj světe"));
            d->findChild<QCheckBox*>(QStringLiteral("chbFixedId"))->setChecked(true);
            d->findChild<QComboBox*>(QStringLiteral("cbReadOnly"))->setCurrentIndex(1);
            d->findChild<QPushButton*>(QStringLiteral("btnOk"))->click();
        }));
        Key(Qt::Key_Down);
        QCOMPARE(m_Form->ListView()->currentIndex().row(), 1);
        QVERIFY(KeyModal(Qt::Key_Return, [](QWidget* d) {
            d->findChild<QLineEdit*>(QStringLiteral("edTextId"))->setText(QStringLiteral("Bye"));
            d->findChild<QComboBox*>(QStringLiteral("cbReadWrite"))->setCurrentIndex(1); // EN
            d->findChild<QPlainTextEdit*>(QStringLiteral("mmReadWrite"))
                ->setPlainText(QStringLiteral("Good bye\nand thanks"));
            d->findChild<QPushButton*>(QStringLiteral("btnOk"))->click();
        }));
        QCOMPARE(Row(1).mid(1), (QStringList{"Bye", "2", "No", "<Not Translated>", "Good bye\r\nand thanks"}));

        const QString out = m_Dir->filePath(QStringLiteral("out"));
        QDir().mkpath(out);
        QVERIFY(TriggerModal("actProjectOptions", [out](QWidget* d) {
            d->findChild<QLineEdit*>(QStringLiteral("edOutputDirectory"))->setText(out);
            d->findChild<QLineEdit*>(QStringLiteral("edComment"))->setText(QStringLiteral("End to end"));
            d->findChild<QPushButton*>(QStringLiteral("btnOk"))->click();
        }));
        QCOMPARE(m_Form->CurrentProject()->Comment(), std::string("End to end"));

        Idle();
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
        QCOMPARE(StatusMessage(), "8 units written to " + out);
        QVERIFY(!m_Form->CurrentProject()->Modified()); // the numbers were in place
    }
};

QTEST_MAIN(tFrmMain)
#include "tFrmMain.moc"
