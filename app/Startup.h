#pragma once

// The whole life of the process: single-instance guard, title, process-wide lists, config folder,
// effect-list files, the main window and the message loop. Returns the exit code, which is always 0.
int RunAmbrelle(int argc, char** argv);

// The name of the single-instance lock and the application title.
inline constexpr const char* InstanceName = "Ambrelle";
