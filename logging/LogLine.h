// Turns one message into the line the logging library writes.
#pragma once

#include <chrono>
#include <cstdarg>
#include <optional>
#include <string>
#include <string_view>

namespace Tork::Logging {

/// The message `format` makes with the list at `arguments`, which stays usable. Nullopt when
/// the format cannot be applied; a null format makes the empty message. Throws only
/// std::bad_alloc.
std::optional<std::string> formatMessage(const char* format, std::va_list* arguments);

/// "<UTC time> [category] function:line: message" and a line feed. Trailing line feeds of
/// the message are dropped and other control characters escaped, so the result is always
/// exactly one line; null texts count as empty. Throws only std::bad_alloc.
std::string composeLine(std::chrono::system_clock::time_point time, const char* category,
                        const char* function, int line, std::string_view message);

}  // namespace Tork::Logging
