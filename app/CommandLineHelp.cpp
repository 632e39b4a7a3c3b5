#include "app/CommandLineHelp.h"

#include <cstring>

#ifndef AMBRELLE_VERSION
#error "AMBRELLE_VERSION must be defined by the build"
#endif

std::optional<TInformationRequest> InformationRequest(int argc, const char* const* argv) {
    if (argc < 2 || argv[1] == nullptr) {
        return std::nullopt;
    }
    const char* first = argv[1];
    if (std::strcmp(first, "--help") == 0 || std::strcmp(first, "-h") == 0) {
        return TInformationRequest::Help;
    }
    if (std::strcmp(first, "--version") == 0) {
        return TInformationRequest::Version;
    }
    return std::nullopt;
}

namespace {

const char* UsageText() {
    return "Usage: ambrelle [/c | /s | /p ID | /a ID]\n"
           "       ambrelle -root | -window-id ID\n"
           "       ambrelle --help | --version\n"
           "A photo slide-show screen saver: the pictures of one folder, one after another, each brought\n"
           "in and wiped away by one of 22 transition effects.\n"
           "\n"
           "Screen-saver modes (only the second character of the first argument counts: /s, -s, /S alike):\n"
           "  /c, no argument   the settings dialog: folder, display time, effect speed, effects\n"
           "  /s                the show full screen; a key or a pointer move ends it (after the\n"
           "                    password when ScreenSaveUsePassword is on)\n"
           "  /p ID             the show as a preview inside the X11 window ID\n"
           "  /a ID             password change: nothing to change here, ends at once\n"
           "xscreensaver's modes (also with two dashes):\n"
           "  -root             the show inside the window in XSCREENSAVER_WINDOW, else on the root\n"
           "                    window of the screen\n"
           "  -window-id ID     the show inside the X11 window ID\n"
           "Window IDs are decimal or hexadecimal with 0x. When another copy runs, a new one ends at once.\n"
           "\n"
           "Options:\n"
           "  -h, --help        print this help and exit\n"
           "  --version         print the version and exit\n"
           "\n"
           "Files, in $XDG_CONFIG_HOME/ambrelle/ (~/.config/ambrelle/ when it is unset):\n"
           "  ssAmbrelle.ini    the settings: picture folder, display time, effect speed, last picture\n"
           "  ssShowEffects.Dat, ssHideEffects.Dat\n"
           "                    the effects that bring pictures in and wipe them away\n"
           "  desktop.ini       ScreenSaveUsePassword=1 in [Control Panel\\Desktop] asks for the\n"
           "                    password before the full-screen show ends\n"
           "  Error.dat         the log of pictures that could not be shown\n"
           "\n"
           "Environment:\n"
           "  XSCREENSAVER_WINDOW   the window xscreensaver runs the show in\n"
           "  XDG_CONFIG_HOME       the folder that holds the settings folder\n"
           "  DISPLAY               the X server\n"
           "  LANGUAGE, LC_ALL, LC_MESSAGES, LANG\n"
           "                        the language of the dialogs: Russian for a Russian or the C locale,\n"
           "                        English for any other\n"
           "\n"
           "See ambrelle(1).\n";
}

const char* VersionText() {
    return "ambrelle " AMBRELLE_VERSION "\n";
}

} // namespace

void AnswerInformationRequest(TInformationRequest request, std::FILE* out) {
    std::fputs(request == TInformationRequest::Help ? UsageText() : VersionText(), out);
    std::fflush(out);
}
