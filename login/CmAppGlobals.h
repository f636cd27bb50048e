#pragma once
// Values that identify the running program to the framework, set once at start-up,
// and the hook through which errors that reach the event loop are handled.

#include <QString>

#include <exception>
#include <functional>

class QObject;

// The suite's module id of the running program.
extern int ApplicationModuleId;

// Makes a fresh schema-version data module with the given owner; empty when the
// program has no schema of its own to check.
using TVersionClass = std::function<QObject*(QObject* owner)>;
extern TVersionClass VersionClass;
// The version object while a check or a database creation runs, otherwise null.
extern QObject* CurrentVersion;

using TExceptionHandler = std::function<void(std::exception_ptr)>;
// Installs the program's handler for exceptions that reach the event loop; an empty
// function removes it.
void setApplicationExceptionHandler(TExceptionHandler handler);
bool hasApplicationExceptionHandler();
// Hands the exception to the installed handler. Without one, or when the handler
// itself fails, the exception is only reported on the debug output; never throws.
void handleApplicationException(std::exception_ptr error) noexcept;
// The text an exception carries, for any exception the program may see.
QString exceptionMessage(std::exception_ptr error);
