// subplay's spelling of times, printable text, JSON strings and encoding names.
#include "tools/subplay/OutputText.h"

#include "scan/Scan.h"

namespace Tork::Subplay {
namespace {

// In well-formed UTF-8, which is what the plug-in hands out, only C0, DEL and the C1
// controls (C2 80 to C2 9F) need a look: where the next control from `from` starts, with
// its length, or npos. A block without those bytes is passed over whole. Safe on any bytes:
// a text that is not well-formed never makes it read past its end or step over a control.
std::size_t nextControl(std::string_view bytes, std::size_t from, std::size_t& length) {
    for (std::size_t i = from; i < bytes.size();) {
        i = Scan::nextByteOf(bytes, i, '\x7F', '\xC2', '\x7F', /*controls*/ true);
        if (i == bytes.size()) break;
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte == 0xC2) {
            const auto next = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
            if (next >= 0x80 && next <= 0x9F) {
                length = 2;
                return i;
            }
            // Past a letter's continuation byte; anything else is looked at on its own.
            i += next >= 0xA0 && next <= 0xBF ? 2 : 1;
        } else if ((byte < 0x20 && byte != '\n' && byte != '\t') || byte == 0x7F) {
            length = 1;
            return i;
        } else {
            ++i;  // line feed or tab
        }
    }
    return std::string_view::npos;
}

void appendPrintableWellFormed(std::string_view bytes, std::string& out) {
    std::size_t copied = 0;  // the bytes before it are in `out`
    std::size_t length = 0;
    for (std::size_t at; (at = nextControl(bytes, copied, length)) != std::string_view::npos;) {
        out.append(bytes, copied, at - copied).append(replacementCharacter);
        copied = at + length;
    }
    out.append(bytes, copied);
}

// Where the next byte that a JSON string must escape is, from `from`: a quote, a backslash
// or a control; the text's size when there is none.
std::size_t nextJsonEscape(std::string_view text, std::size_t from) {
    return Scan::nextByteOf(text, from, '"', '\\', '"', /*controls*/ true);
}

}  // namespace

bool noControl(std::string_view bytes) {
    // C2 also leads letters such as U+00A0: those texts are searched to be sure.
    std::size_t length = 0;
    return !Scan::mayHoldControl(bytes) || nextControl(bytes, 0, length) == std::string_view::npos;
}

void appendPrintable(std::string_view bytes, std::string& out, Source source) {
    if (source == Source::Trusted || isWellFormedUtf8(bytes)) {
        if (noControl(bytes)) {
            out += bytes;
            return;
        }
        appendPrintableWellFormed(bytes, out);
    } else {
        appendPrintableWellFormed(replaceIllFormedUtf8(bytes), out);
    }
}

std::string_view repaired(std::string_view bytes, std::string& scratch, Source source,
                          bool wellFormed) {
    scratch.clear();
    if (wellFormed) {
        // Room for the repair and no more: a text of controls triples, and a string left
        // to grow would double that again.
        std::size_t size = bytes.size(), length = 0;
        for (std::size_t at = 0; (at = nextControl(bytes, at, length)) != std::string_view::npos;
             at += length)
            size += replacementCharacter.size() - length;
        scratch.reserve(size);
    }
    appendPrintable(bytes, scratch, source);
    return scratch;
}

void appendJsonEscaped(std::string_view text, std::string& out) {
    for (std::size_t from = 0;;) {
        const std::size_t at = nextJsonEscape(text, from);
        out.append(text, from, at - from);
        if (at == text.size()) break;
        const char c = text[at];
        from = at + 1;
        if (c == '"' || c == '\\') {
            (out += '\\') += c;
        } else if (c == '\n' || c == '\r' || c == '\t') {
            (out += '\\') += c == '\n' ? 'n' : c == '\r' ? 'r' : 't';
        } else {
            constexpr char hex[] = "0123456789abcdef";
            (out += "\\u00") += hex[(c >> 4) & 0xF];
            out += hex[c & 0xF];
        }
    }
}

void appendJsonString(std::string_view text, std::string& out) {
    out += '"';
    appendJsonEscaped(text, out);
    out += '"';
}

std::string encodingLabel(std::string_view name) {
    std::string form;
    for (const char c : name) {
        if (c != '-' && c != '_')
            form += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    if (!form.starts_with("UTF") || form.size() == 3) return std::string(name);
    return "UTF-" + form.substr(3);
}

std::string formatTime(std::uint32_t milliseconds, char separator) {
    std::string text;
    appendTime(text, milliseconds, separator);
    return text;
}

std::string printable(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    appendPrintable(bytes, out);
    return out;
}

std::string jsonString(std::string_view text) {
    std::string out;
    appendJsonString(text, out);
    return out;
}

}  // namespace Tork::Subplay
