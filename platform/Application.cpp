#include "platform/Application.h"

#include "platform/Exceptions.h"
#include "platform/MessageBox.h"

#include <QMetaObject>

#include <utility>

namespace {

QString& Title() {
    static QString title;
    return title;
}

TExceptionEvent& OnException() {
    static TExceptionEvent handler;
    return handler;
}

void ShowUnhandled(const std::exception& e) {
    try {
        ShowMessage(ExceptionMessage(e));
    } catch (...) {
        // Nothing is left that could report it.
    }
}

} // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        HandleApplicationException(receiver, e);
    } catch (...) {
        HandleApplicationException(receiver, Exception(QStringLiteral("Unknown exception")));
    }
    return false;
}

QString ApplicationTitle() {
    return Title();
}

void SetApplicationTitle(const QString& title) {
    Title() = title;
    QCoreApplication::setApplicationName(title);
}

void SetApplicationOnException(TExceptionEvent handler) {
    OnException() = std::move(handler);
}

void HandleApplicationException(QObject* sender, const std::exception& e) {
    if (dynamic_cast<const EAbort*>(&e)) {
        return;
    }
    if (!OnException()) {
        ShowUnhandled(e);
        return;
    }
    try {
        OnException()(sender, e);
    } catch (const std::exception& inner) {
        ShowUnhandled(inner);
    } catch (...) {
    }
}

void RunGuarded(QObject* sender, const std::function<void()>& f) {
    try {
        f();
    } catch (const std::exception& e) {
        HandleApplicationException(sender, e);
    } catch (...) {
        HandleApplicationException(sender, Exception(QStringLiteral("Unknown exception")));
    }
}

static bool& Terminated() {
    static bool terminated = false;
    return terminated;
}

void RequestTermination() {
    Terminated() = true;
    if (auto* app = QCoreApplication::instance()) {
        QMetaObject::invokeMethod(app, &QCoreApplication::quit, Qt::QueuedConnection);
    }
}

bool TerminationRequested() {
    return Terminated();
}

void EndApplicationNow() {
    Terminated() = true;
    auto* app = QCoreApplication::instance();
    if (app == nullptr) {
        return;
    }
    QCoreApplication::exit(0);
    // A main loop that has not started yet ends with its first event.
    QMetaObject::invokeMethod(
        app, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
}

static int& ExitCodeValue() {
    static int code = 0;
    return code;
}

void SetApplicationExitCode(int code) {
    ExitCodeValue() = code;
}

int ApplicationExitCode() {
    return ExitCodeValue();
}

void ProcessMessages() {
    QCoreApplication::processEvents();
}
