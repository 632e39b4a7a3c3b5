#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QString>
#include <QStringList>

// The X server of DISPLAY, seen as a user would: screenshots of the whole screen and key presses.
// GrabScreen takes the screen of another display when named.
QImage GrabScreen(const QString& displayName = QString());
// Sends a key to the window that has the input focus, by its X key name ("q", "Return", "Shift_L").
bool PressKey(const QString& keyName);
// True when both colours differ by at most tolerance in every channel.
bool SameColor(QColor a, QColor b, int tolerance = 12);
