// The dialogs driven through their widgets: item editor, project options,
// language chooser, about box.
#include "tScriptedPrompts.h"

#include "dlgChooseLang.h"
#include "dlgItemEdit.h"
#include "dlgPrjOptions.h"
#include "fmeLang.h"
#include "frmAbout.h"
#include "uErrors.h"
#include "uProject.h"

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

    // Opens the editor on an item; body runs while it is shown and must close it.
    void Edit(TResProject& p, int index, std::function<void(QWidget*)> body)
    {
        bool ran = false;
        WhenModal([&](QWidget* d) {
            ran = true;
            body(d);
            if (d->isVisible()) Child<QPushButton>(d, "btnCancel")->click();
        });
        m_Editor->Execute(p, index);
        QVERIFY(ran);
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
        Edit(*p, 0, [](QWidget* d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("Item Editor"));
            QCOMPARE(Child<QComboBox>(d, "cbReadWrite")->currentText(), QStringLiteral("CZ"));
            QCOMPARE(Child<QComboBox>(d, "cbReadOnly")->currentText(), QStringLiteral("CZ"));
            QCOMPARE(Child<QPlainTextEdit>(d, "mmReadWrite")->toPlainText(), QStringLiteral("Jedna\nradky"));
            QCOMPARE(Child<QLabel>(d, "lblIndex")->text(), QStringLiteral("1"));
            QVERIFY(Child<QPlainTextEdit>(d, "mmReadOnly")->isReadOnly());
            QVERIFY(!Child<QCheckBox>(d, "chbStandard")->isVisible());
            Child<QComboBox>(d, "cbReadWrite")->setCurrentIndex(1);
        });
        QCOMPARE(m_Editor->ReadWriteLanguageId(), QStringLiteral("EN"));
        Edit(*p, 0, [](QWidget* d) {
            QCOMPARE(Child<QComboBox>(d, "cbReadWrite")->currentText(), QStringLiteral("EN"));
            QCOMPARE(Child<QPlainTextEdit>(d, "mmReadWrite")->toPlainText(), QStringLiteral("One"));
        });
        auto other = MakeProject({"PL", "SK"});
        Edit(*other, 1,
             [](QWidget* d) { QCOMPARE(Child<QComboBox>(d, "cbReadWrite")->currentText(), QStringLiteral("PL")); });
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
        Edit(*p, 1, [&](QWidget* d) {
            auto* textId = Child<QLineEdit>(d, "edTextId");
            auto* number = Child<QLineEdit>(d, "edNumberId");
            auto* apply = Child<QPushButton>(d, "btnApply");
            auto refused = [&](const QString& message, QWidget* field) {
                apply->click();
                QCOMPARE(m_Prompts->Log.back().Caption, QStringLiteral("Error"));
                QCOMPARE(m_Prompts->Log.back().Text, message);
                QCOMPARE(d->focusWidget(), field);
            };
            for (const char* bad : {"", "1abc", "a b"}) {
                textId->setText(QString::fromLatin1(bad));
                m_Prompts->Answers << TAnswer::OK;
                refused(QStringLiteral("Invalid text identifier."), textId);
            }
            textId->setText(QStringLiteral("_a1"));
            for (const char* bad : {"", "12 ", "1e3"}) {
                number->setText(QString::fromLatin1(bad));
                m_Prompts->Answers << TAnswer::OK;
                refused(QStringLiteral("Invalid number identifier."), number);
            }
            number->setText(QStringLiteral("2"));
            textId->setText(QStringLiteral("SONE"));
            m_Prompts->Answers << TAnswer::OK;
            refused(QStringLiteral("Duplicate text identifier."), textId);
            textId->setText(QStringLiteral("  abc\t "));
            number->setText(QStringLiteral("3"));
            m_Prompts->Answers << TAnswer::OK;
            refused(QStringLiteral("Duplicate number identifier: 3 is already used by item sThree (row 2)."), number);
            QCOMPARE(p->Strings()->Items(1)->TextId(), std::string("sTwo")); // nothing stored yet

            for (const char* good : {"12", " 12", "-3", "$1F", "0x1f"}) {
                number->setText(QString::fromLatin1(good));
                apply->click();
            }
            QCOMPARE(textId->text(), QStringLiteral("abc"));
            QCOMPARE(p->Strings()->Items(1)->TextId(), std::string("abc"));
            QCOMPARE(p->Strings()->Items(1)->NumberId(), 31);
            QVERIFY(d->isVisible());
        });
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
        Edit(*p, 2, [&](QWidget* d) {
            Child<QLineEdit>(d, "edTextId")->setText(QStringLiteral("stwo"));
            m_Prompts->Answers << TAnswer::OK;
            Child<QPushButton>(d, "btnOk")->click();
            QVERIFY(d->isVisible());
            QCOMPARE(m_Prompts->LastText(), QStringLiteral("Duplicate text identifier."));
            Child<QLineEdit>(d, "edTextId")->setText(QStringLiteral(" sNew "));
            Child<QPlainTextEdit>(d, "mmReadWrite")->setPlainText(QStringLiteral("a\nb"));
            Child<QCheckBox>(d, "chbFixedId")->setChecked(true);
            QTest::keyClick(Child<QLineEdit>(d, "edTextId"), Qt::Key_Return); // OK is the default button
            QVERIFY(!d->isVisible());
        });
        const TResStringItem* item = p->Strings()->Items(2);
        QCOMPARE(item->TextId(), std::string("sNew"));
        QVERIFY(item->FixedId());
        QCOMPARE(item->StringConsts()->FindByLanguage(p->Languages()->Items(0))->Value(), std::string("a\r\nb"));
    }

    void navigationStoresAndStopsAtTheEnds()
    {
        auto p = MakeProject({"CZ", "EN"});
        Edit(*p, 0, [&](QWidget* d) {
            auto* prior = Child<QToolButton>(d, "btnPrior");
            auto* next = Child<QToolButton>(d, "btnNext");
            prior->click();
            QCOMPARE(m_Editor->ItemIndex(), 0);
            QVERIFY(m_Prompts->Log.isEmpty());
            next->click();
            next->click();
            QCOMPARE(Child<QLabel>(d, "lblIndex")->text(), QStringLiteral("3"));
            QCOMPARE(Child<QLineEdit>(d, "edTextId")->text(), QStringLiteral("sThree"));
            next->click();
            QCOMPARE(m_Editor->ItemIndex(), 2);
            QVERIFY(m_Prompts->Log.isEmpty());
            // A refused field stops the step.
            Child<QLineEdit>(d, "edNumberId")->setText(QStringLiteral("x"));
            m_Prompts->Answers << TAnswer::OK;
            prior->click();
            QCOMPARE(m_Editor->ItemIndex(), 2);
        });
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
        Edit(*p, 0, [&](QWidget* d) {
            auto* memo = Child<QPlainTextEdit>(d, "mmReadWrite");
            auto* combo = Child<QComboBox>(d, "cbReadWrite");
            memo->setPlainText(QStringLiteral("typed"));
            combo->setCurrentIndex(1);
            QCOMPARE(memo->toPlainText(), QStringLiteral("One"));
            combo->setCurrentIndex(0);
            QCOMPARE(memo->toPlainText(), QStringLiteral("Jedna\nradky"));
            Child<QComboBox>(d, "cbReadOnly")->setCurrentIndex(1);
            QCOMPARE(Child<QPlainTextEdit>(d, "mmReadOnly")->toPlainText(), QStringLiteral("One"));
            QCOMPARE(m_Editor->ReadOnlyLanguageId(), QStringLiteral("EN"));
        });
        QVERIFY(!p->Modified());
    }

    void focusOnShow()
    {
        auto p = MakeProject({"CZ"});
        p->Strings()->Add();
        Edit(*p, 3, [](QWidget* d) { QCOMPARE(d->focusWidget(), Child<QLineEdit>(d, "edTextId")); });
        Edit(*p, 0, [](QWidget* d) { QCOMPARE(d->focusWidget(), Child<QPlainTextEdit>(d, "mmReadWrite")); });
    }

    void optionsDialog()
    {
        auto p = MakeProject({"CZ"});
        TPrjOptionsDialog dialog(*m_Prompts);
        auto run = [&](std::function<void(QWidget*)> body) {
            WhenModal([body](QWidget* d) {
                body(d);
                if (d->isVisible()) Child<QPushButton>(d, "btnCancel")->click();
            });
            return dialog.Execute(*p);
        };
        // Cancel after editing changes nothing; OK without a change marks nothing.
        QVERIFY(!run([](QWidget* d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("Project Options"));
            QCOMPARE(Child<QLineEdit>(d, "edConstFilename")->text(), QStringLiteral("ResStr.pas"));
            QCOMPARE(Child<QLineEdit>(d, "edNumberIdBase")->text(), QStringLiteral("1"));
            Child<QLineEdit>(d, "edComment")->setText(QStringLiteral("typed"));
        }));
        QVERIFY(run([](QWidget* d) {
            QCOMPARE(Child<QLineEdit>(d, "edComment")->text(), QString()); // not what was typed before
            Child<QPushButton>(d, "btnOk")->click();
        }));
        QVERIFY(!p->Modified());

        // The number base: refused texts keep the dialog open.
        QVERIFY(run([&](QWidget* d) {
            auto* base = Child<QLineEdit>(d, "edNumberIdBase");
            for (const char* bad : {"12a", ""}) {
                base->setText(QString::fromLatin1(bad));
                m_Prompts->Answers << TAnswer::OK;
                Child<QPushButton>(d, "btnOk")->click();
                QVERIFY(d->isVisible());
                QCOMPARE(m_Prompts->LastText(), QStringLiteral("Invalid number identifier."));
                QCOMPARE(d->focusWidget(), base);
            }
            base->setText(QStringLiteral(" $64"));
            Child<QLineEdit>(d, "edPtrIdPrefix")->setText(QStringLiteral(" p "));
            QTest::keyClick(base, Qt::Key_Return);
        }));
        QCOMPARE(p->Strings()->NumberIdBase(), 100);
        QCOMPARE(p->PtrIdPrefix(), std::string(" p "));
        QVERIFY(p->Modified());

        // Out of range: the texts are stored, then the model refuses the base.
        for (const char* outside : {"0", "70000"}) {
            try {
                run([outside](QWidget* d) {
                    Child<QLineEdit>(d, "edComment")->setText(QString::fromLatin1(outside));
                    Child<QLineEdit>(d, "edNumberIdBase")->setText(QString::fromLatin1(outside));
                    Child<QPushButton>(d, "btnOk")->click();
                });
                QFAIL("the base must be refused");
            } catch (const EResFile& e) {
                QCOMPARE(QString::fromStdString(e.what()), QStringLiteral("Invalid number ID base"));
            }
            QCOMPARE(p->Comment(), std::string(outside));
            QCOMPARE(p->Strings()->NumberIdBase(), 100);
        }

        // The folder chooser: cancelled keeps the field, chosen replaces it.
        QVERIFY(!run([&](QWidget* d) {
            auto* dir = Child<QLineEdit>(d, "edOutputDirectory");
            dir->setText(QStringLiteral("keep"));
            m_Prompts->Files << QString();
            Child<QToolButton>(d, "SpeedButton1")->click();
            QCOMPARE(m_Prompts->Log.back().Kind, QStringLiteral("Folder"));
            QCOMPARE(m_Prompts->Log.back().Caption, QStringLiteral("Ahoj"));
            QCOMPARE(dir->text(), QStringLiteral("keep"));
            m_Prompts->Files << QStringLiteral("/data/out");
            Child<QToolButton>(d, "SpeedButton1")->click();
            QCOMPARE(dir->text(), QStringLiteral("/data/out"));
        }));
        QCOMPARE(p->OutputDirectory(), std::string());

        // A Czech folder is stored in the code page; an arrow is named first.
        QVERIFY(run([&](QWidget* d) {
            m_Prompts->Files << QString::fromUtf8("/data/v\u00FDstup");
            Child<QToolButton>(d, "SpeedButton1")->click();
            Child<QPushButton>(d, "btnOk")->click();
        }));
        QCOMPARE(p->OutputDirectory(), std::string("/data/v\xFDstup"));
        QVERIFY(run([&](QWidget* d) {
            m_Prompts->Files << QString::fromUtf8("/data/a\u2192b");
            Child<QToolButton>(d, "SpeedButton1")->click();
            m_Prompts->Answers << TAnswer::Cancel;
            Child<QPushButton>(d, "btnOk")->click();
            QVERIFY(d->isVisible()); // back in the dialog
            QCOMPARE(m_Prompts->LastText(),
                     QString::fromUtf8("The text contains characters that Windows-1250 cannot store: \u2192 (U+2192). "
                                       "They will be saved as ?."));
            QCOMPARE(p->OutputDirectory(), std::string("/data/v\xFDstup"));
            m_Prompts->Answers << TAnswer::OK;
            Child<QPushButton>(d, "btnOk")->click();
        }));
        QCOMPARE(p->OutputDirectory(), std::string("/data/a?b"));
    }

    void languageChooser()
    {
        auto p = MakeProject({"CZ", "EN", "DE"});
        TChooseLangDlg dialog;
        auto* frame = dialog.LangFrame();
        auto* view = frame->ListView();
        WhenModal([&](QWidget* d) {
            QCOMPARE(view->currentIndex().row(), 0);
            QCOMPARE(frame->Model()->index(2, 1).data().toString(), QStringLiteral("TResLanguageItem"));
            QCOMPARE(frame->Model()->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Id"));
            QTest::keyClick(view, Qt::Key_Space);
            QTest::keyClick(view, Qt::Key_Down);
            QTest::keyClick(view, Qt::Key_Space);
            QTest::keyClick(view, Qt::Key_Space);
            QTest::keyClick(view, Qt::Key_Down);
            emit view->doubleClicked(frame->Model()->index(2, 0));
            QTest::keyClick(view, Qt::Key_Return);
            QVERIFY(d->isVisible()); // Enter flips, it does not close
            Child<QPushButton>(d, "btnOk")->click();
        });
        QVERIFY(dialog.Execute(p->Languages()));
        QVERIFY(p->Languages()->Items(0)->Checked());
        QVERIFY(!p->Languages()->Items(1)->Checked());
        QVERIFY(!p->Languages()->Items(2)->Checked()); // double click and Enter
        QVERIFY(!p->Modified());

        TResProject none;
        WhenModal([&](QWidget* d) {
            QTest::keyClick(view, Qt::Key_Space);
            QTest::keyClick(view, Qt::Key_Return);
            Child<QPushButton>(d, "btnOk")->click();
        });
        QVERIFY(dialog.Execute(none.Languages()));
        WhenModal([&](QWidget* d) { QTest::keyClick(d, Qt::Key_Escape); });
        QVERIFY(!dialog.Execute(p->Languages()));
    }

    void aboutBox()
    {
        TAboutBox about(&ProgramVersionBlock());
        QCOMPARE(Child<QLabel>(&about, "lblProductName")->text(), QStringLiteral("Quillet"));
        QCOMPARE(Child<QLabel>(&about, "lblVersion")->text(), QStringLiteral("Version 1.0.0.1"));
        QVERIFY(Child<QLabel>(&about, "lblCopyright")->text().startsWith(QStringLiteral("Copyright")));
        QCOMPARE(Child<QLabel>(&about, "lblComments")->text(), QString());
        QCOMPARE(Child<QLabel>(&about, "ProgramIcon")->pixmap().size(), QSize(48, 48));

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

        WhenModal([](QWidget* d) { QTest::keyClick(d, Qt::Key_Escape); });
        QCOMPARE(about.exec(), int(QDialog::Rejected));
    }
};

QTEST_MAIN(tDialogs)
#include "tDialogs.moc"
