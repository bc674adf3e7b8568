#include "host/SubtitleFormat.h"

#include "text/Ascii.h"

#include <cstddef>

namespace Tork::Host {
namespace {

// Reads `text` a line at a time, blank lines passed over.
class Lines {
public:
    explicit Lines(std::string_view text) : rest_(text) {}
    std::optional<std::string_view> next() {
        while (!rest_.empty()) {
            const std::size_t end = rest_.find('\n');
            std::string_view line = rest_.substr(0, end);
            rest_ = end == std::string_view::npos ? std::string_view() : rest_.substr(end + 1);
            if (line.ends_with('\r')) line.remove_suffix(1);
            if (line.find_first_not_of(" \t") != std::string_view::npos) return line;
        }
        return std::nullopt;
    }

private:
    std::string_view rest_;
};

// Takes `least` to `most` digits from the front of `text`.
bool digits(std::string_view& text, std::size_t least, std::size_t most) {
    std::size_t count = 0;
    while (count < most && count < text.size() && Ascii::isDigit(text[count])) ++count;
    if (count < least) return false;
    text.remove_prefix(count);
    return true;
}

bool take(std::string_view& text, char c) {
    if (text.empty() || text.front() != c) return false;
    text.remove_prefix(1);
    return true;
}

// "H:MM:SS" with one to three digits of hours.
bool clockTime(std::string_view& text) {
    return digits(text, 1, 3) && take(text, ':') && digits(text, 2, 2) && take(text, ':') &&
           digits(text, 2, 2);
}

// "00:00:01,000 --> 00:00:02,000", a full stop allowed for the comma, blanks around the
// arrow as people type them.
bool cueTiming(std::string_view line) {
    const auto time = [&line] {
        return clockTime(line) && (take(line, ',') || take(line, '.')) && digits(line, 1, 3);
    };
    if (!time()) return false;
    while (take(line, ' ') || take(line, '\t')) {
    }
    if (!line.starts_with("-->")) return false;
    line.remove_prefix(3);
    while (take(line, ' ') || take(line, '\t')) {
    }
    return time();
}

}  // namespace

std::optional<std::string_view> otherSubtitleFormat(std::string_view head) {
    if (head.starts_with("\xEF\xBB\xBF")) head.remove_prefix(3);
    if (head.starts_with("WEBVTT") && (head.size() == 6 || head[6] == ' ' || head[6] == '\t' ||
                                       head[6] == '\n' || head[6] == '\r'))
        return "WebVTT";
    Lines lines(head);
    const auto first = lines.next();
    if (!first) return std::nullopt;
    std::string_view number = *first;
    if (digits(number, 1, 9) && number.find_first_not_of(" \t") == std::string_view::npos) {
        const auto second = lines.next();
        if (second && cueTiming(*second)) return "SubRip";
        return std::nullopt;
    }
    std::string_view timed = *first;
    if (clockTime(timed) && (take(timed, ':') || take(timed, '='))) return "TMPlayer";
    return std::nullopt;
}

}  // namespace Tork::Host
