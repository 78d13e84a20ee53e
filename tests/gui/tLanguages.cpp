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

    // Opens the options dialog on the Languages page; body runs while it is
    // shown; the dialog is cancelled unless body closed it.
    bool Options(TPrjOptionsDialog& dialog, TResProject& p, std::function<void(QWidget*, TLanguagesFrame*)> body)
    {
        bool ran = false;
        WhenModal([&](QWidget* d) {
            ran = true;
            body(d, d->findChild<TLanguagesFrame*>());
            if (d->isVisible()) Child<QPushButton>(d, "btnCancel")->click();
        });
        const bool ok = dialog.Execute(p);
        if (!ran) qFatal("the dialog did not show");
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
        QVERIFY(!Options(dialog, *p, [](QWidget* d, TLanguagesFrame* page) {
            auto* list = Child<QTableView>(d, "lvLanguages");
            QVERIFY(page);
            QVERIFY(page->isEnabled());
            QCOMPARE(Column(list, 0), (QStringList{"CZ", "EN", "SK"}));
            QCOMPARE(Column(list, 1), (QStringList{"", "CZ", "CZ"}));
            QCOMPARE(Column(list, 2), (QStringList{"ResStrCZ.pas", "english.pas", "ResStrSK.pas"}));
            QCOMPARE(Column(list, 3), (QStringList{"No", "Yes", "No"}));
            // The source list offers the other languages, or none.
            page->SelectRow(1);
            auto* source = Child<QComboBox>(d, "cbSource");
            QStringList offered;
            for (int i = 0; i < source->count(); ++i) offered << source->itemText(i);
            QCOMPARE(offered, (QStringList{"(none)", "CZ", "SK"}));
            QCOMPARE(source->currentText(), QStringLiteral("CZ"));
            QVERIFY(Child<QPushButton>(d, "btnDown")->isEnabled());
            page->SelectRow(0);
            QVERIFY(!Child<QPushButton>(d, "btnUp")->isEnabled());
        }));
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
        QVERIFY(!Options(dialog, *p, [&](QWidget* d, TLanguagesFrame* page) {
            auto* list = Child<QTableView>(d, "lvLanguages");
            // Add asks for the ID; a duplicate or a non-identifier is refused.
            for (const char* bad : {"en", "1X"}) {
                page->AskLanguageId = [bad](QString& id) {
                    id = QString::fromLatin1(bad);
                    return true;
                };
                Child<QPushButton>(d, "btnAdd")->click();
                QCOMPARE(list->model()->rowCount(), 3);
            }
            QCOMPARE(m_Prompts->Errors(), (QStringList{"Duplicate language Id.", "Invalid language identifier."}));
            page->AskLanguageId = [](QString&) { return false; }; // cancelled
            Child<QPushButton>(d, "btnAdd")->click();
            QCOMPARE(list->model()->rowCount(), 3);

            // Renaming to another language's ID: refused, the field goes back.
            page->SelectRow(0);
            auto* id = Child<QLineEdit>(d, "edLanguageId");
            id->setText(QStringLiteral("sk"));
            QTest::keyClick(id, Qt::Key_Return);
            QCOMPARE(m_Prompts->Errors().back(), QStringLiteral("Duplicate language Id."));
            QCOMPARE(id->text(), QStringLiteral("CZ"));

            // A source chain that would come back.
            auto* source = Child<QComboBox>(d, "cbSource");
            source->setCurrentIndex(source->findText(QStringLiteral("SK")));
            emit source->activated(source->currentIndex());
            QCOMPARE(m_Prompts->Errors().back(), QStringLiteral("CZ would fall back to itself through SK."));
            QCOMPARE(source->currentText(), QStringLiteral("(none)"));
            QCOMPARE(Column(list, 1), (QStringList{"", "CZ", "CZ"}));
        }));
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
        QVERIFY(!Options(dialog, *p, [&](QWidget* d, TLanguagesFrame* page) {
            page->SelectRow(0);
            m_Prompts->Answers << TAnswer::Yes;
            Child<QPushButton>(d, "btnRemove")->click();
            QCOMPARE(m_Prompts->LastText(),
                     QStringLiteral("Remove the language CZ ? Its 2 texts are deleted with it."));
            page->AskLanguageId = [](QString& id) {
                id = QStringLiteral("DE");
                return true;
            };
            Child<QPushButton>(d, "btnAdd")->click();
            page->SelectRow(0);
            Child<QPushButton>(d, "btnDown")->click();
            Child<QLineEdit>(d, "edResFileName")->setText(QStringLiteral("x.pas"));
            page->edResFileNameChange();
            QCOMPARE(Column(Child<QTableView>(d, "lvLanguages"), 0), (QStringList{"SK", "EN", "DE"}));
        }));
        QCOMPARE(p->SaveToText(), before); // texts included
        QCOMPARE(p->Languages(), list);
        QVERIFY(!p->Modified());

        // Answering No to the question removes nothing; reopening starts afresh.
        QVERIFY(!Options(dialog, *p, [&](QWidget* d, TLanguagesFrame* page) {
            QCOMPARE(Column(Child<QTableView>(d, "lvLanguages"), 0), (QStringList{"CZ", "EN", "SK"}));
            page->SelectRow(1);
            m_Prompts->Answers << TAnswer::No;
            Child<QPushButton>(d, "btnRemove")->click();
            QCOMPARE(m_Prompts->LastText(), QStringLiteral("Remove the language EN ? It has no texts."));
            QCOMPARE(page->Edit()->Count(), 3);
        }));
    }

    void okAppliesEverything()
    {
        auto p = MakeProject();
        TPrjOptionsDialog dialog(*m_Prompts);
        QVERIFY(Options(dialog, *p, [&](QWidget* d, TLanguagesFrame* page) {
            page->SelectRow(2);
            m_Prompts->Answers << TAnswer::Yes;
            page->btnRemoveClick(); // SK and its two texts
            page->AskLanguageId = [](QString& id) {
                id = QStringLiteral("PL");
                return true;
            };
            page->btnAddClick();
            QCOMPARE(page->SelectedRow(), 2);
            QCOMPARE(Child<QLineEdit>(d, "edResFileName")->text(), QStringLiteral("ResStrPL.pas"));
            auto* source = Child<QComboBox>(d, "cbSource");
            source->setCurrentIndex(source->findText(QStringLiteral("EN")));
            emit source->activated(source->currentIndex());
            Child<QPushButton>(d, "btnUp")->click(); // CZ, PL, EN
            Child<QPushButton>(d, "btnOk")->click();
        }));
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
        WhenModal([&](QWidget* d) {
            QCOMPARE(Child<QLabel>(d, "lblReadWrite")->text(), QStringLiteral("Edit:"));
            QCOMPARE(Child<QLabel>(d, "lblReadOnly")->text(), QStringLiteral("Reference:"));
            auto* rw = Child<QComboBox>(d, "cbReadWrite");
            auto* ro = Child<QComboBox>(d, "cbReadOnly");
            QCOMPARE(rw->currentText(), QStringLiteral("CZ"));
            QCOMPARE(ro->currentText(), QStringLiteral("CZ")); // CZ has no source
            // SK falls back to CZ: CZ becomes the reference.
            rw->setCurrentIndex(2);
            QCOMPARE(ro->currentText(), QStringLiteral("CZ"));
            QCOMPARE(Child<QPlainTextEdit>(d, "mmReadOnly")->toPlainText(), QStringLiteral("text 0/0"));

            // Next Untranslated in SK: item 2, then nothing is left.
            auto* next = Child<QToolButton>(d, "btnNextUntranslated");
            next->click();
            QCOMPARE(editor.ItemIndex(), 2);
            QCOMPARE(Child<QLabel>(d, "lblIndex")->text(), QStringLiteral("3"));
            // In EN nothing has a text: Ctrl+J goes on, wrapping round.
            rw->setCurrentIndex(1);
            QTest::keyClick(Child<QPlainTextEdit>(d, "mmReadWrite"), Qt::Key_J, Qt::ControlModifier);
            QCOMPARE(editor.ItemIndex(), 0);
            // Once the user picks a reference, it stays.
            ro->setCurrentIndex(1);
            emit ro->activated(1);
            rw->setCurrentIndex(2);
            QCOMPARE(ro->currentText(), QStringLiteral("EN"));
            Child<QPushButton>(d, "btnCancel")->click();
        });
        editor.Execute(*p, 0);
        // Stepping stored the item left: item 2 has its EN text now, and the
        // SK text typed nowhere was not made up.
        QVERIFY(p->Strings()->Items(2)->StringConsts()->FindByLanguage(p->Languages()->Items(1)));
        QVERIFY(!p->Strings()->Items(2)->StringConsts()->FindByLanguage(p->Languages()->Items(2)));

        // All translated: the step is refused and the item stays.
        p->Strings()->Items(2)->StringConsts()->Add()->SetLanguageId(2);
        WhenModal([&](QWidget* d) {
            Child<QComboBox>(d, "cbReadWrite")->setCurrentIndex(2);
            QVERIFY(!editor.btnNextUntranslatedClick());
            QCOMPARE(editor.ItemIndex(), 1);
            Child<QPushButton>(d, "btnCancel")->click();
        });
        editor.Execute(*p, 1);
    }
};

QTEST_MAIN(tLanguages)
#include "tLanguages.moc"
