#pragma once

#include <QString>
#include <QStringList>

// The values that start-up, the slide show and the settings dialog share for the whole run.

// The config folder with a trailing separator, or empty; folder of the effect-list files and the log.
extern QString BasePath;
// Enabled show and hide effect numbers as decimal text, kept in text order ("0", "1", "10", ...).
extern QStringList ShowEffects;
extern QStringList HideEffects;
// Bare file names of the pictures in FotoDir, in the order of the directory listing.
extern QStringList PictureList;
// Set once the settings dialog has been created; the slide show then stays idle.
extern bool SettingsMode;

// The in-memory settings: the picture folder, the index in PictureList of the picture shown last, and the
// seconds a picture stays on screen.
extern QString FotoDir;
extern int NFoto;
extern int TimerInterval;
