#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

// The values that start-up, the slide show and the settings dialog share for the whole run.

// The config folder with a trailing separator, or empty; folder of the effect-list files and the log.
extern QString BasePath;
// Enabled show and hide effect numbers as decimal text, kept in text order ("0", "1", "10", ...).
extern QStringList ShowEffects;
extern QStringList HideEffects;
// The pictures of FotoDir in name order: bare file names, and paths relative to FotoDir for pictures in
// its subfolders.
extern QStringList PictureList;
// Set once the settings dialog has been created; the slide show then stays idle.
extern bool SettingsMode;

// The in-memory settings: the picture folder, the index in PictureList of the picture shown last, and the
// seconds a picture stays on screen.
extern QString FotoDir;
extern int NFoto;
extern int TimerInterval;

// Whether the pictures of FotoDir's subfolders are shown too, and whether each pass over the pictures
// takes a random order.
extern bool IncludeSubfolders;
extern bool Shuffle;
// The random pass in progress: the seed of its order (0 until one is drawn) and the picture shown last in
// it, as its entry of PictureList reads (empty before its first picture).
extern quint32 ShuffleSeed;
extern QString ShuffleLast;

// FotoDir as a path that holds whatever the current folder is: a relative FotoDir is taken against the
// current folder of the start, since the folder scan makes the picture folder the current one.
QString PictureFolder();
// Takes note of the current folder as the start folder; start-up calls it before anything changes it.
void RememberStartFolder();
