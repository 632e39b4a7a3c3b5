#include "app/Startup.h"

#include "platform/Application.h"
#include "platform/ConfigFolder.h"
#include "platform/Exceptions.h"
#include "platform/InstanceLock.h"
#include "platform/MessageBox.h"
#include "slideshow/EffectLists.h"
#include "slideshow/ProcessState.h"
#include "slideshow/UFMain.h"

#include <memory>

namespace {

QString FindBasePath() {
    const QString folder = WindowsDirectory();
    return folder.isEmpty() ? QString() : folder + QLatin1Char(PathDelimiter);
}

void LoadEffectLists() {
    LoadOrCreateEffectList(ShowEffects, BasePath + ShowEffectsFileName);
    LoadOrCreateEffectList(HideEffects, BasePath + HideEffectsFileName);
    SortEffectList(ShowEffects);
    SortEffectList(HideEffects);
}

// Builds the main window: its components first, then the screen-saver mode selection, then the window's
// own creation handler.
std::unique_ptr<TFMain> CreateMainWindow() {
    auto window = std::make_unique<TFMain>();
    window->FormCreate();
    return window;
}

void ClearLists() {
    ShowEffects.clear();
    HideEffects.clear();
    PictureList.clear();
}

} // namespace

int RunAmbrelle(int argc, char** argv) {
    TApplication application(argc, argv);
    if (!AcquireSingleInstance(QString::fromLatin1(InstanceName))) {
        return 0;
    }
    SetApplicationTitle(QString::fromLatin1(InstanceName));
    ClearLists();
    BasePath = FindBasePath();
    try {
        LoadEffectLists();
    } catch (const Exception& e) {
        ShowMessage(e.Message());
        return 0;
    }
    SettingsMode = false;
    {
        std::unique_ptr<TFMain> window = CreateMainWindow();
        if (!TerminationRequested()) {
            window->show();
        }
        application.exec();
    }
    ClearLists();
    return 0;
}
