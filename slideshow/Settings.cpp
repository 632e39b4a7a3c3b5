#include "slideshow/Settings.h"

#include "platform/ConfigFolder.h"
#include "slideshow/ProcessState.h"

TStoredSettings ReadStoredSettings() {
    const TIniFile file = SettingsFile();
    TStoredSettings stored;
    stored.NFoto = file.ReadInteger(SettingsSection, KeyNFoto, DefaultNFoto);
    stored.TimerInterval = file.ReadInteger(SettingsSection, KeyTimerInterval, DefaultTimerInterval);
    stored.TimerDelay = file.ReadInteger(SettingsSection, KeyTimerDelay, DefaultTimerDelay);
    return stored;
}

void WritePosition() {
    const TIniFile file = SettingsFile();
    file.WriteInteger(SettingsSection, KeyNFoto, NFoto);
    file.WriteInteger(SettingsSection, KeyTimerInterval, TimerInterval);
}

void ReadFotoDir() {
    FotoDir = SettingsFile().ReadString(SettingsSection, KeyFotoDir, ExecutableFolder());
}

void WriteFotoDir() {
    SettingsFile().WriteString(SettingsSection, KeyFotoDir, FotoDir);
}
