#include "app/Startup.h"

#include "app/CommandLineHelp.h"
#include "app/ScreenSaver.h"
#include "app/Translation.h"

#include "platform/Application.h"
#include "platform/ConfigFolder.h"
#include "platform/Exceptions.h"
#include "platform/InstanceLock.h"
#include "platform/MessageBox.h"
#include "platform/TerminationSignals.h"
#include "settings_dialog/Emblem.h"
#include "slideshow/EffectLists.h"
#include "slideshow/ProcessState.h"
#include "slideshow/UFMain.h"

#include <cstdio>
#include <memory>
#include <optional>

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
    // The window knows nothing of the host layer above it; its answers are wired here.
    auto* ScreenSaver1 = new TScreenSaver(window.get());
    TFMain* form = window.get();
    ScreenSaver1->SetOnPropertiesRequested(
        [form](QObject* Sender) { form->ScreenSaver1PropertiesRequested(Sender); });
    ScreenSaver1->SetOnPreview(
        [form](QObject* Sender, WId previewHwnd) { form->ScreenSaver1Preview(Sender, previewHwnd); });
    ScreenSaver1->SetOnCloseQuery(
        [form](QObject* Sender, bool& CanClose) { form->ScreenSaver1CloseQuery(Sender, CanClose); });
    ScreenSaver1->SetOnNotLocked([form](QObject*, const QString& message) { form->RecordError(message); });
    RunGuarded(ScreenSaver1, [ScreenSaver1] { ScreenSaver1->Loaded(); });
    window->FormCreate();
    if (ScreenSaver1->Mode() == TScreenSaverMode::Hack) {
        NFoto = SpreadHackPosition(NFoto, ScreenSaver1->HackMonitor(), PictureList.size());
    }
    return window;
}

void ClearLists() {
    ShowEffects.clear();
    HideEffects.clear();
    PictureList.clear();
}

} // namespace

int RunAmbrelle(int argc, char** argv) {
    // Answered before the application object exists, which would need a display.
    if (const std::optional<TInformationRequest> request = InformationRequest(argc, argv)) {
        AnswerInformationRequest(*request, stdout);
        return 0;
    }
    TApplication application(argc, argv);
    // A relative picture folder means the folder where the program was started.
    RememberStartFolder();
    InstallTranslation();
    // Whoever ends us by a signal (a screen-saver daemon, a session closing, Ctrl+C) gets the same end as a
    // closed window: the window's destruction stores the position and closes the error log.
    TTerminationSignals endBySignal([](int) { EndApplicationNow(); });
    const bool hack = IsHackCommandLine(QCoreApplication::arguments().mid(1),
                                        qEnvironmentVariable(XScreenSaverWindowVariable));
    if (!hack && !AcquireSingleInstance(QString::fromLatin1(InstanceName))) {
        return 0;
    }
    SetApplicationTitle(QString::fromLatin1(InstanceName));
    QApplication::setWindowIcon(EmblemIcon());
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
    return ApplicationExitCode();
}
