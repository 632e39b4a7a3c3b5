#pragma once

#include <QString>

#include <exception>
#include <string>

// The error classes of the whole program. what() is the message text in UTF-8; Message() gives it as a
// QString for display and for the error log.
class Exception : public std::exception {
public:
    explicit Exception(const QString& message) : FMessage(message), FUtf8(message.toStdString()) {}
    const char* what() const noexcept override { return FUtf8.c_str(); }
    const QString& Message() const { return FMessage; }

private:
    QString FMessage;
    std::string FUtf8;
};

#define AMBRELLE_EXCEPTION(Name, Base)                                                                       \
    class Name : public Base {                                                                               \
    public:                                                                                                  \
        using Base::Base;                                                                                    \
    }

// The silent exception: it ends the handler it leaves and is shown to nobody.
AMBRELLE_EXCEPTION(EAbort, Exception);
AMBRELLE_EXCEPTION(EConvertError, Exception);
AMBRELLE_EXCEPTION(EInOutError, Exception);
AMBRELLE_EXCEPTION(EStreamError, Exception);
AMBRELLE_EXCEPTION(EFOpenError, EStreamError);
AMBRELLE_EXCEPTION(EFCreateError, EStreamError);
AMBRELLE_EXCEPTION(EReadError, EStreamError);
AMBRELLE_EXCEPTION(EIniFileException, Exception);
AMBRELLE_EXCEPTION(ERegistryException, Exception);
AMBRELLE_EXCEPTION(EOutOfResources, Exception);
AMBRELLE_EXCEPTION(EOutOfMemory, Exception);
AMBRELLE_EXCEPTION(EInvalidGraphic, Exception);
AMBRELLE_EXCEPTION(ENSHiTimerError, Exception);
AMBRELLE_EXCEPTION(ENSScaleError, Exception);

#undef AMBRELLE_EXCEPTION

// "Cannot open file "%s". %s" and "Cannot create file "%s". %s", with the system's reason.
[[noreturn]] void RaiseFileOpenError(const QString& path, const QString& reason);
[[noreturn]] void RaiseFileCreateError(const QString& path, const QString& reason);

// The message of any exception: Message() for ours, what() for the standard library's.
QString ExceptionMessage(const std::exception& e);

// The system's text for the current errno.
QString LastSystemErrorText();
