// The program's icon, drawn once from its SVG at the sizes window managers
// and task bars ask for.
#pragma once

#include <QIcon>

namespace kd71::qt {

QIcon program_icon();

}  // namespace kd71::qt
