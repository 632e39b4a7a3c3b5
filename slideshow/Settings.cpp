#include "slideshow/Settings.h"

#include "platform/ConfigFolder.h"
#include "platform/ProfileFile.h"
#include "slideshow/ProcessState.h"

#include <QString>

namespace {

const QString SettingsFileName = QStringLiteral("ssAmbrelle.ini");
const QString SettingsSection = QStringLiteral("General");
const QString KeyNFoto = QStringLiteral("NFoto");
const QString KeyTimerInterval = QStringLiteral("TimerInterval");
const QString KeyTimerDelay = QStringLiteral("TimerDelay");
const QString KeyFotoDir = QStringLiteral("FotoDir");

TIniFile SettingsFile() {
    return TIniFile(SettingsFileName);
}

} // namespace

TStoredSettings ReadStoredSettings() {
    const TIniFile file = SettingsFile();
    const TStoredSettings defaults;
    TStoredSettings stored;
    stored.NFoto = file.ReadInteger(SettingsSection, KeyNFoto, defaults.NFoto);
    stored.TimerInterval = file.ReadInteger(SettingsSection, KeyTimerInterval, defaults.TimerInterval);
    stored.TimerDelay = file.ReadInteger(SettingsSection, KeyTimerDelay, defaults.TimerDelay);
    return stored;
}

void WritePosition() {
    const TIniFile file = SettingsFile();
    file.WriteInteger(SettingsSection, KeyNFoto, NFoto);
    file.WriteInteger(SettingsSection, KeyTimerInterval, TimerInterval);
}

void WriteTimings(int timerDelay) {
    const TIniFile file = SettingsFile();
    file.WriteInteger(SettingsSection, KeyTimerInterval, TimerInterval);
    file.WriteInteger(SettingsSection, KeyTimerDelay, timerDelay);
}

void ReadFotoDir() {
    FotoDir = SettingsFile().ReadString(SettingsSection, KeyFotoDir, ExecutableFolder());
}

void WriteFotoDir() {
    SettingsFile().WriteString(SettingsSection, KeyFotoDir, FotoDir);
}
