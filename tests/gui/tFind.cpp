// The main window's find filter, Next Untranslated, the look of missing
// texts and cell tooltips, and the grid following the Languages page.
#include "tMainFormFixture.h"
#include "uQtText.h"

#include "dlgItemEdit.h"
#include "dlgPrjOptions.h"
#include "fmeLanguages.h"
#include "fmeProblems.h"
#include "frmMain.h"
#include "uCellTips.h"
#include "uLanguageEdit.h"
#include "uProject.h"
#include "uStringGrid.h"

#include <functional>

#include <QAbstractItemModelTester>
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

namespace {

std::string Cp(const char* utf8) { return FromQString(QString::fromUtf8(utf8)); }

// Six items; CZ and EN shown, DE hidden. Items 1 and 4 lack their EN text.
QByteArray SampleProject()
{
    TResProject p;
    AddSampleLanguages(p);
    const char* const ids[] = {"sOpen", "sCancel", "sSave", "sCancelAll", "sClose", "sHidden"};
    const char* const cz[] = {"Otevřít", "Zrušit", "Uložit?", "Zrušit vše", "Zavřít", "Skryté"};
    const char* const en[] = {"Open", nullptr, "Save", "Cancel all", nullptr, "Hidden"};
    for (int i = 0; i < 6; ++i) {
        TResStringItem* s = p.Strings()->Add();
        s->SetTextId(ids[i]);
        TResStringConstItem* t = s->StringConsts()->Add();
        t->SetValue(Cp(cz[i]));
        t->SetLanguageId(0);
        if (en[i]) {
            TResStringConstItem* e = s->StringConsts()->Add();
            e->SetValue(en[i]);
            e->SetLanguageId(1);
        }
    }
    TResStringConstItem* de = p.Strings()->Items(5)->StringConsts()->Add();
    de->SetValue("Zurueck");
    de->SetLanguageId(2);
    return QByteArray::fromStdString(p.SaveToText());
}

} // namespace

class tFind : public QObject, TMainFormFixture {
    Q_OBJECT

    QAbstractItemModelTester* m_Tester = nullptr;

    TStringGridModel* Grid() { return m_Form->GridModel(); }
    QTableView* View() { return m_Form->ListView(); }
    QLineEdit* Filter() { return m_Form->findChild<QLineEdit*>(QStringLiteral("edFilter")); }
    TResStringList* Strings() { return m_Form->CurrentProject()->Strings(); }
    // The text IDs of the rows shown, top to bottom.
    QStringList Shown()
    {
        QStringList r;
        for (int row = 0; row < Grid()->rowCount(); ++row) r << Grid()->index(row, 1).data().toString();
        return r;
    }
    QString SelectedTextId()
    {
        return SelectedRow() < 0 ? QString() : Grid()->index(SelectedRow(), 1).data().toString();
    }
    void Type(const char* utf8)
    {
        Filter()->setText(QString::fromUtf8(utf8));
        m_Form->UpdateActions();
    }
    void Key(QWidget* w, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) { QTest::keyClick(w, key, mods); }
    // Opens the item editor with Enter on the grid, takes what read finds in
    // it, and cancels it; empty when the editor did not open.
    QString FromItemEditor(const std::function<QString(QWidget*)>& read)
    {
        QString found;
        const bool opened = ExecModal([&] { Key(View(), Qt::Key_Return); },
                                      [&](QWidget* d) {
                                          found = read(d);
                                          d->findChild<QPushButton*>(QStringLiteral("btnCancel"))->click();
                                      });
        return opened ? found : QString();
    }

private slots:
    void init()
    {
        StartForm();
        QVERIFY(QTest::qWaitForWindowExposed(m_Form));
        // The row-number column changes with every insert and delete, which the
        // tester takes for inconsistent data; that test checks the rows itself.
        m_Tester = nullptr;
        if (QLatin1String(QTest::currentTestFunction()) != QLatin1String("commandsActOnTheItemTheRowShows"))
            m_Tester = new QAbstractItemModelTester(m_Form->GridModel(),
                                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
        OpenProjectFile("sample.rpr", SampleProject());
    }

    void cleanup()
    {
        delete m_Tester;
        FinishForm();
    }

    void editMenuAndKeys()
    {
        auto* edit = m_Form->menuBar()->findChild<QMenu*>(QStringLiteral("miEdit"));
        QVERIFY(edit);
        QCOMPARE(edit->title(), QStringLiteral("&Edit"));
        QStringList captions;
        for (QAction* a : edit->actions()) captions << a->text() + u'|' + a->shortcut().toString();
        QCOMPARE(captions, (QStringList{"&Find...|Ctrl+F", "Next &Untranslated|Ctrl+J"}));
        QCOMPARE(Action("actFind")->shortcut(), QKeySequence(QStringLiteral("Ctrl+F")));
        QCOMPARE(Action("actNextUntranslated")->shortcut(), QKeySequence(QStringLiteral("Ctrl+J")));
        // The other menus keep their places around it.
        QStringList menus;
        for (QAction* a : m_Form->menuBar()->actions()) menus << a->text();
        QCOMPARE(menus.indexOf(QStringLiteral("&Edit")), menus.indexOf(QStringLiteral("&File")) + 1);

        // Ctrl+F shows and focuses the field, Escape hides it and clears it.
        QVERIFY(!Filter()->isVisible());
        View()->setFocus();
        Key(View(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(Filter()->isVisible());
        QVERIFY(Filter()->hasFocus());
        Type("zrus");
        QCOMPARE(Grid()->rowCount(), 2);
        Key(Filter(), Qt::Key_Escape);
        QVERIFY(!Filter()->isVisible());
        QCOMPARE(Filter()->text(), QString());
        QCOMPARE(Grid()->rowCount(), 6);

        // Without a project there is nothing to find.
        m_Prompts->Answers << TAnswer::No;
        Trigger("actCloseProject");
        QVERIFY(!Action("actFind")->isEnabled());
        QVERIFY(!Action("actNextUntranslated")->isEnabled());
    }

    void filterWithAndWithoutDiacritics()
    {
        Trigger("actFind");
        Type("zrusit");
        QCOMPARE(Shown(), (QStringList{"sCancel", "sCancelAll"}));
        // Row numbers stay the items' indexes.
        QCOMPARE(Grid()->index(1, 0).data().toString(), QStringLiteral("3"));
        Type("ZRUŠIT VŠE");
        QCOMPARE(Shown(), (QStringList{"sCancelAll"}));
        Type("zrušít"); // í is not i: nothing
        QCOMPARE(Shown(), QStringList());
        Type("cancel"); // text IDs and the EN texts
        QCOMPARE(Shown(), (QStringList{"sCancel", "sCancelAll"}));
        Type("zurueck"); // DE is not shown, so its texts are not searched
        QCOMPARE(Shown(), QStringList());
        Type("ж"); // not in the code page: not taken for the "?" of "Uložit?"
        QCOMPARE(Shown(), QStringList());
        Type("ulo");
        QCOMPARE(Shown(), (QStringList{"sSave"}));
        QCOMPARE(SelectedTextId(), QStringLiteral("sSave")); // the first row shown
    }

    void clearingKeepsTheSelectionOnTheItem()
    {
        Trigger("actFind");
        Type("zav");
        QCOMPARE(Shown(), (QStringList{"sClose"}));
        View()->selectRow(0);
        Type("");
        QCOMPARE(Grid()->rowCount(), 6);
        QCOMPARE(SelectedRow(), 4);
        QCOMPARE(View()->columnWidth(1), 160); // the columns keep their widths

        // Narrowing keeps the item where it stays shown.
        View()->selectRow(3);
        Type("zrus");
        QCOMPARE(SelectedTextId(), QStringLiteral("sCancelAll"));
        View()->setFocus();
        Key(View(), Qt::Key_Escape); // from the grid too
        QVERIFY(!Filter()->isVisible());
        QCOMPARE(SelectedRow(), 3);
    }

    void commandsActOnTheItemTheRowShows()
    {
        Trigger("actFind");
        Type("zrus"); // rows: sCancel (item 1), sCancelAll (item 3)
        View()->setFocus();

        // Down on the last shown row appends nothing.
        View()->selectRow(1);
        Key(View(), Qt::Key_Down);
        QCOMPARE(Strings()->Count(), 6);
        QCOMPARE(Grid()->rowCount(), 2);

        // Insert puts a new item before the row's item, in the list and the grid.
        View()->selectRow(1);
        Key(View(), Qt::Key_Insert);
        QCOMPARE(Strings()->Count(), 7);
        QCOMPARE(Strings()->Items(3)->TextId(), std::string());
        QCOMPARE(Strings()->Items(4)->TextId(), std::string("sCancelAll"));
        QCOMPARE(Shown(), (QStringList{"sCancel", "", "sCancelAll"}));
        QCOMPARE(Grid()->ItemIndex(2), 4);

        // Delete removes the row's item, asking first.
        View()->selectRow(2);
        m_Prompts->Answers << TAnswer::Yes;
        Key(View(), Qt::Key_Delete);
        QCOMPARE(m_Prompts->LastText(), QStringLiteral("Delete this item ?"));
        QCOMPARE(Strings()->Count(), 6);
        QVERIFY(!Strings()->FindByTextId("sCancelAll"));
        QVERIFY(Strings()->FindByTextId("sClose"));
        QCOMPARE(Shown(), (QStringList{"sCancel", ""}));

        // Enter edits the row's item.
        View()->selectRow(0);
        QCOMPARE(
            FromItemEditor([](QWidget* d) { return d->findChild<QLineEdit*>(QStringLiteral("edTextId"))->text(); }),
            QStringLiteral("sCancel"));

        // With the filter gone, Down on the last row appends again.
        Key(Filter(), Qt::Key_Escape);
        View()->selectRow(Grid()->rowCount() - 1);
        Key(View(), Qt::Key_Down);
        QCOMPARE(Strings()->Count(), 7);
    }

    void sortingUnderAFilterKeepsRowsOnTheirItems()
    {
        Trigger("actFind");
        Type("zrus");
        Strings()->Items(3)->SetNumberId(0); // kept, and sorted first
        Strings()->Items(3)->SetFixedId(true);
        Trigger("actProjectRenumberId");
        QCOMPARE(Shown(), (QStringList{"sCancelAll", "sCancel"}));
    }

    void problemListFindsItemsUnderAFilter()
    {
        auto* dock = m_Form->findChild<TProblemsDock*>();
        QVERIFY(dock);
        Trigger("actFind");
        Type("zrus"); // rows: item 1, item 3
        emit dock->ItemChosen(3);
        QCOMPARE(SelectedTextId(), QStringLiteral("sCancelAll"));
        emit dock->ItemChosen(4); // hidden by the filter: the filter goes
        QVERIFY(!Filter()->isVisible());
        QCOMPARE(SelectedTextId(), QStringLiteral("sClose"));
    }

    void nextUntranslatedWrapsRound()
    {
        // The rightmost column (EN): items 1 and 4 lack their text.
        View()->selectRow(0);
        Trigger("actNextUntranslated");
        QCOMPARE(SelectedRow(), 1);
        Trigger("actNextUntranslated");
        QCOMPARE(SelectedRow(), 4);
        Trigger("actNextUntranslated");
        QCOMPARE(SelectedRow(), 1); // round the end
        View()->setFocus();
        Key(View(), Qt::Key_J, Qt::ControlModifier);
        QCOMPARE(SelectedRow(), 4);
        // Enter edits the language that was searched, not the editor's own.
        QCOMPARE(FromItemEditor(
                     [](QWidget* d) { return d->findChild<QComboBox*>(QStringLiteral("cbReadWrite"))->currentText(); }),
                 QStringLiteral("EN"));

        // Under a filter only the rows shown are visited.
        Trigger("actFind");
        Type("za");
        QCOMPARE(Shown(), (QStringList{"sClose"}));
        Trigger("actNextUntranslated");
        QCOMPARE(SelectedRow(), 0);
        Key(Filter(), Qt::Key_Escape);

        // After editing, the language last edited counts: DE, where only the
        // last item has a text.
        View()->selectRow(5);
        QVERIFY(ExecModal([&] { Key(View(), Qt::Key_Return); },
                          [](QWidget* d) {
                              d->findChild<QComboBox*>(QStringLiteral("cbReadWrite"))->setCurrentIndex(2);
                              d->findChild<QPushButton*>(QStringLiteral("btnCancel"))->click();
                          }));
        Trigger("actNextUntranslated");
        QCOMPARE(SelectedRow(), 0);

        // Nothing left: the selection stays.
        for (int i = 0; i < Strings()->Count(); ++i) {
            TResStringConstItem* t = Strings()->Items(i)->StringConsts()->Add();
            t->SetLanguageId(2);
        }
        Trigger("actNextUntranslated");
        QCOMPARE(SelectedRow(), 0);
        // ... and the status bar says why nothing moved.
        QCOMPARE(m_Form->findChild<QLabel*>(QStringLiteral("StatusMessage"))->text(),
                 QStringLiteral("Every item shown has a text in DE"));
    }

    void missingTextsLookDifferentAndLongTextsGetTooltips()
    {
        const QModelIndex missing = Grid()->index(1, 5); // EN of sCancel
        const QModelIndex present = Grid()->index(0, 5);
        QCOMPARE(missing.data().toString(), QStringLiteral("<Not Translated>"));
        QVERIFY(missing.data(Qt::FontRole).value<QFont>().italic());
        QCOMPARE(missing.data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::gray));
        QVERIFY(!present.data(Qt::FontRole).isValid());
        QVERIFY(!present.data(Qt::ForegroundRole).isValid());
        QVERIFY(!Grid()->index(1, 1).data(Qt::FontRole).isValid()); // not a language column

        // An empty text is a text: no longer missing.
        Strings()->Items(1)->StringConsts()->Add()->SetLanguageId(1);
        QVERIFY(!missing.data(Qt::FontRole).isValid());

        auto* tips = qobject_cast<TCellTipDelegate*>(View()->itemDelegate());
        QVERIFY(tips);
        auto option = [&](const QModelIndex& i) {
            QStyleOptionViewItem o;
            o.initFrom(View());
            o.rect = View()->visualRect(i);
            o.widget = View();
            return o;
        };
        QCOMPARE(tips->ToolTipFor(option(present), present), QString()); // "Open" fits
        Strings()->Items(0)->StringConsts()->Items(1)->SetValue(std::string(60, 'W') + "<b>");
        QString tip = tips->ToolTipFor(option(present), present);
        QVERIFY(tip.contains(QString(60, u'W') + QStringLiteral("&lt;b&gt;")));
        Strings()->Items(0)->StringConsts()->Items(1)->SetValue("One\r\nTwo");
        tip = tips->ToolTipFor(option(present), present);
        QVERIFY(tip.contains(QStringLiteral("One\nTwo")));
    }

    void columnsFollowTheLanguagesPage()
    {
        const QStringList before{QString(), "Text ID", "Number ID", "Fixed ID", "CZ", "EN"};
        auto headers = [&] {
            QStringList r;
            for (int c = 0; c < Grid()->columnCount(); ++c)
                r << Grid()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
            return r;
        };
        QCOMPARE(headers(), before);
        // Remove CZ, rename EN to GB, show DE.
        QString question;
        QVERIFY(ExecModal([&] { Trigger("actProjectOptions"); },
                          [&](QWidget* d) {
                              auto* page = d->findChild<TLanguagesFrame*>();
                              page->SelectRow(0);
                              m_Prompts->Answers << TAnswer::Yes;
                              page->btnRemoveClick();
                              question = m_Prompts->LastText();
                              page->SelectRow(0);
                              auto* id = d->findChild<QLineEdit*>(QStringLiteral("edLanguageId"));
                              id->setText(QStringLiteral("GB"));
                              page->edLanguageIdExit();
                              page->SelectRow(1);
                              page->Edit()->Language(1)->SetVisible(true);
                              d->findChild<QPushButton*>(QStringLiteral("btnOk"))->click();
                          }));
        QCOMPARE(question, QStringLiteral("Remove the language CZ ? Its 6 texts are deleted with it."));
        QCOMPARE(headers(), (QStringList{QString(), "Text ID", "Number ID", "Fixed ID", "GB", "DE"}));
        QCOMPARE(Grid()->index(0, 4).data().toString(), QStringLiteral("Open"));
        QCOMPARE(Grid()->index(5, 5).data().toString(), QStringLiteral("Zurueck"));
        QVERIFY(m_Form->CurrentProject()->Modified());
        QCOMPARE(m_Form->CurrentProject()->Languages()->Count(), 2);
    }
};

QTEST_MAIN(tFind)
#include "tFind.moc"
