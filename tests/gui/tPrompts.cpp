// The real prompts: captions, buttons, default and Escape answers, the close box.
#include "tScriptedPrompts.h"
#include "uQtText.h"

#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

namespace {

QStringList ButtonTexts(QMessageBox* box)
{
    QStringList r;
    for (QAbstractButton* b : box->buttons()) r << b->text();
    r.sort();
    return r;
}

} // namespace

class tPrompts : public QObject {
    Q_OBJECT

private slots:
    void standardErrorTextAppendsAFullStop()
    {
        QCOMPARE(StandardErrorText(QStringLiteral("Stream write error")), QStringLiteral("Stream write error."));
        QCOMPARE(StandardErrorText(QStringLiteral("line 7")), QStringLiteral("line 7."));
        QCOMPARE(StandardErrorText(QStringLiteral("Done.")), QStringLiteral("Done."));
        QCOMPARE(StandardErrorText(QStringLiteral("Stop!")), QStringLiteral("Stop!"));
        QCOMPARE(StandardErrorText(QStringLiteral("(x)")), QStringLiteral("(x)"));
        QCOMPARE(StandardErrorText(QString()), QString());
        // The system's reason stands on a second line, the message keeps its form.
        QCOMPARE(StandardErrorText(QStringLiteral("Cannot create file out/ResStrCZ.pas"),
                                   QStringLiteral("No space left on device")),
                 QStringLiteral("Cannot create file out/ResStrCZ.pas.\nNo space left on device"));
    }

    void messageTextIsUtf8()
    {
        // C3 BA is also code-page text ("Ăş"); a message is UTF-8, so it is "ú".
        QCOMPARE(MessageText("Cannot create file /tmp/\xC3\xBA.pas"),
                 QString::fromUtf8("Cannot create file /tmp/\u00FA.pas"));
    }

    void unstorableCharactersAreNamed()
    {
        QCOMPARE(UnstorableWarning(QString::fromUtf8("Zru\u0161it \u2013 ok")), QString());
        QCOMPARE(UnstorableWarning(QString::fromUtf8("a \u2192 b \u2192 \U0001F600")),
                 QString::fromUtf8("The text contains characters that Windows-1250 cannot store: \u2192 (U+2192), "
                                   "\U0001F600 (U+1F600). They will be saved as ?."));
        TScriptedPrompts script;
        QVERIFY(ConfirmStorable(script, QStringLiteral("plain")));
        QVERIFY(script.Log.isEmpty());
        script.Answers << TAnswer::OK << TAnswer::Cancel;
        QVERIFY(ConfirmStorable(script, QString::fromUtf8("\u0416")));
        QVERIFY(!ConfirmStorable(script, QString::fromUtf8("\u0416")));
        QCOMPARE(script.Log[0].Caption, QStringLiteral("Warning"));
        QCOMPARE(script.Log[0].Buttons, TButtons::OKCancel);
    }

    void yesNoBox_data()
    {
        QTest::addColumn<int>("how");
        QTest::addColumn<int>("answer");
        QTest::newRow("Enter takes Yes") << 0 << int(TAnswer::Yes);
        QTest::newRow("Escape takes No") << 1 << int(TAnswer::No);
        QTest::newRow("close box is Cancel") << 2 << int(TAnswer::Cancel);
    }

    void yesNoBox()
    {
        QFETCH(int, how);
        QFETCH(int, answer);
        TQtPrompts prompts;
        QString caption;
        QStringList buttons;
        int icon = -1;
        TAnswer got = TAnswer::OK;
        QVERIFY(ExecModal(
            [&] { got = prompts.Ask(TAskKind::Confirm, QStringLiteral("Delete this item ?"), TButtons::YesNo); },
            [&](QWidget* w) {
                auto* box = qobject_cast<QMessageBox*>(w);
                if (!box) return;
                caption = box->windowTitle();
                buttons = ButtonTexts(box);
                icon = box->icon();
                if (how == 0) QTest::keyClick(box, Qt::Key_Return);
                else if (how == 1) QTest::keyClick(box, Qt::Key_Escape);
                else box->close();
            }));
        QCOMPARE(int(got), answer);
        QCOMPARE(caption, QStringLiteral("Confirm"));
        QCOMPARE(buttons, (QStringList{"&No", "&Yes"}));
        QCOMPARE(icon, int(QMessageBox::Question));
    }

    void yesNoCancelBoxEscapeIsCancel()
    {
        TQtPrompts prompts;
        QStringList buttons;
        TAnswer got = TAnswer::OK;
        QVERIFY(
            ExecModal([&] { got = prompts.Ask(TAskKind::Confirm, QStringLiteral("Save ?"), TButtons::YesNoCancel); },
                      [&](QWidget* w) {
                          buttons = ButtonTexts(qobject_cast<QMessageBox*>(w));
                          QTest::keyClick(w, Qt::Key_Escape);
                      }));
        QCOMPARE(got, TAnswer::Cancel);
        QCOMPARE(buttons, (QStringList{"&No", "&Yes", "Cancel"}));
        QVERIFY(
            ExecModal([&] { got = prompts.Ask(TAskKind::Confirm, QStringLiteral("Save ?"), TButtons::YesNoCancel); },
                      [&](QWidget* w) {
                          for (QAbstractButton* b : qobject_cast<QMessageBox*>(w)->buttons())
                              if (b->text() == QLatin1String("&No")) b->click();
                      }));
        QCOMPARE(got, TAnswer::No);
    }

    void okBoxesAnswerOk()
    {
        TQtPrompts prompts;
        QString caption;
        int icon = -1;
        TAnswer got = TAnswer::Cancel;
        QVERIFY(ExecModal(
            [&] { got = prompts.Ask(TAskKind::Error, QStringLiteral("Invalid number identifier."), TButtons::OK); },
            [&](QWidget* w) {
                caption = w->windowTitle();
                icon = qobject_cast<QMessageBox*>(w)->icon();
                QTest::keyClick(w, Qt::Key_Escape);
            }));
        QCOMPARE(got, TAnswer::OK);
        QCOMPARE(caption, QStringLiteral("Error"));
        QCOMPARE(icon, int(QMessageBox::Critical));
    }

    void standardErrorBox()
    {
        TQtPrompts prompts;
        QString caption, text;
        QStringList buttons;
        QVERIFY(ExecModal([&] { prompts.ShowError(QStringLiteral("Duplicate string text ID")); },
                          [&](QWidget* w) {
                              auto* box = qobject_cast<QMessageBox*>(w);
                              caption = box->windowTitle();
                              text = box->text();
                              buttons = ButtonTexts(box);
                              QTest::keyClick(box, Qt::Key_Return);
                          }));
        QCOMPARE(caption, QStringLiteral("Quillet"));
        QCOMPARE(text, QStringLiteral("Duplicate string text ID."));
        QCOMPARE(buttons, QStringList{"OK"});
    }

    // The helper's guard: a dialog that act() leaves open is closed, so a
    // failed check inside act() cannot keep the test waiting.
    void modalHelperAlwaysClosesTheDialog()
    {
        QDialog dialog;
        int result = -1;
        QVERIFY(ExecModal([&] { result = dialog.exec(); }, [](QWidget*) {}));
        QCOMPARE(result, int(QDialog::Rejected));
        QVERIFY(!dialog.isVisible());
        // Nothing modal: act() does not run, and the helper returns.
        bool ran = false;
        QVERIFY(!ExecModal([] {}, [&](QWidget*) { ran = true; }));
        QVERIFY(!ran);
    }

    void overwriteQuestionOnlyYesReplaces()
    {
        TScriptedPrompts script;
        TOverwriteQuestion question(script);
        script.Answers << TAnswer::Yes << TAnswer::No << TAnswer::Cancel;
        QVERIFY(question.AskOverwrite("/x/ResStr.pas"));
        QVERIFY(!question.AskOverwrite("/x/ResStr.pas"));
        QVERIFY(!question.AskOverwrite("/x/ResStr.pas"));
        QCOMPARE(script.Log[0].Caption, QStringLiteral("Information"));
        QCOMPARE(script.Log[0].Text, QStringLiteral("File /x/ResStr.pas exists. Overwrite ?"));
    }
};

QTEST_MAIN(tPrompts)
#include "tPrompts.moc"
