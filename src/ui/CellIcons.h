#pragma once

// The program's icon and one icon per cell type, drawn by the program at whatever size and pixel
// ratio it is shown, so it stays sharp in the tray, the list and on HiDPI
// screens.

#include <QIcon>

#include <cstdint>

// The icon of a cell type; a plain dot for types the catalogue lacks.
QIcon CellIcon(std::int32_t type);
// The program's own icon: a small scene chart (packaging/scenewright.svg
// draws the same for the desktop).
QIcon AppIcon();
