#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <vector>

// The real screen saver in a process of its own, with a private config folder and runtime folder, on the
// X server of DISPLAY.
class ProgramRun {
public:
    ProgramRun();
    ~ProgramRun();

    QString ConfigFolder() const { return FHome.path() + QStringLiteral("/ambrelle"); }
    QString ConfigFile(const QString& name) const { return ConfigFolder() + QLatin1Char('/') + name; }
    QString ConfigHome() const { return FHome.path(); }
    // Writes "ssAmbrelle.ini" with these lines below "[General]".
    void WriteSettings(const QStringList& lines) const;
    void WriteEffectLists(const QByteArray& show, const QByteArray& hide) const;

    QProcessEnvironment& Environment() { return FEnvironment; }
    // The current folder the program starts in; the test's own when empty.
    QString WorkingFolder;
    QProcess& Start(const QStringList& arguments = {QStringLiteral("/s")});
    QProcess& Process() { return *FProcess; }
    bool Running() const { return FProcess && FProcess->state() == QProcess::Running; }
    // Waits for the end; false when the process is still running after the deadline.
    bool WaitForExit(int milliseconds = 10000);
    void Kill();

private:
    QTemporaryDir FHome;
    QTemporaryDir FRuntime;
    QProcessEnvironment FEnvironment;
    std::unique_ptr<QProcess> FProcess;
};

// The copies of the screen saver started with no arguments (settings copies) under that config folder.
std::vector<qint64> SettingsCopies(const QString& configHome);
// Ends them, as they stay open with the settings dialog until somebody closes it.
void KillSettingsCopies(const QString& configHome);
