#pragma once

#include <QString>
#include <QStringList>

// Starts a program and does not wait for it; it inherits the environment and the current directory.
// False when it could not be started.
bool StartProcess(const QString& program, const QStringList& arguments = {});

// The full path of the running program.
QString ExecutablePath();
