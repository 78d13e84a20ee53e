// The program's images, drawn in code: the five command images, the two
// tick boxes of the language list, and the program icon.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace Images {

enum TCommandImage { NewProject = 0, OpenProject = 1, SaveProject = 2, SaveResFiles = 3, ProjectOptions = 4 };

// 16 x 16, drawn also for higher pixel ratios.
QIcon Command(TCommandImage image);
QIcon TickBox(bool checked); // empty or ticked
// size x size device-independent pixels, drawn for the given pixel ratio.
QPixmap ProgramIcon(int size = 32, qreal ratio = 1.0);
QIcon ProgramIcons();

} // namespace Images
