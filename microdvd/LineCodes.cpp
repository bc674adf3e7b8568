#include "microdvd/LineCodes.h"

#include "text/Ascii.h"
#include "text/TextOutput.h"

#include <algorithm>

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

}  // namespace

void translateLineCodes(std::string_view text, std::string& out) {
    LineCodeTranslator().translate(text, out);
}

void LineCodeTranslator::translate(std::string_view text, std::string& out) {
    out.clear();
    write(text, out);
}

template <class Out>
void LineCodeTranslator::write(std::string_view text, Out& out, bool oneLine) {
    // A line opens the tags of its upper-case codes before those of its lower-case ones, so
    // what closes at the end of the line always lies inside what stays open. The codes are
    // read again for each scope rather than their tags kept.
    closingLater_.clear();
    ScopeTags later{closingLater_};
    for (std::size_t start = 0;;) {
        const std::size_t end =
            oneLine ? text.size() : std::min(text.find('\n', start), text.size());
        const std::string_view line = text.substr(start, end - start);
        std::string_view rest = line;
        while (const auto code = codeAt(rest)) {
            if (!isCode(*code, MicroDVDReading::Lenient)) break;
            rest.remove_prefix(code->length);
        }
        const std::string_view run = line.substr(0, line.size() - rest.size());
        openScope(run, /*lineScope*/ false, later, out);
        lineClosing_.clear();
        ScopeTags own{lineClosing_};
        openScope(run, /*lineScope*/ true, own, out);
        out.append(rest);
        closeTags(own, out);
        if (end == text.size()) break;
        out += '\n';
        start = end + 1;
    }
    closeTags(later, out);
}

template void LineCodeTranslator::write(std::string_view, std::string&, bool);
template void LineCodeTranslator::write(std::string_view, CountingOutput&, bool);
template void LineCodeTranslator::write(std::string_view, FixedOutput&, bool);

}  // namespace Tork
