// Takes screenshots of the main window and the dialogs with real content, for
// people checking the layout: run by tools/screenshots.sh under Xvfb.
#include "dlgChooseLang.h"
#include "dlgItemEdit.h"
#include "dlgPrjOptions.h"
#include "frmAbout.h"
#include "frmMain.h"
#include "uDefaults.h"
#include "uProject.h"
#include "uPrompts.h"
#include "uQtText.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>

#include <functional>

namespace {

class TNoPrompts : public TPrompts {
public:
    TAnswer Ask(TAskKind, const QString&, TButtons) override { return TAnswer::No; }
    void ShowError(const QString&, const QString&) override {}
    bool OpenFileName(QString&) override { return false; }
    bool SaveFileName(QString&) override { return false; }
    bool ChooseFolder(const QString&, QString&) override { return false; }
};

QString g_Out;

void Save(QWidget* w, const char* name)
{
    QApplication::processEvents();
    w->grab().save(g_Out + u'/' + QString::fromLatin1(name) + QStringLiteral(".png"));
}

// Grabs the next modal dialog once it is up, then closes it.
void GrabModal(const char* name)
{
    QTimer::singleShot(300, [name] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            Save(modal, name);
            modal->close();
        } else {
            GrabModal(name);
        }
    });
}

std::string Cp(const char* utf8) { return FromQString(QString::fromUtf8(utf8)); }

void FillCzechProject(TResProject& p, int items)
{
    static const char* const kCzech[] = {"Soubor nebyl nalezen.", "Uložit změny do souboru?",
                                         "Příliš žluťoučký kůň",  "Zrušit",
                                         "Otevřít projekt…",      "Chyba při čtení řádku %d"};
    static const char* const kEnglish[] = {"File not found.",    "Save changes to the file?",
                                           "Too yellow a horse", "Cancel",
                                           "Open project…",      "Error reading line %d"};
    AddDefaultLanguages(p);
    for (int i = 0; i < items; ++i) {
        TResStringItem* s = p.Strings()->Add();
        s->SetTextId("sMessage" + std::to_string(i));
        s->SetFixedId(i % 17 == 0);
        TResStringConstItem* cz = s->StringConsts()->Add();
        cz->SetValue(Cp(kCzech[i % 6]));
        cz->SetLanguageId(0);
        if (i % 3) {
            TResStringConstItem* en = s->StringConsts()->Add();
            en->SetValue(Cp(kEnglish[i % 6]));
            en->SetLanguageId(1);
        }
    }
    TResStringConstItem* longText = p.Strings()->Items(1)->StringConsts()->Items(0);
    longText->SetValue(
        Cp("Projekt byl změněn.\r\nChcete uložit změny do souboru projektu, než bude zavřen?\r\n"
           "Neuložené změny budou jinak ztraceny.\r\nŘádek čtyři.\r\nŘádek pět."));
    p.SetModified(false);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QString::fromLatin1(kAppTitle));
    g_Out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QDir().mkpath(g_Out);
    TNoPrompts prompts;
    TMainForm form(prompts);
    form.SetTemplateDir(QStringLiteral("/nonexistent"));
    form.show();
    Save(&form, "1-main-no-project");

    form.findChild<QAction*>(QStringLiteral("actNewProject"))->trigger();
    Save(&form, "2-main-built-in-project");

    form.findChild<QAction*>(QStringLiteral("actCloseProject"))->trigger();
    QString path = QDir(g_Out).filePath(QStringLiteral("czech.rpr"));
    {
        TResProject p;
        FillCzechProject(p, 300);
        p.SaveToFile(ToFilePath(path));
    }
    // Open the file through the real command, with the path answered here.
    class TOpenOne : public TNoPrompts {
    public:
        QString Path;
        bool OpenFileName(QString& p) override
        {
            p = Path;
            return true;
        }
    } openPrompts;
    openPrompts.Path = path;
    TMainForm czech(openPrompts);
    czech.show();
    czech.findChild<QAction*>(QStringLiteral("actOpenProject"))->trigger();
    czech.ListView()->selectRow(3);
    czech.UpdateActions();
    czech.UpdateStatusBar();
    Save(&czech, "3-main-czech-project");
    czech.resize(900, 600);
    Save(&czech, "4-main-czech-resized");
    czech.resize(584, 441);

    GrabModal("5-language-chooser");
    czech.findChild<QAction*>(QStringLiteral("actShowLanguages"))->trigger();

    GrabModal("6-item-editor");
    czech.ItemEditDialog()->Execute(*czech.CurrentProject(), 1);

    GrabModal("7-project-options");
    czech.CurrentProject()->SetOutputDirectory("..\\Source");
    czech.CurrentProject()->SetComment(Cp("Řetězce modulu objednávek"));
    czech.PrjOptionsDialog()->Execute(*czech.CurrentProject());

    GrabModal("8-about");
    czech.AboutBox()->exec();

    // The Languages page, with SK falling back to CZ.
    czech.CurrentProject()->Languages()->Items(6)->SetSourceLanguageId(0);
    QTimer::singleShot(300, [] {
        if (auto* tabs = QApplication::activeModalWidget()->findChild<QTabWidget*>()) tabs->setCurrentIndex(1);
    });
    GrabModal("10-languages-page");
    czech.PrjOptionsDialog()->Execute(*czech.CurrentProject());

    // Find: the filter field narrowing the grid, missing texts in grey.
    czech.resize(700, 420);
    czech.findChild<QAction*>(QStringLiteral("actFind"))->trigger();
    czech.findChild<QLineEdit*>(QStringLiteral("edFilter"))->setText(QStringLiteral("zrusit"));
    czech.ListView()->selectRow(2);
    Save(&czech, "11-find-filter");
    {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(czech.findChild<QLineEdit*>(QStringLiteral("edFilter")), &escape);
    }

    // The problem list, with a few problems to show.
    czech.CurrentProject()->Strings()->Items(2)->SetTextId("");
    czech.CurrentProject()->Strings()->Items(5)->SetNumberId(70000);
    czech.resize(900, 600);
    czech.findChild<QAction*>(QStringLiteral("miViewProblems"))->trigger();
    Save(&czech, "9-problems");

    czech.CurrentProject()->SetModified(false);
    QFile::remove(path);
    return 0;
}
