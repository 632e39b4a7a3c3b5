#include "tests/support/ProgramRun.h"

#include "tests/support/TestSupport.h"

#include <QDir>

#include <csignal>

ProgramRun::ProgramRun() : FEnvironment(QProcessEnvironment::systemEnvironment()) {
    FEnvironment.insert(QStringLiteral("XDG_CONFIG_HOME"), FHome.path());
    FEnvironment.insert(QStringLiteral("XDG_RUNTIME_DIR"), FRuntime.path());
    FEnvironment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    QDir().mkpath(ConfigFolder());
}

ProgramRun::~ProgramRun() {
    Kill();
}

void ProgramRun::WriteSettings(const QStringList& lines) const {
    QByteArray text = "[General]\r\n";
    for (const QString& line : lines) {
        text += line.toUtf8() + "\r\n";
    }
    WriteFileBytes(ConfigFile(QStringLiteral("ssAmbrelle.ini")), text);
}

void ProgramRun::WriteEffectLists(const QByteArray& show, const QByteArray& hide) const {
    WriteFileBytes(ConfigFile(QStringLiteral("ssShowEffects.Dat")), show);
    WriteFileBytes(ConfigFile(QStringLiteral("ssHideEffects.Dat")), hide);
}

QProcess& ProgramRun::Start(const QStringList& arguments) {
    Kill();
    FProcess = std::make_unique<QProcess>();
    FProcess->setProcessEnvironment(FEnvironment);
    FProcess->setWorkingDirectory(WorkingFolder);
    FProcess->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    FProcess->start(BinPath(QStringLiteral("ambrelle")), arguments);
    FProcess->waitForStarted();
    return *FProcess;
}

bool ProgramRun::WaitForExit(int milliseconds) {
    return !FProcess || FProcess->state() == QProcess::NotRunning || FProcess->waitForFinished(milliseconds);
}

void ProgramRun::Kill() {
    if (FProcess && FProcess->state() != QProcess::NotRunning) {
        FProcess->kill();
        FProcess->waitForFinished();
    }
}

std::vector<qint64> SettingsCopies(const QString& configHome) {
    std::vector<qint64> found;
    const QByteArray marker = "XDG_CONFIG_HOME=" + configHome.toLocal8Bit();
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        const QByteArray cmdline = ReadFileBytes(QStringLiteral("/proc/%1/cmdline").arg(pid));
        const QList<QByteArray> arguments = cmdline.split('\0');
        // One argument and the terminating empty piece: no arguments after the program's name.
        if (arguments.size() != 2 || !arguments[0].endsWith("/ambrelle")) {
            continue;
        }
        const QList<QByteArray> environment =
            ReadFileBytes(QStringLiteral("/proc/%1/environ").arg(pid)).split('\0');
        if (environment.contains(marker)) {
            found.push_back(pid.toLongLong());
        }
    }
    return found;
}

void KillSettingsCopies(const QString& configHome) {
    for (const qint64 pid : SettingsCopies(configHome)) {
        ::kill(pid_t(pid), SIGKILL);
    }
}
