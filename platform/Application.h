#pragma once

#include <QApplication>

#include <exception>
#include <functional>

using TExceptionEvent = std::function<void(QObject* Sender, const std::exception& E)>;

// The application object. Every exception that leaves an event handler is caught in notify() and goes to
// HandleApplicationException, never to std::terminate.
class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

QString ApplicationTitle();
void SetApplicationTitle(const QString& title);

// The application-wide exception handler; without one, the message is shown in a message box.
void SetApplicationOnException(TExceptionEvent handler);
// Hands an exception to that handler. EAbort is dropped silently. Exceptions thrown by the handler itself
// are shown in a message box and go no further.
void HandleApplicationException(QObject* sender, const std::exception& e);

// Runs f and hands anything it throws to the application-wide handler. For places where an event arrives
// outside notify(), such as timer callbacks.
void RunGuarded(QObject* sender, const std::function<void()>& f);

// Asks the message loop to end the next time it runs.
void RequestTermination();
bool TerminationRequested();
// Ends every message loop that runs now, modal ones included, and the main loop as soon as it runs, without
// asking any window whether it may close. The windows are then destroyed as at every other end.
void EndApplicationNow();
// The code the process ends with; 0 unless set.
void SetApplicationExitCode(int code);
int ApplicationExitCode();
// Lets the message loop handle the events that are pending now, once.
void ProcessMessages();
