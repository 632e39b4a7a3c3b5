#pragma once

#include <QIcon>
#include <QPixmap>

// The program's emblem: an umbrella over a picture frame, drawn at any size (64 x 64 in the settings
// dialog), from the SVG that is also installed as the program's icon in the desktop's menus. It serves as
// the icon of the program's windows too.
QPixmap EmblemPixmap(int size);
QIcon EmblemIcon();
