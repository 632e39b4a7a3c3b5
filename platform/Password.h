#pragma once

#include <QString>

// The screen-saver password of the desktop: whether the user wants it asked for, and the check of the
// current user's login password that stands in for it.

// The stand-in for the desktop's registry: section "Control Panel\Desktop" of "desktop.ini" in the config
// folder.
inline const QString DesktopFileName = QStringLiteral("desktop.ini");
inline const QString DesktopSection = QStringLiteral("Control Panel\\Desktop");
inline const QString ScreenSaveUsePasswordName = QStringLiteral("ScreenSaveUsePassword");

// True when "ScreenSaveUsePassword" exists and holds a non-zero integer. A missing file, section or value
// means no password. The value is read as a 4-byte integer with the registry layer's errors: a number that
// does not fit raises ERegistryException "Failed to get data for 'ScreenSaveUsePassword'", any other text
// "Invalid data type for 'ScreenSaveUsePassword'".
bool ScreenSaveUsePassword();

// The PAM service that checks the password. Without its own file under /etc/pam.d, PAM uses "other".
inline constexpr const char* PasswordServiceName = "ambrelle";
inline constexpr const char* PasswordFallbackServiceName = "other";

// The login name of the user who runs the program; empty when the system knows no name for the user id.
QString CurrentUserName();

// True when passwords can be checked at all: the program was built with PAM and a PAM transaction for the
// current user can be started. Without that no password is asked.
bool PasswordCheckAvailable();

// True when password is the current user's password. Every failure of PAM counts as a wrong password.
bool CheckCurrentUserPassword(const QString& password);
