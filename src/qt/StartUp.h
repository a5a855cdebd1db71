// The program's start-up around the window: the display settings that must be made before the
// application object exists, and the application's title and icon.
#pragma once

#include <QIcon>

namespace popuran::gui {

// Keeps every size and position at its pixel value whatever the desktop's scale factor. Call
// before the application object is created.
void PrepareDisplayEnvironment();

// Sets the application's title (also the caption of its error reports) and icon, and the font
// substitutes of the window's font family. Call once the application object exists.
void PrepareApplication();

// The window's and the application's icon: one 32 by 32 picture of 16 colours at most.
QIcon ApplicationIcon();

}  // namespace popuran::gui
