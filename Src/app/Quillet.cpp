// The program's entry: the application, the main window and its dialogs, the event loop.
#include "frmMain.h"
#include "uImages.h"
#include "uPrompts.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(kAppTitle));
    QApplication::setApplicationDisplayName(QString::fromLatin1(kAppTitle));
    QApplication::setWindowIcon(Images::ProgramIcons());
    TQtPrompts prompts;
    TMainForm mainForm(prompts);
    mainForm.show();
    return app.exec();
}
