// The one guard of every entry point: no exception crosses the plug-in boundary.
#pragma once

namespace Tork {

/// Runs `operation` and answers `fallback` when it throws anything: running out of memory
/// or of lock resources, or a host callback that throws, must neither reach the host as an
/// exception nor end the process in a noexcept path.
template <class Answer, class Operation>
Answer orOnException(Answer fallback, Operation&& operation) noexcept {
    try {
        return operation();
    } catch (...) {
        return fallback;
    }
}

/// The same for an operation that answers nothing: whatever it throws ends here.
template <class Operation>
void orOnException(Operation&& operation) noexcept {
    try {
        operation();
    } catch (...) {
    }
}

}  // namespace Tork
