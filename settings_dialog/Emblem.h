#pragma once

#include <QIcon>
#include <QPixmap>

// The program's emblem: an umbrella over a picture frame, drawn at any size (64 x 64 in the settings
// dialog). It also serves as the icon of the program's windows.
QPixmap EmblemPixmap(int size);
QIcon EmblemIcon();
