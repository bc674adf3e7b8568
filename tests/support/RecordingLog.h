// Binds the process-wide logger to a library that records messages, for tests to read back.
#pragma once

#include <string>
#include <vector>

namespace Tork::Testing {

struct LogRecord {
    std::string category, function;
    int line;
    std::string format, text;  // text: the message as printf formats it
};

/// Binds the process-wide logger to the recording library. Call before anything logs
/// (first thing in a test executable, e.g. from a gtest Environment or main). False when it could
/// not bind.
bool installRecordingLog();
/// Every message written since the start or the last clear, oldest first; empty when the
/// recording library cannot be loaded.
std::vector<LogRecord> recordedLogs();
/// Forgets the recorded messages; does nothing when the recording library cannot be loaded.
void clearRecordedLogs();

}  // namespace Tork::Testing
