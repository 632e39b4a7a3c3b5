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
const QString KeyIncludeSubfolders = QStringLiteral("IncludeSubfolders");
const QString KeyShuffle = QStringLiteral("Shuffle");
const QString KeyShuffleSeed = QStringLiteral("ShuffleSeed");
const QString KeyShuffleLast = QStringLiteral("ShuffleLast");

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
    stored.IncludeSubfolders = file.ReadInteger(SettingsSection, KeyIncludeSubfolders, 0) == 1;
    stored.Shuffle = file.ReadInteger(SettingsSection, KeyShuffle, 0) == 1;
    // The seed's 32 bits are stored as a signed number.
    stored.ShuffleSeed = quint32(file.ReadInteger(SettingsSection, KeyShuffleSeed, 0));
    stored.ShuffleLast = file.ReadString(SettingsSection, KeyShuffleLast, QString());
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

void WritePictureOrder() {
    const TIniFile file = SettingsFile();
    file.WriteInteger(SettingsSection, KeyIncludeSubfolders, IncludeSubfolders ? 1 : 0);
    file.WriteInteger(SettingsSection, KeyShuffle, Shuffle ? 1 : 0);
}

void WriteShufflePass() {
    const TIniFile file = SettingsFile();
    file.WriteInteger(SettingsSection, KeyShuffleSeed, int(ShuffleSeed));
    file.WriteString(SettingsSection, KeyShuffleLast, ShuffleLast);
}

void ReadFotoDir() {
    FotoDir = SettingsFile().ReadString(SettingsSection, KeyFotoDir, ExecutableFolder());
}

void WriteFotoDir() {
    SettingsFile().WriteString(SettingsSection, KeyFotoDir, FotoDir);
}
