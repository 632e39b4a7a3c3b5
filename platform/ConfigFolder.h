#pragma once

#include <QString>

// The folder that stands in for the Windows directory: $XDG_CONFIG_HOME/ambrelle, or ~/.config/ambrelle
// when XDG_CONFIG_HOME is unset or empty. It is created on first use. Returns the path without a trailing
// separator, or an empty string when no such folder can be had.
QString WindowsDirectory();

// The path separator of file names built by the program.
inline constexpr char PathDelimiter = '/';

// The folder of the running program's executable, with a trailing separator.
QString ExecutableFolder();
