// The program's entry: the application, the main window and its dialogs, the event loop.
#include "frmMain.h"
#include "uImages.h"
#include "uPrompts.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QSettings>
#include <QTimer>

#include <cstdio>
#include <cstring>

namespace {

void SetNames()
{
    QCoreApplication::setOrganizationName(QString::fromLatin1(kAppTitle));
    QCoreApplication::setApplicationName(QString::fromLatin1(kAppTitle));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLET_VERSION));
}

void SetupParser(QCommandLineParser& parser)
{
    parser.setApplicationDescription(
        QStringLiteral("Edits string-resource projects and generates Pascal units from them."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("project"), QStringLiteral("The project file to open."),
                                 QStringLiteral("[project.rpr]"));
}

// True when the command line only asks for the help or the version, which are
// answered without a display.
bool AsksHelpOrVersion(int argc, char** argv)
{
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i)
        for (const char* option : {"-h", "--help", "-?", "--help-all", "-v", "--version"})
            if (std::strcmp(argv[i], option) == 0) return true;
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (AsksHelpOrVersion(argc, argv)) {
        QCoreApplication app(argc, argv);
        SetNames();
        QCommandLineParser parser;
        SetupParser(parser);
        parser.process(app); // prints and exits
        return 0;
    }

    QApplication app(argc, argv);
    // No display name: X11 would append it to every window title.
    SetNames();
    QApplication::setWindowIcon(Images::ProgramIcons());
    // Desktop shells find the desktop entry, and with it the icon, by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("quillet"));
    QCommandLineParser parser;
    SetupParser(parser);
    parser.process(app); // an unknown option is reported and ends the program
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        std::fprintf(stderr, "quillet: one project file at most\n");
        return 1;
    }

    QSettings settings;
    TQtPrompts prompts;
    prompts.SetSettings(&settings);
    TMainForm mainForm(prompts);
    mainForm.SetSettings(&settings);
    mainForm.show();
    // The file named on the command line opens once the window is up, so that
    // an error box has the window to stand on.
    if (!files.isEmpty())
        QTimer::singleShot(0, &mainForm, [&mainForm, file = files.front()] { mainForm.OpenProjectFile(file); });
    return app.exec();
}
