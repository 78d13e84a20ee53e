// The editor on a desktop: a project named on the command line or dropped on
// the window, the recent projects, what is remembered between runs, the file
// dialogs' folders, the project file type and the images at higher scales.
#include "tScriptedPrompts.h"
#include "uQtText.h"

#include "frmMain.h"
#include "uImages.h"
#include "uProject.h"
#include "uRecent.h"

#include <QAction>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QMimeData>
#include <QMimeDatabase>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// A small project; its comment tells the files apart.
QByteArray Project(const char* comment)
{
    TResProject p;
    for (const char* id : {"CZ", "EN"}) {
        TResLanguageItem* l = p.Languages()->Add();
        l->SetTextId(id);
        l->SetVisible(true);
    }
    p.Strings()->Add()->SetTextId("sOne");
    p.SetComment(comment);
    return QByteArray::fromStdString(p.SaveToText());
}

QString Comment(TMainForm& form)
{
    return form.CurrentProject() ? QString::fromStdString(form.CurrentProject()->Comment()) : QString();
}

// Runs the built program and returns its exit code; out and err get its output.
int RunProgram(const QStringList& args, QString& out, QString& err)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(QUILLET_APP), args);
    if (!process.waitForFinished(20000)) return -1;
    out = QString::fromUtf8(process.readAllStandardOutput());
    err = QString::fromUtf8(process.readAllStandardError());
    return process.exitCode();
}

// A drag that enters the window and drops there, as a file manager's would.
void Drop(QWidget* target, const QList<QUrl>& urls)
{
    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
}

} // namespace

class tDesktop : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_Dir;
    std::unique_ptr<TScriptedPrompts> m_Prompts;
    std::unique_ptr<QSettings> m_Settings;
    std::unique_ptr<TMainForm> m_Form;

    QString Path(const QString& name) { return m_Dir->filePath(name); }
    QString Sample(const char* name, const char* comment = "sample")
    {
        const QString path = Path(QString::fromLatin1(name));
        QDir().mkpath(QFileInfo(path).absolutePath());
        WriteAll(path, Project(comment));
        return path;
    }
    // A fresh main window, as at the next start of the program, with the same settings.
    void Restart()
    {
        m_Form.reset();
        m_Settings = std::make_unique<QSettings>(Path(QStringLiteral("settings.ini")), QSettings::IniFormat);
        m_Form = std::make_unique<TMainForm>(*m_Prompts);
        m_Form->SetSettings(m_Settings.get());
        m_Form->show();
    }
    QAction* MenuEntry(const QString& name) { return m_Form->findChild<QAction*>(name); }
    QStringList RecentCaptions()
    {
        QStringList r;
        auto* menu = m_Form->findChild<QAction*>(QStringLiteral("miFileRecentProjects"))->menu();
        for (QAction* a : menu->actions()) r << a->text();
        return r;
    }

private slots:
    void initTestCase()
    {
        // Never the user's own settings or files.
        QStandardPaths::setTestModeEnabled(true);
        // The project file type as installed, for the MIME database to find.
        static QTemporaryDir data;
        QDir().mkpath(data.filePath(QStringLiteral("mime/packages")));
        QVERIFY(QFile::copy(QStringLiteral(QUILLET_DIST_DIR "/quillet.xml"),
                            data.filePath(QStringLiteral("mime/packages/quillet.xml"))));
        qputenv("XDG_DATA_DIRS", (data.path() + QStringLiteral(":/usr/local/share:/usr/share")).toLocal8Bit());
    }

    void init()
    {
        m_Dir = std::make_unique<QTemporaryDir>();
        m_Prompts = std::make_unique<TScriptedPrompts>();
        Restart();
    }

    void cleanup()
    {
        QCOMPARE(m_Prompts->Unexpected, 0);
        m_Form.reset();
        m_Settings.reset();
        m_Prompts.reset();
        m_Dir.reset();
    }

    void commandLineFileOpensAsOpenProjectWould()
    {
        const QString a = Sample("a.rpr", "A");
        m_Form->OpenProjectFile(a);
        QCOMPARE(Comment(*m_Form), QStringLiteral("A"));
        QVERIFY(m_Form->ListView()->isVisible());
        QVERIFY(m_Prompts->Log.isEmpty());

        // A modified project is asked about first; Cancel keeps it.
        m_Form->CurrentProject()->SetComment("changed");
        m_Prompts->Answers << TAnswer::Cancel;
        m_Form->OpenProjectFile(Sample("b.rpr", "B"));
        QCOMPARE(Comment(*m_Form), QStringLiteral("changed"));
        QCOMPARE(m_Prompts->Log.back().Text, QStringLiteral("Project was modified. Save changes to project file ?"));
        m_Prompts->Answers << TAnswer::No;
        m_Form->OpenProjectFile(Path(QStringLiteral("b.rpr")));
        QCOMPARE(Comment(*m_Form), QStringLiteral("B"));

        // Errors are reported as the open command reports them, and leave no project.
        WriteAll(Path(QStringLiteral("bad.rpr")), "object TResProject\r\n  Comment = 'x\r\nend\r\n");
        m_Form->OpenProjectFile(Path(QStringLiteral("bad.rpr")));
        QVERIFY(!m_Form->CurrentProject());
        QVERIFY(!m_Form->ListView()->isVisible());
        QCOMPARE(m_Prompts->Errors().back(), QStringLiteral("Invalid string constant on line 2."));
        m_Form->OpenProjectFile(Path(QStringLiteral("nothere.rpr")));
        QVERIFY(!m_Form->CurrentProject());
        QCOMPARE(
            m_Prompts->Errors().back(),
            QStringLiteral("Cannot open file %1.\nNo such file or directory").arg(Path(QStringLiteral("nothere.rpr"))));
        // Only files that opened are recent.
        QCOMPARE(m_Form->RecentProjects(), (QStringList{Path(QStringLiteral("b.rpr")), a}));
    }

    void programAnswersHelpVersionAndBadArguments()
    {
        QString out, err;
        QCOMPARE(RunProgram({QStringLiteral("--version")}, out, err), 0);
        QCOMPARE(out, QStringLiteral("Quillet " QUILLET_VERSION "\n"));
        QCOMPARE(RunProgram({QStringLiteral("--help")}, out, err), 0);
        QVERIFY(out.contains(QStringLiteral("[project.rpr]")));
        QVERIFY(out.contains(QStringLiteral("--version")));
        QCOMPARE(RunProgram({QStringLiteral("--frobnicate")}, out, err), 1);
        QVERIFY2(err.contains(QStringLiteral("Unknown option 'frobnicate'")), qPrintable(err));
        QCOMPARE(RunProgram({QStringLiteral("a.rpr"), QStringLiteral("b.rpr")}, out, err), 1);
        QVERIFY2(err.contains(QStringLiteral("one project file at most")), qPrintable(err));
    }

    void droppedFileOpensAfterTheQuestion()
    {
        const QString a = Sample("a.rpr", "A");
        const QString b = Sample("b.rpr", "B");

        // Only local files are taken.
        QMimeData web;
        web.setUrls({QUrl(QStringLiteral("https://example.org/a.rpr"))});
        QDragEnterEvent refused(QPoint(5, 5), Qt::CopyAction, &web, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_Form.get(), &refused);
        QVERIFY(!refused.isAccepted());
        QMimeData local;
        local.setUrls({QUrl::fromLocalFile(a)});
        QDragEnterEvent taken(QPoint(5, 5), Qt::CopyAction, &local, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_Form.get(), &taken);
        QVERIFY(taken.isAccepted());
        QDropEvent leave(QPointF(5, 5), Qt::CopyAction, &local, Qt::LeftButton, Qt::NoModifier, QEvent::DragLeave);
        QCoreApplication::sendEvent(m_Form.get(), &leave);
        QVERIFY(!m_Form->CurrentProject()); // entering alone opens nothing

        Drop(m_Form.get(), {QUrl::fromLocalFile(a)});
        QTRY_COMPARE(Comment(*m_Form), QStringLiteral("A"));

        m_Form->CurrentProject()->SetComment("changed");
        m_Prompts->Answers << TAnswer::Cancel;
        Drop(m_Form.get(), {QUrl::fromLocalFile(b)});
        QTRY_COMPARE(m_Prompts->Log.size(), 1);
        QCOMPARE(m_Prompts->Log.back().Caption, QStringLiteral("Confirm"));
        QCOMPARE(Comment(*m_Form), QStringLiteral("changed"));

        m_Prompts->Answers << TAnswer::No;
        Drop(m_Form.get(), {QUrl::fromLocalFile(b)});
        QTRY_COMPARE(Comment(*m_Form), QStringLiteral("B"));
    }

    void recentProjectsNewestFirstAtMostEight()
    {
        QCOMPARE(RecentCaptions(), QStringList());
        QVERIFY(!m_Form->findChild<QAction*>(QStringLiteral("miFileRecentProjects"))->isEnabled());
        QStringList paths;
        for (int i = 0; i < 9; ++i) {
            paths.prepend(Sample(qPrintable(QStringLiteral("p%1.rpr").arg(i)), qPrintable(QString::number(i))));
            m_Form->OpenProjectFile(paths.front());
        }
        QCOMPARE(m_Form->RecentProjects(), paths.mid(0, 8));
        QVERIFY(m_Form->findChild<QAction*>(QStringLiteral("miFileRecentProjects"))->isEnabled());
        QCOMPARE(RecentCaptions().front(), QStringLiteral("&1 ") + QDir::toNativeSeparators(paths[0]));
        QCOMPARE(RecentCaptions().size(), 8);

        // An entry opens its project and comes first; the same file appears once.
        MenuEntry(QStringLiteral("miFileRecent3"))->trigger();
        QCOMPARE(Comment(*m_Form), QStringLiteral("6"));
        QCOMPARE(m_Form->RecentProjects().front(), paths[2]);
        QCOMPARE(m_Form->RecentProjects().size(), 8);

        // A missing file is removed with a note; the open project stays.
        QFile::remove(paths[4]);
        m_Prompts->Answers << TAnswer::OK;
        MenuEntry(QStringLiteral("miFileRecent5"))->trigger();
        QCOMPARE(m_Prompts->Log.back().Caption, QStringLiteral("Information"));
        QVERIFY(m_Prompts->Log.back().Text.contains(QDir::toNativeSeparators(paths[4])));
        QVERIFY(!m_Form->RecentProjects().contains(paths[4]));
        QCOMPARE(RecentCaptions().size(), 7);
        QCOMPARE(Comment(*m_Form), QStringLiteral("6"));

        // Saved under a new name: that name is recent too. All of it survives a restart.
        m_Prompts->Files << Path(QStringLiteral("copy.rpr"));
        QVERIFY(MenuEntry(QStringLiteral("actSaveProjectAs")));
        MenuEntry(QStringLiteral("actSaveProjectAs"))->trigger();
        const QStringList before = m_Form->RecentProjects();
        QCOMPARE(before.front(), Path(QStringLiteral("copy.rpr")));
        Restart();
        QCOMPARE(m_Form->RecentProjects(), before);
    }

    void windowPlaceAndColumnWidthsSurviveARestart()
    {
        const QString a = Sample("a.rpr", "A");
        m_Form->resize(700, 500);
        m_Form->OpenProjectFile(a);
        QTableView* view = m_Form->ListView();
        QCOMPARE(view->columnWidth(1), 160); // the default
        view->setColumnWidth(1, 222);
        view->setColumnWidth(4, 111); // CZ
        QVERIFY(m_Form->close());

        Restart();
        QCOMPARE(m_Form->size(), QSize(700, 500));
        m_Form->OpenProjectFile(a);
        QCOMPARE(m_Form->ListView()->columnWidth(1), 222);
        QCOMPARE(m_Form->ListView()->columnWidth(4), 111);
        QCOMPARE(m_Form->ListView()->columnWidth(5), 192); // EN kept its default

        // A window without settings remembers nothing.
        TMainForm plain(*m_Prompts);
        QCOMPARE(plain.size(), QSize(584, 441));
        QVERIFY(plain.RecentProjects().isEmpty());
    }

    void openDialogStartsInTheProjectsFolder()
    {
        m_Prompts->Files << QString();
        MenuEntry(QStringLiteral("actOpenProject"))->trigger();
        QCOMPARE(m_Prompts->Log.back().Caption, QString()); // no project: the last folder used

        m_Form->OpenProjectFile(Sample("sub/a.rpr"));
        m_Prompts->Files << QString();
        MenuEntry(QStringLiteral("actOpenProject"))->trigger();
        QCOMPARE(m_Prompts->Log.back().Kind, QStringLiteral("Open"));
        QCOMPARE(m_Prompts->Log.back().Caption, Path(QStringLiteral("sub")));
    }

    void realDialogsStartInTheGivenOrTheLastFolder()
    {
        const QString a = Sample("one/a.rpr");
        const QString b = Sample("two/b.rpr");
        TQtPrompts prompts;
        prompts.SetSettings(m_Settings.get());
        // Shows the dialog with path and returns the folder it starts in.
        auto startFolder = [&](bool open, QString path) {
            QString folder;
            WhenModal([&](QWidget* w) {
                auto* d = qobject_cast<QFileDialog*>(w);
                QVERIFY(d);
                folder = d->directory().absolutePath();
                d->reject();
            });
            [&] { QVERIFY(!(open ? prompts.OpenFileName(path) : prompts.SaveFileName(path))); }();
            return folder;
        };
        QCOMPARE(startFolder(true, Path(QStringLiteral("one"))), Path(QStringLiteral("one"))); // the given folder
        QCOMPARE(startFolder(false, b), Path(QStringLiteral("two")));                          // the preset file

        RememberDialogFolder(m_Settings.get(), b);
        QCOMPARE(LastDialogFolder(m_Settings.get()), Path(QStringLiteral("two")));
        QCOMPARE(startFolder(true, QString()), Path(QStringLiteral("two"))); // the last folder
        RememberDialogFolder(m_Settings.get(), a);
        QCOMPARE(startFolder(false, QString()), Path(QStringLiteral("one")));

        // A remembered folder that is gone is not used; without settings nothing is remembered.
        QDir(Path(QStringLiteral("one"))).removeRecursively();
        QCOMPARE(LastDialogFolder(m_Settings.get()), QString());
        RememberDialogFolder(nullptr, b);
        QCOMPARE(LastDialogFolder(nullptr), QString());
    }

    void projectFilesAreKnownByNameAndByContent()
    {
        const QMimeDatabase db;
        const QString type = QStringLiteral("application/x-quillet-project");
        QCOMPARE(db.mimeTypeForFile(QStringLiteral("strings.rpr"), QMimeDatabase::MatchExtension).name(), type);
        QCOMPARE(db.mimeTypeForData(QByteArray("object TResProject\r\n  Comment = 'x'\r\nend\r\n")).name(), type);
        QCOMPARE(db.mimeTypeForData(QByteArray("OBJECT tresproject\r\nend\r\n")).name(), type);
        QVERIFY(db.mimeTypeForData(QByteArray("object TResProjekt\r\nend\r\n")).name() != type);
        QVERIFY(db.mimeTypeForData(QByteArray(" object TResProject\r\nend\r\n")).name() != type);
        QVERIFY(db.mimeTypeForData(QByteArray("objectXTResProject\r\nend\r\n")).name() != type);
    }

    void imagesAreDrawnForHigherScales()
    {
        QList<QIcon> icons{Images::TickBox(false), Images::TickBox(true)};
        for (Images::TCommandImage image : {Images::NewProject, Images::OpenProject, Images::SaveProject,
                                            Images::SaveResFiles, Images::ProjectOptions})
            icons << Images::Command(image);
        for (const QIcon& icon : icons) {
            const QImage sharp = icon.pixmap(QSize(16, 16), 2.0).toImage();
            const QImage blownUp = icon.pixmap(QSize(16, 16), 1.0).toImage().scaled(32, 32);
            QCOMPARE(sharp.size(), QSize(32, 32));
            QVERIFY(sharp != blownUp);
            QCOMPARE(icon.pixmap(QSize(16, 16), 1.5).size(), QSize(24, 24));
        }
    }
};

QTEST_MAIN(tDesktop)
#include "tDesktop.moc"
