#include "slideshow/ProcessState.h"

QString BasePath;
QStringList ShowEffects;
QStringList HideEffects;
QStringList PictureList;
bool SettingsMode = false;

QString FotoDir;
int NFoto = 0;
int TimerInterval = 15;

bool IncludeSubfolders = false;
bool Shuffle = false;
quint32 ShuffleSeed = 0;
QString ShuffleLast;
