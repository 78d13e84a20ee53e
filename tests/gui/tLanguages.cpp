// The Languages page of the project options, and the item editor's language
// boxes and Next Untranslated.
#include "tScriptedPrompts.h"
#include "uQtText.h"

#include "dlgItemEdit.h"
#include "dlgPrjOptions.h"
#include "fmeLanguages.h"
#include "uLanguageEdit.h"
#include "uProject.h"

#include <QComboBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <QtTest>

#include <memory>

namespace {

// CZ, EN (source CZ), SK (source CZ); three items, the first two with texts.
std::unique_ptr<TResProject> MakeProject()
{
    auto p = std::make_unique<TResProject>();
    for (const char* id : {"CZ", "EN", "SK"}) p->Languages()->Add()->SetTextId(id);
    p->Languages()->Items(1)->SetSourceLanguageId(0);
    p->Languages()->Items(2)->SetSourceLanguageId(0);
    for (int i = 0; i < 3; ++i) {
        TResStringItem* s = p->Strings()->Add();
        s->SetTextId("s" + std::to_string(i));
    }
    for (int i = 0; i < 2; ++i)
        for (int32_t l : {0, 2}) {
            TResStringConstItem* t = p->Strings()->Items(i)->StringConsts()->Add();
            t->SetValue("text " + std::to_string(i) + "/" + std::to_string(l));
            t->SetLanguageId(l);
        }
    p->SetModified(false);
    return p;
}

template <class T> T* Child(QWidget* w, const char* name)
{
    T* child = w->findChild<T*>(QString::fromLatin1(name));
    if (!child) qFatal("no child %s", name);
    return child;
}

QStringList Column(QTableView* list, int column)
{
    QStringList r;
    const QAbstractItemModel* m = list->model();
    for (int row = 0; row < m->rowCount(); ++row) r << m->index(row, column).data().toString();
    return r;
}

// Types text into a widget key by key, as a keyboard layout with those
// characters would.
void Type(QWidget* w, const QString& text)
{
    for (QChar c : text) QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

} // namespace

class tLanguages : public QObject {
    Q_OBJECT

    TScriptedPrompts* m_Prompts = nullptr;

    // Opens the options dialog; act runs while it is shown and only acts and
    // records, the checks come after; the dialog is cancelled unless act
    // closed it. True when it closed with OK.
    bool Options(TPrjOptionsDialog& dialog, TResProject& p, const std::function<void(QWidget*, TLanguagesFrame*)>& act)
    {
        bool ok = false;
        if (!ExecModal([&] { ok = dialog.Execute(p); }, [&](QWidget* d) { act(d, d->findChild<TLanguagesFrame*>()); }))
            qFatal("the dialog did not show");
        return ok;
    }

private slots:
    void init() { m_Prompts = new TScriptedPrompts; }
    void cleanup()
    {
        QCOMPARE(m_Prompts->Unexpected, 0);
        delete m_Prompts;
    }

    void pageListsTheLanguages()
    {
        auto p = MakeProject();
        p->Languages()->Items(1)->SetVisible(true);
        p->Languages()->Items(1)->SetResFileName("english.pas");
        p->SetModified(false);
        TPrjOptionsDialog dialog(*m_Prompts);
        bool enabled = false, downOnSecond = false, upOnFirst = true;
        QList<QStringList> columns;
        QStringList offered;
        QString current;
        QVERIFY(!Options(dialog, *p, [&](QWidget* d, TLanguagesFrame* page) {
            enabled = page && page->isEnabled();
            auto* list = Child<QTableView>(d, "lvLanguages");
            for (int c = 0; c < 4; ++c) columns << Column(list, c);
            page->SelectRow(1);
            auto* source = Child<QComboBox>(d, "cbSource");
            for (int i = 0; i < source->count(); ++i) offered << source->itemText(i);
            current = source->currentText();
            downOnSecond = Child<QPushButton>(d, "btnDown")->isEnabled();
            page->SelectRow(0);
            upOnFirst = Child<QPushButton>(d, "btnUp")->isEnabled();
        }));
        QVERIFY(enabled);
        QCOMPARE(columns.value(0), (QStringList{"CZ", "EN", "SK"}));
        QCOMPARE(columns.value(1), (QStringList{"", "CZ", "CZ"}));
        QCOMPARE(columns.value(2), (QStringList{"ResStrCZ.pas", "english.pas", "ResStrSK.pas"}));
        QCOMPARE(columns.value(3), (QStringList{"No", "Yes", "No"}));
        // The source list offers the other languages, or none.
        QCOMPARE(offered, (QStringList{"(none)", "CZ", "SK"}));
        QCOMPARE(current, QStringLiteral("CZ"));
        QVERIFY(downOnSecond);
        QVERIFY(!upOnFirst);
    }

    // The list answers only the navigation keys: Tab leaves it for the next
    // control and a typed letter does not jump to a language.
    void listIgnoresTabAndTyping()
    {
        auto p = MakeProject();
        TPrjOptionsDialog dialog(*m_Prompts);
        int row = -1;
        QWidget* focus = nullptr;
        QTableView* list = nullptr;
        QVERIFY(ExecModal([&] { dialog.Execute(*p); },
                          [&](QWidget* d) {
                              list = Child<QTableView>(d, "lvLanguages");
                              auto* page = d->findChild<TLanguagesFrame*>();
                              page->SelectRow(0);
                              list->setFocus();
                              QTest::keyClicks(list, QStringLiteral("s"));
                              QTest::keyClick(list, Qt::Key_Tab);
                              row = page->SelectedRow();
                              focus = QApplication::focusWidget();
                          }));
        QCOMPARE(row, 0);
        QVERIFY(focus != list);
    }

    void refusalsShowTheModelsMessages()
    {
        auto p = MakeProject();
        TPrjOptionsDialog dialog(*m_Prompts);
        QList<int> rowCounts;
        QString idAfterRename, sourceAfterLoop;
        QStringList sources;
        QVERIFY(!Options(dialog, *p, [&](QWidget* d, TLanguagesFrame* page) {
            auto* list = Child<QTableView>(d, "lvLanguages");
            // Add asks for the ID; a duplicate or a non-identifier is refused;
            // a cancelled question adds nothing.
            for (const char* bad : {"en", "1X", ""}) {
                page->AskLanguageId = [bad](QString& id) {
                    id = QString::fromLatin1(bad);
                    return *bad != 0;
                };
                Child<QPushButton>(d, "btnAdd")->click();
                rowCounts << list->model()->rowCount();
            }
            // Renaming to another language's ID.
            page->SelectRow(0);
            auto* id = Child<QLineEdit>(d, "edLanguageId");
            id->setText(QStringLiteral("sk"));
            QTest::keyClick(id, Qt::Key_Return);
            idAfterRename = id->text();
            // A source chain that would come back.
            auto* source = Child<QComboBox>(d, "cbSource");
            source->setCurrentIndex(source->findText(QStringLiteral("SK")));
            emit source->activated(source->currentIndex());
            sourceAfterLoop = source->currentText();
            sources = Column(list, 1);
        }));
        QCOMPARE(rowCounts, (QList<int>{3, 3, 3}));
        QCOMPARE(m_Prompts->Errors(),
                 (QStringList{"Duplicate language Id.", "Invalid language identifier.", "Duplicate language Id.",
                              "CZ would fall back to itself through SK."}));
        QCOMPARE(idAfterRename, QStringLiteral("CZ")); // refused: the field goes back
        QCOMPARE(sourceAfterLoop, QStringLiteral("(none)"));
        QCOMPARE(sources, (QStringList{"", "CZ", "CZ"}));
        QVERIFY(!p->Modified());
        QCOMPARE(p->Languages()->Items(0)->SourceLanguageId(), -1);
    }

    // A unit file name with a character that the code page lacks: the user
    // hears which, once, and Cancel takes it out of the field.
    void unitFileNameWarnsAboutUnstorableCharacters()
    {
        auto p = MakeProject();
        TPrjOptionsDialog dialog(*m_Prompts);
        QString afterCancel;
        std::string stored;
        m_Prompts->Answers << TAnswer::Cancel << TAnswer::OK;
        QVERIFY(ExecModal([&] { dialog.Execute(*p); },
                          [&](QWidget* d) {
                              auto* page = d->findChild<TLanguagesFrame*>();
                              page->SelectRow(0);
                              auto* field = Child<QLineEdit>(d, "edResFileName");
                              field->setFocus();
                              field->end(false);
                              Type(field, QString::fromUtf8("\u2192"));
                              afterCancel = field->text();
                              field->end(false);
                              Type(field, QString::fromUtf8("\u2192x\u2192"));
                              stored = page->Edit()->Language(0)->ResFileName();
                          }));
        QCOMPARE(afterCancel, QStringLiteral("ResStrCZ.pas"));
        QCOMPARE(stored, std::string("ResStrCZ.pas?x?"));
        const QString warning = QString::fromUtf8(
            "The text contains characters that Windows-1250 cannot store: \u2192 (U+2192). They will be saved as ?.");
        QCOMPARE(m_Prompts->Log.size(), 2);
        for (const TPromptRequest& q : m_Prompts->Log) {
            QCOMPARE(q.Text, warning);
            QCOMPARE(q.Buttons, TButtons::OKCancel);
        }
        QVERIFY(!p->Modified()); // cancelled: nothing applied
    }

    void cancelLeavesTheProjectAsItWas()
    {
        auto p = MakeProject();
        const std::string before = p->SaveToText();
        const TResLanguageList* list = p->Languages();
        TPrjOptionsDialog dialog(*m_Prompts);
        QStringList ids;
        QVERIFY(!Options(dialog, *p, [&](QWidget* d, TLanguagesFrame* page) {
            page->SelectRow(0);
            m_Prompts->Answers << TAnswer::Yes;
            Child<QPushButton>(d, "btnRemove")->click();
            page->AskLanguageId = [](QString& id) {
                id = QStringLiteral("DE");
                return true;
            };
            Child<QPushButton>(d, "btnAdd")->click();
            page->SelectRow(0);
            Child<QPushButton>(d, "btnDown")->click();
            Child<QLineEdit>(d, "edResFileName")->setText(QStringLiteral("x.pas"));
            page->edResFileNameChange();
            ids = Column(Child<QTableView>(d, "lvLanguages"), 0);
        }));
        QCOMPARE(m_Prompts->LastText(), QStringLiteral("Remove the language CZ ? Its 2 texts are deleted with it."));
        QCOMPARE(ids, (QStringList{"SK", "EN", "DE"}));
        QCOMPARE(p->SaveToText(), before); // texts included
        QCOMPARE(p->Languages(), list);
        QVERIFY(!p->Modified());

        // Answering No to the question removes nothing; reopening starts afresh.
        int count = 0;
        QVERIFY(!Options(dialog, *p, [&](QWidget* d, TLanguagesFrame* page) {
            ids = Column(Child<QTableView>(d, "lvLanguages"), 0);
            page->SelectRow(1);
            m_Prompts->Answers << TAnswer::No;
            Child<QPushButton>(d, "btnRemove")->click();
            count = page->Edit()->Count();
        }));
        QCOMPARE(ids, (QStringList{"CZ", "EN", "SK"}));
        QCOMPARE(m_Prompts->LastText(), QStringLiteral("Remove the language EN ? It has no texts."));
        QCOMPARE(count, 3);
    }

    void okAppliesEverything()
    {
        auto p = MakeProject();
        TPrjOptionsDialog dialog(*m_Prompts);
        int added = -1;
        QString unitFile;
        QVERIFY(Options(dialog, *p, [&](QWidget* d, TLanguagesFrame* page) {
            page->SelectRow(2);
            m_Prompts->Answers << TAnswer::Yes;
            page->btnRemoveClick(); // SK and its two texts
            page->AskLanguageId = [](QString& id) {
                id = QStringLiteral("PL");
                return true;
            };
            page->btnAddClick();
            added = page->SelectedRow();
            unitFile = Child<QLineEdit>(d, "edResFileName")->text();
            auto* source = Child<QComboBox>(d, "cbSource");
            source->setCurrentIndex(source->findText(QStringLiteral("EN")));
            emit source->activated(source->currentIndex());
            Child<QPushButton>(d, "btnUp")->click(); // CZ, PL, EN
            Child<QPushButton>(d, "btnOk")->click();
        }));
        QCOMPARE(added, 2);
        QCOMPARE(unitFile, QStringLiteral("ResStrPL.pas"));
        QVERIFY(p->Modified());
        const TResLanguageList& l = *p->Languages();
        QCOMPARE(l.Count(), 3);
        QCOMPARE(QString::fromStdString(l.Items(1)->TextId()), QStringLiteral("PL"));
        QVERIFY(l.Items(1)->Visible());
        QCOMPARE(l.Items(1)->SourceLanguage(), l.Items(2));
        QCOMPARE(l.Items(2)->SourceLanguage(), l.Items(0));
        for (int i = 0; i < 2; ++i) {
            const TResStringConstList& texts = *p->Strings()->Items(i)->StringConsts();
            QCOMPARE(texts.Count(), 1);
            QCOMPARE(texts.Items(0)->Language(), l.Items(0));
        }
        QCOMPARE(dialog.LanguageIdMap(), (std::vector<int32_t>{0, 2, -1}));
    }

    void editorLabelsReferenceAndNextUntranslated()
    {
        auto p = MakeProject(); // texts: items 0 and 1 in CZ and SK
        TItemEditDialog editor(*m_Prompts);
        QStringList seen; // labels, then language boxes and the reference text as they change
        QList<int> steps; // the item shown after each step
        QVERIFY(ExecModal([&] { editor.Execute(*p, 0); },
                          [&](QWidget* d) {
                              seen << Child<QLabel>(d, "lblReadWrite")->text()
                                   << Child<QLabel>(d, "lblReadOnly")->text();
                              auto* rw = Child<QComboBox>(d, "cbReadWrite");
                              auto* ro = Child<QComboBox>(d, "cbReadOnly");
                              seen << rw->currentText() << ro->currentText();
                              rw->setCurrentIndex(2);
                              seen << ro->currentText() << Child<QPlainTextEdit>(d, "mmReadOnly")->toPlainText();
                              // Next Untranslated in SK, then in EN by Ctrl+J.
                              Child<QToolButton>(d, "btnNextUntranslated")->click();
                              steps << editor.ItemIndex();
                              seen << Child<QLabel>(d, "lblIndex")->text();
                              rw->setCurrentIndex(1);
                              QTest::keyClick(Child<QPlainTextEdit>(d, "mmReadWrite"), Qt::Key_J, Qt::ControlModifier);
                              steps << editor.ItemIndex();
                              // The user picks a reference; it stays.
                              ro->setCurrentIndex(1);
                              emit ro->activated(1);
                              rw->setCurrentIndex(2);
                              seen << ro->currentText();
                              Child<QPushButton>(d, "btnCancel")->click();
                          }));
        // The boxes are labelled; CZ has no source, so CZ is its reference;
        // SK falls back to CZ: CZ becomes the reference.
        QCOMPARE(seen, (QStringList{"Edit:", "Reference:", "CZ", "CZ", "CZ", "text 0/0", "3", "EN"}));
        // In SK item 2 lacks its text; in EN nothing has one: Ctrl+J goes on,
        // wrapping round.
        QCOMPARE(steps, (QList<int>{2, 0}));
        // Stepping stored the item left: item 2 has its EN text now, and the
        // SK text typed nowhere was not made up.
        QVERIFY(p->Strings()->Items(2)->StringConsts()->FindByLanguage(p->Languages()->Items(1)));
        QVERIFY(!p->Strings()->Items(2)->StringConsts()->FindByLanguage(p->Languages()->Items(2)));

        // All translated: the step is refused and the item stays.
        p->Strings()->Items(2)->StringConsts()->Add()->SetLanguageId(2);
        bool stepped = true;
        int stayed = -1;
        QVERIFY(ExecModal([&] { editor.Execute(*p, 1); },
                          [&](QWidget* d) {
                              Child<QComboBox>(d, "cbReadWrite")->setCurrentIndex(2);
                              stepped = editor.btnNextUntranslatedClick();
                              stayed = editor.ItemIndex();
                              Child<QPushButton>(d, "btnCancel")->click();
                          }));
        QVERIFY(!stepped);
        QCOMPARE(stayed, 1);
    }
};

QTEST_MAIN(tLanguages)
#include "tLanguages.moc"
