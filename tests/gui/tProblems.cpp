// The problem list: shown from the View menu, refreshed after commands,
// navigation to the grid, and the question before units are written.
#include "tMainFormFixture.h"
#include "uQtText.h"

#include "fmeProblems.h"
#include "frmMain.h"
#include "uProject.h"
#include "uStringGrid.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QDockWidget>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

class tProblems : public QObject, TMainFormFixture {
    Q_OBJECT

private:
    TProblemsDock* Dock() { return m_Form->ProblemsDock(); }
    TProblemsModel* Problems() { return Dock()->Model(); }
    void ShowProblems()
    {
        QAction* entry = m_Form->findChild<QAction*>(QStringLiteral("miViewProblems"));
        QVERIFY(entry);
        entry->trigger();
        QVERIFY(Dock()->isVisible());
    }
    // Column texts of one row of the problem list.
    QStringList ProblemRow(int row)
    {
        QStringList r;
        for (int c = 0; c < Problems()->columnCount(); ++c) r << Problems()->index(row, c).data().toString();
        return r;
    }

private slots:
    void init() { StartForm(); }
    void cleanup() { FinishForm(); }

    void hiddenUntilShownFromTheViewMenu()
    {
        QVERIFY(Dock());
        QVERIFY(!Dock()->isVisible());
        QCOMPARE(Dock()->windowTitle(), QStringLiteral("Problems"));
        QStringList menus;
        for (QAction* a : m_Form->menuBar()->actions()) menus << a->text();
        QCOMPARE(menus, (QStringList{"&File", "&Edit", "&Project", "&View", "&Help"}));
        // Hidden, the list is not checked at all.
        Trigger("actNewProject");
        QCOMPARE(Problems()->rowCount(), 0);
        ShowProblems();
        QVERIFY(m_Form->findChild<QAction*>(QStringLiteral("miViewProblems"))->isChecked());
        QCOMPARE(Problems()->rowCount(), 1);
        QCOMPARE(ProblemRow(0), (QStringList{"Empty text IDs", "0", "", "text ID is empty"}));
        m_Form->findChild<QAction*>(QStringLiteral("miViewProblems"))->trigger();
        QVERIFY(!Dock()->isVisible());
    }

    void statisticsAtTheTop()
    {
        Trigger("actNewProject");
        TResProject* p = m_Form->CurrentProject();
        TResStringConstItem* text = p->Strings()->Items(0)->StringConsts()->Add();
        text->SetValue("Ahoj");
        text->SetLanguageId(0);
        p->Languages()->Items(1)->SetSourceLanguageId(0);
        ShowProblems();
        QVERIFY(Dock()->lblStatistics()->text().startsWith(
            QStringLiteral("CZ: 1 own, 0 inherited, 0 missing; EN: 0 own, 1 inherited, 0 missing; DE: 0 own")));
    }

    void refreshesAfterEveryCommand()
    {
        Trigger("actNewProject");
        ShowProblems();
        QCOMPARE(Problems()->rowCount(), 1);
        // Three Down presses on the last row: three more items without a name,
        // whose constants collide.
        m_Form->ListView()->setFocus();
        m_Form->ListView()->selectRow(0);
        for (int i = 0; i < 3; ++i) QTest::keyClick(m_Form->ListView(), Qt::Key_Down);
        QCOMPARE(m_Form->CurrentProject()->Strings()->Count(), 4);
        int empty = 0, duplicate = 0;
        for (const TFinding& f : Problems()->Findings()) {
            empty += f.Kind == TFindingKind::EmptyTextId;
            duplicate += f.Kind == TFindingKind::DuplicateName;
        }
        QCOMPARE(empty, 4);
        QCOMPARE(duplicate, 6);
        // A command ends: the list follows. (The new items are unsaved changes.)
        m_Prompts->Answers << TAnswer::No;
        Trigger("actCloseProject");
        QCOMPARE(Problems()->rowCount(), 0);
        QVERIFY(Dock()->lblStatistics()->text().isEmpty());
    }

    void doubleClickAndEnterSelectTheItem()
    {
        Trigger("actNewProject");
        TResStringList* strings = m_Form->CurrentProject()->Strings();
        strings->Items(0)->SetTextId("sOne");
        m_Form->ListView()->selectRow(0);
        QTest::keyClick(m_Form->ListView(), Qt::Key_Down); // adds row 1
        QTest::keyClick(m_Form->ListView(), Qt::Key_Down); // adds row 2
        QCOMPARE(strings->Count(), 3);
        strings->Items(2)->SetTextId("has blank");
        ShowProblems();
        QTableView* list = Dock()->lvProblems();
        // The findings of items 1 (no text ID) and 2 ('has blank').
        int emptyRow = -1, blankRow = -1;
        for (int r = 0; r < Problems()->rowCount(); ++r) {
            const TFinding& f = Problems()->Findings()[size_t(r)];
            if (f.Kind == TFindingKind::InvalidTextId) blankRow = r;
            if (f.Kind == TFindingKind::EmptyTextId && emptyRow < 0) emptyRow = r;
        }
        QVERIFY(emptyRow >= 0 && blankRow >= 0);
        QCOMPARE(Problems()->Findings()[size_t(blankRow)].Row, 2);

        m_Form->ListView()->selectRow(0);
        const QRect cell = list->visualRect(Problems()->index(blankRow, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(SelectedRow(), 2);

        list->setCurrentIndex(Problems()->index(emptyRow, 0));
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(SelectedRow(), 1);
        QCOMPARE(m_Form->ListView()->currentIndex().row(), 1);
    }

    // The list answers only the navigation keys, as the grid does: Tab leaves
    // it and a typed letter does not jump to a row that starts with it.
    void listIgnoresTabAndTyping()
    {
        Trigger("actNewProject");
        m_Form->CurrentProject()->Strings()->Add()->SetTextId("has blank");
        ShowProblems();
        QTableView* list = Dock()->lvProblems();
        QVERIFY(Problems()->rowCount() >= 2);
        list->setCurrentIndex(Problems()->index(0, 0));
        const QString other = Problems()->index(1, 0).data().toString();
        QVERIFY(!other.isEmpty());
        QTest::keyClicks(list, other.left(1));
        QTest::keyClick(list, Qt::Key_Tab);
        QCOMPARE(list->currentIndex(), Problems()->index(0, 0));
        m_Prompts->Answers << TAnswer::No; // the new item is an unsaved change
        Trigger("actCloseProject");
    }

    void saveResourceFilesAsksOnceWhenTheUnitWouldNotCompile()
    {
        Trigger("actNewProject"); // one item without a name
        TResProject* p = m_Form->CurrentProject();
        p->SetOutputDirectory(ToFilePath(m_Dir->path()));
        p->Strings()->Add();
        p->Strings()->Items(1)->SetNumberId(70000);
        p->Strings()->Items(1)->SetFixedId(true);

        m_Prompts->Answers << TAnswer::No;
        Trigger("actSaveResFiles");
        QCOMPARE(m_Prompts->Log.size(), 1);
        const TPromptRequest& q = m_Prompts->Log[0];
        QCOMPARE(q.Caption, QStringLiteral("Confirm"));
        QCOMPARE(q.Buttons, TButtons::YesNo);
        QCOMPARE(q.Text,
                 QStringLiteral("The constants unit will not compile:\n\n"
                                "item 0 (''): text ID is empty\n"
                                "item 1 (''): text ID is empty\n"
                                "item 1 (''): constant name 'sid' is also a constant of item 0 ('')\n"
                                "item 1 (''): constant name 'rsp' is also a constant of item 0 ('')\n"
                                "item 1 (''): number 70000 is outside 0..$FFFF\n"
                                "\nWrite the resource files anyway ?"));
        QVERIFY(!QFile::exists(m_Dir->filePath(QStringLiteral("ResStr.pas"))));
        QVERIFY(m_Prompts->Errors().isEmpty());

        // More than five: the rest are counted. Yes writes.
        p->Strings()->Add();
        m_Prompts->Answers << TAnswer::Yes;
        Trigger("actSaveResFiles");
        QCOMPARE(m_Prompts->Log.size(), 2);
        QVERIFY(
            m_Prompts->Log[1].Text.contains(QStringLiteral("\n... and 3 more\n\nWrite the resource files anyway ?")));
        QVERIFY(QFile::exists(m_Dir->filePath(QStringLiteral("ResStr.pas"))));

        // Nothing that breaks the unit: no question.
        for (int i = 0; i < p->Strings()->Count(); ++i) {
            p->Strings()->Items(i)->SetTextId("s" + std::to_string(i));
            p->Strings()->Items(i)->SetFixedId(false);
        }
        m_Prompts->Answers << TAnswer::Yes << TAnswer::Yes << TAnswer::Yes << TAnswer::Yes << TAnswer::Yes
                           << TAnswer::Yes << TAnswer::Yes << TAnswer::Yes;
        Trigger("actSaveResFiles");
        for (qsizetype i = 2; i < m_Prompts->Log.size(); ++i)
            QVERIFY(m_Prompts->Log[i].Text.startsWith(QStringLiteral("File ")));
        m_Prompts->Answers.clear();
    }

    void modelIsConsistent()
    {
        QAbstractItemModelTester tester(Problems(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        Trigger("actNewProject");
        ShowProblems();
        m_Form->ListView()->selectRow(0);
        QTest::keyClick(m_Form->ListView(), Qt::Key_Down);
        m_Prompts->Answers << TAnswer::No; // the new item is an unsaved change
        Trigger("actCloseProject");
    }
};

QTEST_MAIN(tProblems)
#include "tProblems.moc"
