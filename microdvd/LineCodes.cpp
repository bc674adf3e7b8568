#include "microdvd/LineCodes.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace Tork {
namespace {

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool isLetter(char c) {
    return lower(c) >= 'a' && lower(c) <= 'z';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isHexDigit(char c) {
    return isDigit(c) || (lower(c) >= 'a' && lower(c) <= 'f');
}

// The tags that one scope opens, and how each closes: the translator's own memory.
struct Tags {
    std::string& opening;
    std::vector<std::string_view>& closing;

    void add(std::string_view open, std::string_view close) {
        opening += open;
        closing.push_back(close);
    }
    void clear() {
        opening.clear();
        closing.clear();
    }
};

struct Code {
    char letter;
    std::string_view value;
    std::size_t length;
};

// "{", a letter, ":", a value and "}" at the start of `text`.
std::optional<Code> codeAt(std::string_view text) {
    if (text.size() < 4 || text[0] != '{' || !isLetter(text[1]) || text[2] != ':')
        return std::nullopt;
    const std::size_t brace = text.find('}', 3);
    if (brace == std::string_view::npos) return std::nullopt;
    return Code{text[1], text.substr(3, brace - 3), brace + 1};
}

void styles(std::string_view letters, Tags& tags) {
    struct Style {
        char letter;
        std::string_view open, close;
    };
    static constexpr Style kStyles[] = {
        {'i', "<i>", "</i>"}, {'b', "<b>", "</B>"}, {'u', "<u>", "</u>"}, {'s', "<s>", "</s>"}};
    bool seen[std::size(kStyles)] = {};
    // Later letters outermost, as the default reading nests them.
    for (auto letter = letters.rbegin(); letter != letters.rend(); ++letter) {
        for (std::size_t i = 0; i < std::size(kStyles); ++i) {
            if (lower(*letter) != kStyles[i].letter || seen[i]) continue;
            seen[i] = true;
            tags.add(kStyles[i].open, kStyles[i].close);
        }
    }
}

// Files write colours blue, green, red; the tag wants red, green, blue.
bool colour(std::string_view value, Tags& tags) {
    if (value.size() != 7 || (value[0] != '$' && value[0] != '#') ||
        !std::all_of(value.begin() + 1, value.end(), isHexDigit))
        return false;
    tags.opening.append("<font color=\"#")
        .append(value.substr(5, 2))
        .append(value.substr(3, 2))
        .append(value.substr(1, 2));
    tags.add("\">", "</font>");
    return true;
}

// The name reaches the host's renderer inside an attribute.
bool face(std::string_view name, Tags& tags) {
    if (name.empty()) return false;
    tags.opening += "<font face=\"";
    for (const char c : name) {
        switch (c) {
            case '&':
                tags.opening += "&amp;";
                break;
            case '<':
                tags.opening += "&lt;";
                break;
            case '>':
                tags.opening += "&gt;";
                break;
            case '"':
                tags.opening += "&quot;";
                break;
            default:
                tags.opening += c;
        }
    }
    tags.add("\">", "</font>");
    return true;
}

bool size(std::string_view digits, Tags& tags) {
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(), isDigit)) return false;
    tags.opening.append("<font size=\"").append(digits);
    tags.add("\">", "</font>");
    return true;
}

// Adds what `code` opens; false, adding nothing, when it is not well formed.
bool addTags(const Code& code, Tags& tags) {
    switch (lower(code.letter)) {
        case 'y':
            styles(code.value, tags);
            return true;
        case 'c':
            return colour(code.value, tags);
        case 'f':
            return face(code.value, tags);
        case 's':
            return size(code.value, tags);
        default:
            return true;  // position, font set, charset and the rest mean nothing here
    }
}

}  // namespace

void translateLineCodes(std::string_view text, std::string& out) {
    LineCodeTranslator().translate(text, out);
}

void LineCodeTranslator::translate(std::string_view text, std::string& out) {
    out.clear();
    // A line opens the tags of its upper-case codes before those of its lower-case ones, so
    // what closes at the end of the line always lies inside what stays open.
    Tags line{lineOpening_, lineClosing_}, later{laterOpening_, laterClosing_};
    closingLater_.clear();
    for (std::size_t start = 0;;) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        std::string_view rest = text.substr(start, end - start);
        line.clear();
        later.clear();
        for (;;) {
            if (!rest.empty() && (rest.front() == '/' || rest.front() == '\\')) {
                line.add("<i>", "</i>");
                rest.remove_prefix(1);
                continue;
            }
            const auto code = codeAt(rest);
            if (!code || !addTags(*code, lower(code->letter) == code->letter ? line : later)) break;
            rest.remove_prefix(code->length);
        }
        out.append(later.opening).append(line.opening).append(rest);
        closingLater_.insert(closingLater_.end(), later.closing.begin(), later.closing.end());
        for (auto tag = line.closing.rbegin(); tag != line.closing.rend(); ++tag) out += *tag;
        if (end == text.size()) break;
        out += '\n';
        start = end + 1;
    }
    for (auto tag = closingLater_.rbegin(); tag != closingLater_.rend(); ++tag) out += *tag;
}

}  // namespace Tork
