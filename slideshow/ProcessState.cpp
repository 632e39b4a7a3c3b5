#include "slideshow/ProcessState.h"

QString BasePath;
QStringList ShowEffects;
QStringList HideEffects;
QStringList PictureList;
bool SettingsMode = false;

QString FotoDir;
int NFoto = 0;
int TimerInterval = 15;
