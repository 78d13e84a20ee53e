// The program's images, drawn in code: the five command images, the two
// tick boxes of the language list, and the program icon.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace Images {

enum TCommandImage { NewProject = 0, OpenProject = 1, SaveProject = 2, SaveResFiles = 3, ProjectOptions = 4 };

QIcon Command(TCommandImage image); // 16 x 16, drawn also for higher pixel ratios
QPixmap TickBox(bool checked);      // 16 x 16: 0 empty, 1 ticked
QPixmap ProgramIcon(int size = 32);
QIcon ProgramIcons();

} // namespace Images
