#include "microdvd/LineCodes.h"

#include "microdvd/OverlayText.h"
#include "scan/Scan.h"
#include "text/Ascii.h"
#include "text/TextOutput.h"

#include <algorithm>
#include <span>

namespace Tork {
namespace {

// Lower-case codes (and slashes) cover their line, upper-case ones the rest of the entry.
bool coversLine(const CodeGroup& code) {
    return Ascii::lower(code.letter) == code.letter;
}

// Opens the tags of the codes in `run`, all well formed, that belong to the scope.
template <class Out>
void openScope(std::string_view run, bool lineScope, ScopeTags& scope, Out& out) {
    while (const auto code = codeAt(run)) {
        if (coversLine(*code) == lineScope)
            static_cast<void>(openCode(*code, MicroDVDReading::Lenient, scope, out));
        run.remove_prefix(code->length);
    }
}

// The same for codes already read.
template <class Out>
void openKept(std::span<const CodeGroup> run, bool lineScope, ScopeTags& scope, Out& out) {
    for (const CodeGroup& code : run)
        if (coversLine(code) == lineScope)
            static_cast<void>(openCode(code, MicroDVDReading::Lenient, scope, out));
}

// The line's text after its one code, a lower-case one of the lenient reading (isCode),
// with the tags that code opens and closes in a scope of its own, written whole as openCode
// and closeTags would write them tag by tag. False, writing nothing, for a face, whose name
// is escaped: that one goes the long way.
template <class Out>
bool writeLoneCode(const CodeGroup& code, std::string_view text, Out& out) {
    using OverlayText::kStyleTags;
    switch (code.letter) {
        case '/': {
            const OverlayText::StyleTag& italic = kStyleTags[OverlayText::kItalic];
            out.append(italic.opening).append(text).append(italic.closing);
            return true;
        }
        case 'y': {
            // Later letters outermost, each style once.
            std::size_t styles[OverlayText::kStyleCount], count = 0;
            unsigned open = 0;
            for (auto letter = code.value.rbegin(); letter != code.value.rend(); ++letter) {
                for (std::size_t style = 0; style < OverlayText::kStyleCount; ++style) {
                    if (Ascii::lower(*letter) != kStyleTags[style].letter || (open & 1u << style))
                        continue;
                    open |= 1u << style;
                    styles[count++] = style;
                    out.append(kStyleTags[style].opening);
                }
            }
            out.append(text);
            while (count > 0) out.append(kStyleTags[styles[--count]].closing);
            return true;
        }
        case 'c':
            writeColourOpening(code.value, out);
            out.append(OverlayText::kAttributeEnd).append(text).append(OverlayText::kFontClosing);
            return true;
        case 's':
            out.append(OverlayText::kSizeOpening)
                .append(code.value)
                .append(OverlayText::kAttributeEnd)
                .append(text)
                .append(OverlayText::kFontClosing);
            return true;
        case 'f':
            return false;
        default:  // means nothing here
            out.append(text);
            return true;
    }
}

bool startsCode(char c) {
    return c == '/' || c == '\\' || c == '{';
}

}  // namespace

bool barsToLineFeeds(char* text, std::size_t length) {
    // A line feed followed by what startsCode takes.
    return Scan::barsToLineFeeds(text, length, '/', '\\', '{');
}

void translateLineCodes(std::string_view text, std::string& out) {
    LineCodeTranslator().translate(text, out);
}

void LineCodeTranslator::translate(std::string_view text, std::string& out) {
    out.clear();
    write(text, out);
}

template <class Out>
void LineCodeTranslator::write(std::string_view text, Out& out, Lines lines) {
    // A line opens the tags of its upper-case codes before those of its lower-case ones, so
    // what closes at the end of the line always lies inside what stays open. A run of a few
    // codes, nearly every run, is read once for both scopes; a longer one is read again.
    closingLater_.clear();
    ScopeTags later{closingLater_};
    for (std::size_t start = 0;;) {
        const std::size_t end =
            lines == Lines::One ? text.size() : std::min(text.find('\n', start), text.size());
        const std::string_view line = text.substr(start, end - start);
        if (line.empty() || !startsCode(line.front())) {
            out.append(line);
        } else {
            std::string_view rest = line;
            std::size_t count = 0;
            bool upper = false;
            for (;;) {
                CodeGroup& slot = kept_[std::min(count, kKeptCodes)];
                if (!readCode(rest, slot) || !isCode(slot, MicroDVDReading::Lenient)) break;
                ++count;
                upper |= !coversLine(slot);
                rest.remove_prefix(slot.length);
            }
            if (count == 1 && !upper && writeLoneCode(kept_[0], rest, out)) {
                // written whole: the one code of the line and its text
            } else {
                lineClosing_.clear();
                ScopeTags own{lineClosing_};
                if (count <= kKeptCodes) {
                    const std::span<const CodeGroup> run(kept_, count);
                    if (upper) openKept(run, /*lineScope*/ false, later, out);
                    openKept(run, /*lineScope*/ true, own, out);
                } else {
                    const std::string_view run = line.substr(0, line.size() - rest.size());
                    openScope(run, /*lineScope*/ false, later, out);
                    openScope(run, /*lineScope*/ true, own, out);
                }
                out.append(rest);
                closeTags(own, out);
            }
        }
        if (end == text.size()) break;
        out += '\n';
        start = end + 1;
        if (lines == Lines::CodesOnFirst) {  // the rest is text as it stands
            out.append(text.substr(start));
            break;
        }
    }
    closeTags(later, out);
}

template void LineCodeTranslator::write(std::string_view, std::string&, Lines);
template void LineCodeTranslator::write(std::string_view, CountingOutput&, Lines);
template void LineCodeTranslator::write(std::string_view, FixedOutput&, Lines);

}  // namespace Tork
