#pragma once

#include <QObject>

#include <functional>
#include <memory>

// SIGTERM, SIGINT and SIGHUP as events of the message loop. The signal handler itself only writes the
// signal's number into a pipe; the handler given here runs later on the user-interface thread, so the
// program can end through its ordinary close path instead of dying in the middle of a write.
//
// One object at a time; its destruction puts back the dispositions it found.
class TTerminationSignals : public QObject {
    Q_OBJECT
public:
    using THandler = std::function<void(int signal)>;

    explicit TTerminationSignals(THandler handler, QObject* parent = nullptr);
    ~TTerminationSignals() override;

    // False when the pipe could not be made; the signals then keep their default action.
    bool Installed() const { return FInstalled; }

private:
    struct TState;
    void ReadSignals();

    THandler FHandler;
    std::unique_ptr<TState> FState;
    bool FInstalled = false;
};
