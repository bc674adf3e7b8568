// The one guard of every entry point: no exception crosses the plug-in boundary.
#pragma once

#include <cxxabi.h>

namespace Tork {

/// What a cancelled thread unwinds with. A catch-all must let it through (catch it first and
/// rethrow): swallowed, it aborts the host's process.
using ThreadCancellation = abi::__forced_unwind;

/// Runs `operation` and answers `fallback` when it throws anything: running out of memory
/// or of lock resources, or a host callback that throws, must not reach the host as an
/// exception. Only the unwinding of a host thread that is being cancelled passes.
template <class Answer, class Operation>
Answer orOnException(Answer fallback, Operation&& operation) {
    try {
        return operation();
    } catch (const ThreadCancellation&) {
        throw;
    } catch (...) {
        return fallback;
    }
}

/// The same for an operation that answers nothing: whatever it throws ends here, but the
/// unwinding of a cancelled thread.
template <class Operation>
void orOnException(Operation&& operation) {
    try {
        operation();
    } catch (const ThreadCancellation&) {
        throw;
    } catch (...) {
    }
}

}  // namespace Tork
