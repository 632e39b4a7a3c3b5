#pragma once

// The whole life of the process: single-instance guard, title, translation, process-wide lists, config
// folder, effect-list files, the main window and the message loop. A first argument of --help, -h or
// --version is answered on stdout instead, without a display. Returns the exit code: 0, or 1 when a show
// that should lock the screen could not.
int RunAmbrelle(int argc, char** argv);

// The name of the single-instance lock and the application title.
inline constexpr const char* InstanceName = "Ambrelle";
