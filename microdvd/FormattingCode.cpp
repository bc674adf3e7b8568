#include "microdvd/FormattingCode.h"

#include "microdvd/CodeTable.h"
#include "text/Ascii.h"
#include "text/TextOutput.h"

namespace Tork {
namespace {

using namespace std::string_view_literals;

// Where the default reading takes a code: room for two style letters; a colour is
// exactly six digits.
bool isPlaced(const CodeGroup& code) {
    switch (Ascii::lower(code.letter)) {
        case '/':
            return true;
        case 'y':
            return code.length <= 6;
        case 'c':
            return code.length == 11;
        default:
            return false;
    }
}

}  // namespace

void translateFormattingCode(std::string_view text, std::string& out) {
    out.clear();
    writeFormattingCode(text, out);
}

template <class Out>
void writeFormattingCode(std::string_view text, Out& out) {
    CodeGroup code;
    if (!readCode(text, code) || !isPlaced(code)) {
        out.append(text);
        return;
    }
    // A placed code opens at most two tags, so they are written here as openCode and
    // closeTags would write them, without a list of closings and a call for each tag.
    const std::string_view rest = text.substr(code.length);
    switch (Ascii::lower(code.letter)) {
        case '/':
            out.append("<i>"sv).append(rest).append("</i>"sv);
            return;
        case 'y': {
            // Later letters outermost; by default only i and b, each as often as written.
            constexpr std::string_view opening[] = {"<i>", "<b>"}, closing[] = {"</i>", "</B>"};
            std::size_t styles[2], count = 0;
            for (auto letter = code.value.rbegin(); letter != code.value.rend(); ++letter) {
                const char lower = Ascii::lower(*letter);
                if (lower == 'i' || lower == 'b') styles[count++] = lower == 'b';
            }
            for (std::size_t i = 0; i < count; ++i) out.append(opening[styles[i]]);
            out.append(rest);
            for (std::size_t i = count; i-- > 0;) out.append(closing[styles[i]]);
            return;
        }
        default:  // a colour, placed
            if (!isCode(code, MicroDVDReading::Default)) break;
            writeColourOpening(code.value, out);
            out.append("\">"sv).append(rest).append("</font>"sv);
            return;
    }
    out.append(text);
}

template void writeFormattingCode(std::string_view, std::string&);
template void writeFormattingCode(std::string_view, CountingOutput&);
template void writeFormattingCode(std::string_view, FixedOutput&);

}  // namespace Tork
