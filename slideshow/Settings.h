#pragma once

// The settings file "ssAmbrelle.ini", section "General": the one place that reads and writes its keys.
// Every operation opens its own file object and releases it; nothing is cached. A write that the platform
// refuses raises "Unable to write to %s".

#include <QString>
#include <QtGlobal>

struct TStoredSettings {
    int NFoto = 0;
    int TimerInterval = 15;
    int TimerDelay = 1;
    bool IncludeSubfolders = false;
    bool Shuffle = false;
    // The random pass in progress (see ProcessState.h); 0 and empty when none was stored.
    quint32 ShuffleSeed = 0;
    QString ShuffleLast;
};

// "NFoto", "TimerInterval", "TimerDelay", "IncludeSubfolders", "Shuffle" (both 0 or 1), "ShuffleSeed"
// and "ShuffleLast", each with its default when missing or not a number.
TStoredSettings ReadStoredSettings();
// Writes NFoto and TimerInterval of the process-wide values.
void WritePosition();
// Writes TimerInterval of the process-wide values and the speed of the effects under "TimerDelay".
void WriteTimings(int timerDelay);
// Writes IncludeSubfolders and Shuffle of the process-wide values.
void WritePictureOrder();
// Writes ShuffleSeed and ShuffleLast of the process-wide values.
void WriteShufflePass();
// FotoDir := the "FotoDir" value, the executable's folder with a trailing separator by default.
void ReadFotoDir();
// Writes FotoDir under "FotoDir".
void WriteFotoDir();
