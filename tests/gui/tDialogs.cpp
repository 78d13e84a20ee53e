// The dialogs driven through their widgets: item editor, project options,
// language chooser, about box.
#include "tScriptedPrompts.h"

#include "dlgChooseLang.h"
#include "dlgItemEdit.h"
#include "dlgPrjOptions.h"
#include "fmeLang.h"
#include "frmAbout.h"
#include "uErrors.h"
#include "uImages.h"
#include "uProject.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <QtTest>

#include <memory>

namespace {

std::unique_ptr<TResProject> MakeProject(std::initializer_list<const char*> languages)
{
    auto p = std::make_unique<TResProject>();
    for (const char* id : languages) p->Languages()->Add()->SetTextId(id);
    const char* ids[] = {"sOne", "sTwo", "sThree"};
    for (int i = 0; i < 3; ++i) {
        TResStringItem* s = p->Strings()->Add();
        s->SetTextId(ids[i]);
        s->SetNumberId(i + 1);
    }
    TResStringConstItem* cz = p->Strings()->Items(0)->StringConsts()->Add();
    cz->SetValue("Jedna\r\nradky");
    cz->SetLanguageId(0);
    TResStringConstItem* en = p->Strings()->Items(0)->StringConsts()->Add();
    en->SetValue("One");
    en->SetLanguageId(1);
    p->SetModified(false);
    return p;
}

// Prompts whose folder chooser fails: a handler that calls it must report the
// error instead of letting it out of the slot.
class TFailingFolderPrompts : public TScriptedPrompts {
public:
    bool ChooseFolder(const QString&, QString&) override { throw Exception("Folder chooser failed"); }
};

template <class T> T* Child(QWidget* w, const char* name)
{
    T* child = w->findChild<T*>(QString::fromLatin1(name));
    if (!child) qFatal("no child %s", name);
    return child;
}

} // namespace

class tDialogs : public QObject {
    Q_OBJECT

    TScriptedPrompts* m_Prompts = nullptr;
    TItemEditDialog* m_Editor = nullptr;

    // Opens the editor on an item; act runs while it is shown (acts and
    // records); the dialog is closed afterwards if act left it open.
    void Edit(TResProject& p, int index, const std::function<void(QWidget*)>& act)
    {
        QVERIFY(ExecModal([&] { m_Editor->Execute(p, index); }, act));
    }

private slots:
    void init()
    {
        m_Prompts = new TScriptedPrompts;
        m_Editor = new TItemEditDialog(*m_Prompts);
    }
    void cleanup()
    {
        QCOMPARE(m_Prompts->Unexpected, 0);
        delete m_Editor;
        delete m_Prompts;
    }

    void editorRemembersLanguagesAcrossOpeningsAndProjects()
    {
        auto p = MakeProject({"CZ", "EN", "DE"});
        QStringList seen;
        bool readOnly = false, standardShown = true;
        Edit(*p, 0, [&](QWidget* d) {
            seen << d->windowTitle() << Child<QComboBox>(d, "cbReadWrite")->currentText()
                 << Child<QComboBox>(d, "cbReadOnly")->currentText()
                 << Child<QPlainTextEdit>(d, "mmReadWrite")->toPlainText() << Child<QLabel>(d, "lblIndex")->text();
            readOnly = Child<QPlainTextEdit>(d, "mmReadOnly")->isReadOnly();
            standardShown = Child<QCheckBox>(d, "chbStandard")->isVisible();
            Child<QComboBox>(d, "cbReadWrite")->setCurrentIndex(1);
        });
        QCOMPARE(seen, (QStringList{"Item Editor", "CZ", "CZ", "Jedna\nradky", "1"}));
        QVERIFY(readOnly);
        QVERIFY(!standardShown);
        QCOMPARE(m_Editor->ReadWriteLanguageId(), QStringLiteral("EN"));
        seen.clear();
        Edit(*p, 0, [&](QWidget* d) {
            seen << Child<QComboBox>(d, "cbReadWrite")->currentText()
                 << Child<QPlainTextEdit>(d, "mmReadWrite")->toPlainText();
        });
        QCOMPARE(seen, (QStringList{"EN", "One"}));
        auto other = MakeProject({"PL", "SK"});
        seen.clear();
        Edit(*other, 1, [&](QWidget* d) { seen << Child<QComboBox>(d, "cbReadWrite")->currentText(); });
        QCOMPARE(seen, QStringList{"PL"});
        QCOMPARE(m_Editor->ReadWriteLanguageId(), QStringLiteral("PL"));
        QVERIFY(!p->Modified());

        TResProject empty;
        empty.Strings()->Add();
        try {
            m_Editor->Execute(empty, 0);
            QFAIL("a project without languages cannot be edited");
        } catch (const EListError& e) {
            QCOMPARE(QString::fromStdString(e.what()), QStringLiteral("List index out of bounds (0)"));
        }
    }

    void applyValidatesTrimsAndStores()
    {
        auto p = MakeProject({"CZ", "EN"});
        // Each refusal: the message and whether the focus went to the field.
        QList<QPair<QString, bool>> refusals;
        QString trimmed;
        bool stillOpen = false;
        Edit(*p, 1, [&](QWidget* d) {
            auto* textId = Child<QLineEdit>(d, "edTextId");
            auto* number = Child<QLineEdit>(d, "edNumberId");
            auto* apply = Child<QPushButton>(d, "btnApply");
            auto refused = [&](QWidget* field) {
                m_Prompts->Answers << TAnswer::OK;
                apply->click();
                refusals.append(
                    {m_Prompts->Log.back().Caption + u':' + m_Prompts->Log.back().Text, d->focusWidget() == field});
            };
            for (const char* bad : {"", "1abc", "a b"}) {
                textId->setText(QString::fromLatin1(bad));
                refused(textId);
            }
            textId->setText(QStringLiteral("_a1"));
            for (const char* bad : {"", "12 ", "1e3"}) {
                number->setText(QString::fromLatin1(bad));
                refused(number);
            }
            number->setText(QStringLiteral("2"));
            textId->setText(QStringLiteral("SONE"));
            refused(textId);
            textId->setText(QStringLiteral("  abc\t "));
            number->setText(QStringLiteral("3"));
            refused(number);
            refusals.append({QString::fromStdString(p->Strings()->Items(1)->TextId()), true}); // nothing stored yet

            for (const char* good : {"12", " 12", "-3", "$1F", "0x1f"}) {
                number->setText(QString::fromLatin1(good));
                apply->click();
            }
            trimmed = textId->text();
            stillOpen = d->isVisible();
        });
        const QString invalidText = QStringLiteral("Error:Invalid text identifier.");
        const QString invalidNumber = QStringLiteral("Error:Invalid number identifier.");
        // The holder of number 3 is the third item: the editor shows it as 3.
        const QList<QPair<QString, bool>> expected = {
            {invalidText, true},
            {invalidText, true},
            {invalidText, true},
            {invalidNumber, true},
            {invalidNumber, true},
            {invalidNumber, true},
            {QStringLiteral("Error:Duplicate text identifier."), true},
            {QStringLiteral("Error:Duplicate number identifier: 3 is already used by item sThree (row 3)."), true},
            {QStringLiteral("sTwo"), true}};
        QCOMPARE(refusals, expected);
        QCOMPARE(trimmed, QStringLiteral("abc"));
        QVERIFY(stillOpen);
        QCOMPARE(p->Strings()->Items(1)->NumberId(), 31);
        QVERIFY(p->Modified());
        QCOMPARE(p->Strings()->Items(1)->TextId(), std::string("abc")); // Apply, then Cancel: kept
    }

    void charactersTheCodePageLacksAreNamedBeforeStoring()
    {
        auto p = MakeProject({"CZ", "EN"});
        const QString warning = QString::fromUtf8(
            "The text contains characters that Windows-1250 cannot store: "
            "\u2192 (U+2192), \u0416 (U+0416). They will be saved as ?.");
        Edit(*p, 1, [&](QWidget* d) {
            auto* text = Child<QPlainTextEdit>(d, "mmReadWrite");
            text->setPlainText(QString::fromUtf8("Zru\u0161it \u2192 \u0416"));
            m_Prompts->Answers << TAnswer::Cancel; // back to the text
            Child<QPushButton>(d, "btnApply")->click();
            QCOMPARE(m_Prompts->Log.back().Caption, QStringLiteral("Warning"));
            QCOMPARE(m_Prompts->Log.back().Text, warning);
            QCOMPARE(m_Prompts->Log.back().Buttons, TButtons::OKCancel);
            QCOMPARE(d->focusWidget(), text);
            QVERIFY(!p->Strings()->Items(1)->StringConsts()->FindByLanguage(p->Languages()->Items(0)));
            QVERIFY(!p->Modified());
            // The same refusal keeps the dialog open on OK and on the arrows.
            m_Prompts->Answers << TAnswer::Cancel << TAnswer::Cancel;
            Child<QPushButton>(d, "btnOk")->click();
            QVERIFY(d->isVisible());
            QVERIFY(!m_Editor->UpDownChangingEx(2));
            QCOMPARE(Child<QLabel>(d, "lblIndex")->text(), QStringLiteral("2"));
            m_Prompts->Answers << TAnswer::OK; // store them as "?"
            Child<QPushButton>(d, "btnApply")->click();
        });
        const TResStringConstItem* stored =
            p->Strings()->Items(1)->StringConsts()->FindByLanguage(p->Languages()->Items(0));
        QVERIFY(stored);
        QCOMPARE(stored->Value(), std::string("Zru\x9Ait ? ?"));
        QCOMPARE(m_Prompts->Log.size(), 4);
    }

    void okValidatesLikeApply()
    {
        auto p = MakeProject({"CZ", "EN"});
        bool openAfterRefusal = false, openAfterEnter = true;
        QString message;
        Edit(*p, 2, [&](QWidget* d) {
            Child<QLineEdit>(d, "edTextId")->setText(QStringLiteral("stwo"));
            m_Prompts->Answers << TAnswer::OK;
            Child<QPushButton>(d, "btnOk")->click();
            openAfterRefusal = d->isVisible();
            message = m_Prompts->LastText();
            Child<QLineEdit>(d, "edTextId")->setText(QStringLiteral(" sNew "));
            Child<QPlainTextEdit>(d, "mmReadWrite")->setPlainText(QStringLiteral("a\nb"));
            Child<QCheckBox>(d, "chbFixedId")->setChecked(true);
            QTest::keyClick(Child<QLineEdit>(d, "edTextId"), Qt::Key_Return); // OK is the default button
            openAfterEnter = d->isVisible();
        });
        QVERIFY(openAfterRefusal);
        QCOMPARE(message, QStringLiteral("Duplicate text identifier."));
        QVERIFY(!openAfterEnter);
        const TResStringItem* item = p->Strings()->Items(2);
        QCOMPARE(item->TextId(), std::string("sNew"));
        QVERIFY(item->FixedId());
        QCOMPARE(item->StringConsts()->FindByLanguage(p->Languages()->Items(0))->Value(), std::string("a\r\nb"));
    }

    // Enter on a focused button presses that button, not the default OK.
    void enterPressesTheFocusedButton()
    {
        auto p = MakeProject({"CZ", "EN"});
        bool open = false;
        Edit(*p, 0, [&](QWidget* d) {
            Child<QLineEdit>(d, "edTextId")->setText(QStringLiteral("sCancelled"));
            auto* cancel = Child<QPushButton>(d, "btnCancel");
            cancel->setFocus();
            QTest::keyClick(cancel, Qt::Key_Return);
            open = d->isVisible();
        });
        QVERIFY(!open);
        QCOMPARE(p->Strings()->Items(0)->TextId(), std::string("sOne"));
        QVERIFY(!p->Modified());

        Edit(*p, 0, [&](QWidget* d) {
            Child<QLineEdit>(d, "edTextId")->setText(QStringLiteral("sApplied"));
            auto* apply = Child<QPushButton>(d, "btnApply");
            apply->setFocus();
            QTest::keyClick(apply, Qt::Key_Enter);
            open = d->isVisible();
            // Back in a field, Enter is OK's again.
            Child<QLineEdit>(d, "edTextId")->setFocus();
            Child<QLineEdit>(d, "edTextId")->setText(QStringLiteral("sOk"));
            QTest::keyClick(Child<QLineEdit>(d, "edTextId"), Qt::Key_Return);
        });
        QVERIFY(open); // Apply stored and kept the dialog open
        QCOMPARE(p->Strings()->Items(0)->TextId(), std::string("sOk"));

        TPrjOptionsDialog options(*m_Prompts);
        bool accepted = true;
        QVERIFY(ExecModal([&] { accepted = options.Execute(*p); },
                          [&](QWidget* d) {
                              Child<QLineEdit>(d, "edComment")->setText(QStringLiteral("typed"));
                              auto* cancel = Child<QPushButton>(d, "btnCancel");
                              cancel->setFocus();
                              QTest::keyClick(cancel, Qt::Key_Return);
                          }));
        QVERIFY(!accepted);
        QCOMPARE(p->Comment(), std::string());
        QVERIFY(ExecModal([&] { accepted = options.Execute(*p); },
                          [&](QWidget* d) {
                              m_Prompts->Files << QStringLiteral("/chosen");
                              auto* browse = Child<QToolButton>(d, "SpeedButton1");
                              browse->setFocus();
                              QTest::keyClick(browse, Qt::Key_Return);
                              open = d->isVisible();
                          }));
        QVERIFY(open);
        QCOMPARE(m_Prompts->Log.back().Kind, QStringLiteral("Folder"));
    }

    void navigationStoresAndStopsAtTheEnds()
    {
        auto p = MakeProject({"CZ", "EN"});
        QList<int> indexes;
        QStringList shown;
        qsizetype requests = -1;
        Edit(*p, 0, [&](QWidget* d) {
            auto* prior = Child<QToolButton>(d, "btnPrior");
            auto* next = Child<QToolButton>(d, "btnNext");
            prior->click();
            indexes << m_Editor->ItemIndex();
            next->click();
            next->click();
            shown << Child<QLabel>(d, "lblIndex")->text() << Child<QLineEdit>(d, "edTextId")->text();
            next->click();
            indexes << m_Editor->ItemIndex();
            requests = m_Prompts->Log.size();
            // A refused field stops the step.
            Child<QLineEdit>(d, "edNumberId")->setText(QStringLiteral("x"));
            m_Prompts->Answers << TAnswer::OK;
            prior->click();
            indexes << m_Editor->ItemIndex();
        });
        QCOMPARE(indexes, (QList<int>{0, 2, 2}));
        QCOMPARE(shown, (QStringList{"3", "sThree"}));
        QCOMPARE(requests, 0); // the ends refuse silently
        // Stepping stored item 1, which had no text in CZ: it has an empty one now.
        const TResStringConstItem* created =
            p->Strings()->Items(1)->StringConsts()->FindByLanguage(p->Languages()->Items(0));
        QVERIFY(created);
        QCOMPARE(created->Value(), std::string());
        QVERIFY(p->Modified());
    }

    void languageChangeDiscardsTypedText()
    {
        auto p = MakeProject({"CZ", "EN"});
        QStringList seen;
        Edit(*p, 0, [&](QWidget* d) {
            auto* memo = Child<QPlainTextEdit>(d, "mmReadWrite");
            auto* combo = Child<QComboBox>(d, "cbReadWrite");
            memo->setPlainText(QStringLiteral("typed"));
            combo->setCurrentIndex(1);
            seen << memo->toPlainText();
            combo->setCurrentIndex(0);
            seen << memo->toPlainText();
            Child<QComboBox>(d, "cbReadOnly")->setCurrentIndex(1);
            seen << Child<QPlainTextEdit>(d, "mmReadOnly")->toPlainText();
        });
        QCOMPARE(seen, (QStringList{"One", "Jedna\nradky", "One"}));
        QCOMPARE(m_Editor->ReadOnlyLanguageId(), QStringLiteral("EN"));
        QVERIFY(!p->Modified());
    }

    void focusOnShow()
    {
        auto p = MakeProject({"CZ"});
        p->Strings()->Add();
        QString focused;
        QSize size;
        Edit(*p, 3, [&](QWidget* d) {
            focused = d->focusWidget()->objectName();
            size = d->frameGeometry().size();
        });
        QCOMPARE(focused, QStringLiteral("edTextId"));
        QCOMPARE(size, QSize(407, 422)); // the first showing, frame included
        Edit(*p, 0, [&](QWidget* d) { focused = d->focusWidget()->objectName(); });
        QCOMPARE(focused, QStringLiteral("mmReadWrite"));
    }

    void optionsDialog()
    {
        auto p = MakeProject({"CZ"});
        TPrjOptionsDialog dialog(*m_Prompts);
        bool accepted = false;
        auto run = [&](const std::function<void(QWidget*)>& act) {
            QVERIFY(ExecModal([&] { accepted = dialog.Execute(*p); }, act));
        };
        // Cancel after editing changes nothing; OK without a change marks nothing.
        QStringList seen;
        run([&](QWidget* d) {
            seen << d->windowTitle() << Child<QLineEdit>(d, "edConstFilename")->text()
                 << Child<QLineEdit>(d, "edNumberIdBase")->text();
            Child<QLineEdit>(d, "edComment")->setText(QStringLiteral("typed"));
        });
        QVERIFY(!accepted);
        QCOMPARE(seen, (QStringList{"Project Options", "ResStr.pas", "1"}));
        seen.clear();
        run([&](QWidget* d) {
            seen << Child<QLineEdit>(d, "edComment")->text(); // not what was typed before
            Child<QPushButton>(d, "btnOk")->click();
        });
        QVERIFY(accepted);
        QCOMPARE(seen, QStringList{QString()});
        QVERIFY(!p->Modified());

        // The number base: refused texts keep the dialog open.
        QList<QPair<QString, bool>> refusals;
        run([&](QWidget* d) {
            auto* base = Child<QLineEdit>(d, "edNumberIdBase");
            for (const char* bad : {"12a", ""}) {
                base->setText(QString::fromLatin1(bad));
                m_Prompts->Answers << TAnswer::OK;
                Child<QPushButton>(d, "btnOk")->click();
                refusals.append({m_Prompts->LastText(), d->isVisible() && d->focusWidget() == base});
            }
            base->setText(QStringLiteral(" $64"));
            Child<QLineEdit>(d, "edPtrIdPrefix")->setText(QStringLiteral(" p "));
            QTest::keyClick(base, Qt::Key_Return);
        });
        QVERIFY(accepted);
        const QPair<QString, bool> refused{QStringLiteral("Invalid number identifier."), true};
        QCOMPARE(refusals, (QList<QPair<QString, bool>>{refused, refused}));
        QCOMPARE(p->Strings()->NumberIdBase(), 100);
        QCOMPARE(p->PtrIdPrefix(), std::string(" p "));
        QVERIFY(p->Modified());

        // Out of range: the texts are stored, then the model refuses the base.
        for (const char* outside : {"0", "70000"}) {
            QString error;
            try {
                run([outside](QWidget* d) {
                    Child<QLineEdit>(d, "edComment")->setText(QString::fromLatin1(outside));
                    Child<QLineEdit>(d, "edNumberIdBase")->setText(QString::fromLatin1(outside));
                    Child<QPushButton>(d, "btnOk")->click();
                });
            } catch (const EResFile& e) {
                error = QString::fromStdString(e.what());
            }
            QCOMPARE(error, QStringLiteral("Invalid number ID base"));
            QCOMPARE(p->Comment(), std::string(outside));
            QCOMPARE(p->Strings()->NumberIdBase(), 100);
        }

        // The folder chooser: cancelled keeps the field, chosen replaces it.
        QStringList fields;
        run([&](QWidget* d) {
            auto* dir = Child<QLineEdit>(d, "edOutputDirectory");
            dir->setText(QStringLiteral("keep"));
            m_Prompts->Files << QString();
            Child<QToolButton>(d, "SpeedButton1")->click();
            fields << m_Prompts->Log.back().Kind + u':' + m_Prompts->Log.back().Caption << dir->text();
            m_Prompts->Files << QStringLiteral("/data/out");
            Child<QToolButton>(d, "SpeedButton1")->click();
            fields << dir->text();
        });
        QVERIFY(!accepted);
        QCOMPARE(fields, (QStringList{"Folder:Ahoj", "keep", "/data/out"}));
        QCOMPARE(p->OutputDirectory(), std::string());

        // A Czech folder is stored in the code page; an arrow is named first.
        run([&](QWidget* d) {
            m_Prompts->Files << QString::fromUtf8("/data/v\u00FDstup");
            Child<QToolButton>(d, "SpeedButton1")->click();
            Child<QPushButton>(d, "btnOk")->click();
        });
        QVERIFY(accepted);
        QCOMPARE(p->OutputDirectory(), std::string("/data/v\xFDstup"));
        bool backInTheDialog = false;
        QString named;
        std::string storedMeanwhile;
        run([&](QWidget* d) {
            m_Prompts->Files << QString::fromUtf8("/data/a\u2192b");
            Child<QToolButton>(d, "SpeedButton1")->click();
            m_Prompts->Answers << TAnswer::Cancel;
            Child<QPushButton>(d, "btnOk")->click();
            backInTheDialog = d->isVisible();
            named = m_Prompts->LastText();
            storedMeanwhile = p->OutputDirectory();
            m_Prompts->Answers << TAnswer::OK;
            Child<QPushButton>(d, "btnOk")->click();
        });
        QVERIFY(accepted);
        QVERIFY(backInTheDialog);
        QCOMPARE(named,
                 QString::fromUtf8("The text contains characters that Windows-1250 cannot store: \u2192 (U+2192). "
                                   "They will be saved as ?."));
        QCOMPARE(storedMeanwhile, std::string("/data/v\xFDstup"));
        QCOMPARE(p->OutputDirectory(), std::string("/data/a?b"));
    }

    // An error inside a dialog's handler is reported; it never leaves the slot.
    void optionsHandlersAreGuarded()
    {
        auto p = MakeProject({"CZ"});
        TFailingFolderPrompts failing;
        TPrjOptionsDialog dialog(failing);
        bool open = false;
        QVERIFY(ExecModal([&] { dialog.Execute(*p); },
                          [&](QWidget* d) {
                              Child<QToolButton>(d, "SpeedButton1")->click();
                              open = d->isVisible();
                          }));
        QVERIFY(open);
        QCOMPARE(failing.Errors(), QStringList{"Folder chooser failed."});
    }

    void languageChooser()
    {
        auto p = MakeProject({"CZ", "EN", "DE"});
        TChooseLangDlg dialog(*m_Prompts);
        auto* frame = dialog.LangFrame();
        auto* view = frame->ListView();
        QAbstractItemModelTester tester(frame->Model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        int firstRow = -1;
        QStringList cells;
        bool openAfterEnter = false;
        bool ok = false;
        QVERIFY(ExecModal([&] { ok = dialog.Execute(p->Languages()); },
                          [&](QWidget* d) {
                              firstRow = view->currentIndex().row();
                              cells << frame->Model()->index(2, 1).data().toString()
                                    << frame->Model()->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString();
                              QTest::keyClick(view, Qt::Key_Space);
                              QTest::keyClick(view, Qt::Key_Down);
                              QTest::keyClick(view, Qt::Key_Space);
                              QTest::keyClick(view, Qt::Key_Space);
                              QTest::keyClick(view, Qt::Key_Down);
                              emit view->doubleClicked(frame->Model()->index(2, 0));
                              QTest::keyClick(view, Qt::Key_Return);
                              openAfterEnter = d->isVisible(); // Enter flips, it does not close
                              Child<QPushButton>(d, "btnOk")->click();
                          }));
        QVERIFY(ok);
        QCOMPARE(firstRow, 0);
        QCOMPARE(cells, (QStringList{"TResLanguageItem", "Id"}));
        QVERIFY(openAfterEnter);
        QVERIFY(p->Languages()->Items(0)->Checked());
        QVERIFY(!p->Languages()->Items(1)->Checked());
        QVERIFY(!p->Languages()->Items(2)->Checked()); // double click and Enter
        QVERIFY(!p->Modified());
        // Closed, the chooser holds nothing of the project.
        QCOMPARE(frame->Model()->Languages(), nullptr);
        QCOMPARE(frame->Model()->rowCount(), 0);

        TResProject none;
        QVERIFY(ExecModal([&] { ok = dialog.Execute(none.Languages()); },
                          [&](QWidget* d) {
                              QTest::keyClick(view, Qt::Key_Space);
                              QTest::keyClick(view, Qt::Key_Return);
                              Child<QPushButton>(d, "btnOk")->click();
                          }));
        QVERIFY(ok);
        QVERIFY(ExecModal([&] { ok = dialog.Execute(p->Languages()); },
                          [&](QWidget* d) { QTest::keyClick(d, Qt::Key_Escape); }));
        QVERIFY(!ok);
    }

    // Finished from the keyboard: Tab and Shift+Tab go between the list and
    // the buttons, Enter on a focused button presses it, and letters do not
    // search the list.
    void languageChooserByKeyboard()
    {
        auto p = MakeProject({"CZ", "EN", "DE"});
        TChooseLangDlg dialog(*m_Prompts);
        auto* view = dialog.LangFrame()->ListView();
        QStringList focus;
        int rowAfterLetters = -1;
        bool openAfterEnterInList = false;
        bool ok = false;
        QVERIFY(ExecModal([&] { ok = dialog.Execute(p->Languages()); },
                          [&](QWidget* d) {
                              QTest::keyClicks(view, QStringLiteral("ed"));
                              rowAfterLetters = view->currentIndex().row();
                              QTest::keyClick(view, Qt::Key_Tab);
                              focus << d->focusWidget()->objectName();
                              QTest::keyClick(d->focusWidget(), Qt::Key_Tab);
                              focus << d->focusWidget()->objectName();
                              QTest::keyClick(d->focusWidget(), Qt::Key_Backtab);
                              QTest::keyClick(d->focusWidget(), Qt::Key_Backtab);
                              focus << d->focusWidget()->objectName();
                              // OK has had the focus: Enter in the list still flips.
                              QTest::keyClick(view, Qt::Key_Return);
                              openAfterEnterInList = d->isVisible();
                              QTest::keyClick(view, Qt::Key_Tab);
                              QTest::keyClick(d->focusWidget(), Qt::Key_Return);
                          }));
        QCOMPARE(rowAfterLetters, 0);
        QCOMPARE(focus, (QStringList{"btnOk", "btnCancel", "ListView"}));
        QVERIFY(openAfterEnterInList);
        QVERIFY(ok);
        QVERIFY(p->Languages()->Items(0)->Checked());
        QVERIFY(!p->Languages()->Items(1)->Checked());

        QVERIFY(ExecModal([&] { ok = dialog.Execute(p->Languages()); },
                          [&](QWidget* d) {
                              QTest::keyClick(view, Qt::Key_Tab);
                              QTest::keyClick(d->focusWidget(), Qt::Key_Tab);
                              QTest::keyClick(d->focusWidget(), Qt::Key_Return);
                          }));
        QVERIFY(!ok);
    }

    // A list that lost languages behind the view's back: the view may still
    // ask for the rows it knew, and gets empty cells, not an exception.
    void languageListAnswersForRowsItNoLongerHas()
    {
        auto p = MakeProject({"CZ", "EN", "DE"});
        TLangListModel model;
        model.SetLanguages(p->Languages());
        p->Languages()->Delete(2);
        QCOMPARE(model.data(model.index(2, 0), Qt::DisplayRole), QVariant());
        QCOMPARE(model.data(model.index(1, 0), Qt::DisplayRole).toString(), QStringLiteral("EN"));
        // The tick box comes at every scale, sharp at twice the size.
        const QIcon tick = model.data(model.index(1, 0), Qt::DecorationRole).value<QIcon>();
        QCOMPARE(tick.pixmap(QSize(16, 16), 2.0).size(), QSize(32, 32));
    }

    void aboutBox()
    {
        TAboutBox about(&ProgramVersionBlock());
        QCOMPARE(Child<QLabel>(&about, "lblProductName")->text(), QStringLiteral("Quillet"));
        QCOMPARE(Child<QLabel>(&about, "lblVersion")->text(), QStringLiteral("Version 1.0.0.1"));
        QVERIFY(Child<QLabel>(&about, "lblCopyright")->text().startsWith(QStringLiteral("Copyright")));
        QCOMPARE(Child<QLabel>(&about, "lblComments")->text(), QString());
        // The icon is drawn at its size for the screen's pixel ratio, not
        // blown up from a smaller image.
        auto* icon = Child<QLabel>(&about, "ProgramIcon");
        QCOMPARE(icon->pixmap().deviceIndependentSize(), QSizeF(48, 48));
        QCOMPARE(icon->pixmap().devicePixelRatio(), icon->devicePixelRatioF());
        QCOMPARE(icon->pixmap().toImage(), Images::ProgramIcon(48, icon->devicePixelRatioF()).toImage());

        TAboutBox bare(nullptr);
        QCOMPARE(Child<QLabel>(&bare, "lblProductName")->text(), QString());
        QCOMPARE(Child<QLabel>(&bare, "lblVersion")->text(), QStringLiteral("Version "));

        // Only the first translation is consulted; "%.4X%.4X" in upper case.
        TVersionBlock block = {{"\\VarFileInfo\\Translation", std::string("\x05\x04\xE2\x04\x09\x04\xE4\x04", 8)},
                               {"\\StringFileInfo\\040504E2\\ProductName", std::string("Rychl\xC3\xBD\0junk", 11)},
                               {"\\StringFileInfo\\040904E4\\Comments", "elsewhere"}};
        QCOMPARE(VersionValue(&block, QStringLiteral("ProductName")), QString::fromUtf8("Rychlý"));
        QCOMPARE(VersionValue(&block, QStringLiteral("Comments")), QString());
        block["\\VarFileInfo\\Translation"] = std::string("\x05\x04\xE2", 3);
        QCOMPARE(VersionValue(&block, QStringLiteral("ProductName")), QString());
        block.erase("\\VarFileInfo\\Translation");
        QCOMPARE(VersionValue(&block, QStringLiteral("ProductName")), QString());

        int result = -1;
        QVERIFY(ExecModal([&] { result = about.exec(); }, [](QWidget* d) { QTest::keyClick(d, Qt::Key_Escape); }));
        QCOMPARE(result, int(QDialog::Rejected));
    }
};

QTEST_MAIN(tDialogs)
#include "tDialogs.moc"
