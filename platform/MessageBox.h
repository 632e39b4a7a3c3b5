#pragma once

#include <QString>

class QWidget;

// A modal message box with one OK button, captioned with the application title.
void ShowMessage(const QString& text, QWidget* parent = nullptr);

// How the errors of a running show reach the user. A show that runs unattended must never wait for
// somebody to press OK: where the box can be seen it closes by itself, and inside a screen-saver daemon's
// window, where the daemon's own window would hide it, there is none.
enum class TErrorBoxMode { Modal, SelfClosing, None };

inline constexpr int SelfClosingBoxTime = 10000;

// The mode for the whole process; Modal until set.
void SetErrorBoxMode(TErrorBoxMode mode);
TErrorBoxMode ErrorBoxMode();

// Shows an error as the mode says and returns once the box has gone.
void ShowErrorMessage(const QString& text, QWidget* parent = nullptr);

// The message box of ShowMessage that closes by itself after milliseconds, or at once on any key or
// click inside it.
void ShowSelfClosingMessage(const QString& text, int milliseconds, QWidget* parent = nullptr);
