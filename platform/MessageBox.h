#pragma once

#include <QString>

class QWidget;

// A modal message box with one OK button, captioned with the application title.
void ShowMessage(const QString& text, QWidget* parent = nullptr);
