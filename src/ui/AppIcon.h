// The application icon, from the resources compiled into the user-interface library.
#pragma once

#include <QIcon>

namespace sitefinch {

// Every size of the icon (16 to 256 pixels, and the SVG where an SVG reader is installed).
// Needs a QGuiApplication.
QIcon AppIcon();

}  // namespace sitefinch
