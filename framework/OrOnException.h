// The one guard of every entry point: no exception crosses the plug-in boundary.
#pragma once

#include <cxxabi.h>

#include <exception>

namespace Tork {

/// What a cancelled thread unwinds with. A catch-all lets it through with rethrowIfForeign().
using ThreadCancellation = abi::__forced_unwind;

/// Called first in a catch-all: rethrows what is being handled when it is no C++ exception,
/// as the unwinding of a cancelled thread is not; swallowed, that aborts the host's process.
/// (Caught by its type, abi::__forced_unwind, it would bind a reference to an exception
/// object that does not exist, which the undefined-behaviour sanitizer stops at.)
inline void rethrowIfForeign() {
    if (!std::current_exception()) throw;
}

/// Runs `operation` and answers `fallback` when it throws anything: running out of memory
/// or of lock resources, or a host callback that throws, must not reach the host as an
/// exception. Only the unwinding of a host thread that is being cancelled passes.
template <class Answer, class Operation>
Answer orOnException(Answer fallback, Operation&& operation) {
    try {
        return operation();
    } catch (...) {
        rethrowIfForeign();
        return fallback;
    }
}

/// The same for an operation that answers nothing: whatever it throws ends here, but the
/// unwinding of a cancelled thread.
template <class Operation>
void orOnException(Operation&& operation) {
    try {
        operation();
    } catch (...) {
        rethrowIfForeign();
    }
}

}  // namespace Tork
