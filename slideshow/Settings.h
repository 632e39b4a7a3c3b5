#pragma once

#include "platform/ProfileFile.h"

#include <QString>

// The settings file "ssAmbrelle.ini", section "General". Every operation opens its own file object and
// releases it; nothing is cached.
inline const QString SettingsFileName = QStringLiteral("ssAmbrelle.ini");
inline const QString SettingsSection = QStringLiteral("General");
inline const QString KeyNFoto = QStringLiteral("NFoto");
inline const QString KeyTimerInterval = QStringLiteral("TimerInterval");
inline const QString KeyTimerDelay = QStringLiteral("TimerDelay");
inline const QString KeyFotoDir = QStringLiteral("FotoDir");

constexpr int DefaultNFoto = 0;
constexpr int DefaultTimerInterval = 15;
constexpr int DefaultTimerDelay = 1;

inline TIniFile SettingsFile() {
    return TIniFile(SettingsFileName);
}

struct TStoredSettings {
    int NFoto = DefaultNFoto;
    int TimerInterval = DefaultTimerInterval;
    int TimerDelay = DefaultTimerDelay;
};

// "NFoto", "TimerInterval" and "TimerDelay", each with its default when missing or not a number.
TStoredSettings ReadStoredSettings();
// Writes NFoto and TimerInterval of the process-wide values.
void WritePosition();
// FotoDir := the "FotoDir" value, the executable's folder with a trailing separator by default.
void ReadFotoDir();
// Writes FotoDir under "FotoDir".
void WriteFotoDir();
