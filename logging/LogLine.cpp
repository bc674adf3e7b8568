// Turns one message into the line the logging library writes.
#include "logging/LogLine.h"

#include <cstdio>

namespace Tork::Logging {

namespace {

void appendEscaped(std::string& line, std::string_view text) {
    static constexpr char hex[] = "0123456789abcdef";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n') {
            line += "\\n";
        } else if (c == '\r') {
            line += "\\r";
        } else if ((byte < 0x20 && c != '\t') || byte == 0x7f) {
            // Keeps terminal control sequences in subtitle text from acting on a console.
            line += "\\x";
            line += hex[byte >> 4];
            line += hex[byte & 0xf];
        } else {
            line += c;
        }
    }
}

std::string_view withoutTrailingLineEnds(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

void appendTime(std::string& line, std::chrono::system_clock::time_point time) {
    using namespace std::chrono;
    const auto day = floor<days>(time);
    const year_month_day date{day};
    const hh_mm_ss clock{floor<milliseconds>(time - day)};
    char text[32];
    const int length = std::snprintf(
        text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", static_cast<int>(date.year()),
        static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
        static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
        static_cast<int>(clock.seconds().count()), static_cast<int>(clock.subseconds().count()));
    if (length > 0) line.append(text, static_cast<std::size_t>(length));
}

}  // namespace

std::optional<std::string> formatMessage(const char* format, std::va_list* arguments) {
    if (!format) return std::string();
    // Most messages fit here, which saves formatting them twice.
    char small[256];
    std::va_list measuring;
    va_copy(measuring, *arguments);
    const int length = std::vsnprintf(small, sizeof small, format, measuring);
    va_end(measuring);
    if (length < 0) return std::nullopt;
    const auto size = static_cast<std::size_t>(length);
    if (size < sizeof small) return std::string(small, size);

    std::string message(size, '\0');
    std::va_list writing;
    va_copy(writing, *arguments);
    std::vsnprintf(message.data(), size + 1, format, writing);
    va_end(writing);
    return message;
}

std::string composeLine(std::chrono::system_clock::time_point time, const char* category,
                        const char* function, int line, std::string_view message) {
    message = withoutTrailingLineEnds(message);
    std::string text;
    text.reserve(64 + message.size());
    appendTime(text, time);
    text += " [";
    appendEscaped(text, category ? category : "");
    text += "] ";
    appendEscaped(text, function ? function : "");
    text += ':';
    text += std::to_string(line);
    text += ": ";
    appendEscaped(text, message);
    text += '\n';
    return text;
}

}  // namespace Tork::Logging
