// What a fatal signal must still do, since it skips every destructor: remove temporary
// files and end a status line.
#pragma once

#include "platform/Terminal.h"

#include <string>

namespace Tork {

/// Has every signal that ends a process by default (SIGHUP, SIGINT, SIGQUIT, SIGTERM,
/// SIGPIPE, SIGXFSZ, SIGALRM, SIGUSR1, SIGUSR2, ...; not the faults a bug raises) remove
/// every registered path, end an open status line with a line feed, then end the process as
/// the signal would have. A signal ignored at the start stays ignored.
void cleanUpOnFatalSignals();

/// Registers `path` (a file, or a folder of registered files) for removal at a fatal signal;
/// unregisterForRemoval() once it is gone or kept, which also drops the paths inside it.
/// Paths longer than the registry holds, or more of them than it has room for, are not
/// registered; removal then waits for a normal exit.
void registerForRemoval(const std::string& path);
void unregisterForRemoval(const std::string& path);

/// Whether standard output or standard error ends in a status line without a line feed,
/// which a fatal signal must end.
void setLineOpen(StandardStream stream, bool open);

}  // namespace Tork
