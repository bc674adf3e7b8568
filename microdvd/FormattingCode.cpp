#include "microdvd/FormattingCode.h"

#include "microdvd/CodeTable.h"
#include "microdvd/OverlayText.h"
#include "text/Ascii.h"
#include "text/TextOutput.h"

namespace Tork {
namespace {

using OverlayText::kStyleTags;

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
        case '/': {
            const OverlayText::StyleTag& italic = kStyleTags[OverlayText::kItalic];
            out.append(italic.opening).append(rest).append(italic.closing);
            return;
        }
        case 'y': {
            // Later letters outermost; by default only the styles of both readings, each as
            // often as written.
            std::size_t styles[2], count = 0;
            for (auto letter = code.value.rbegin(); letter != code.value.rend(); ++letter) {
                const std::size_t style = OverlayText::styleOf(*letter);
                if (style < OverlayText::kStyleCount && !kStyleTags[style].lenientOnly)
                    styles[count++] = style;
            }
            for (std::size_t i = 0; i < count; ++i) out.append(kStyleTags[styles[i]].opening);
            out.append(rest);
            for (std::size_t i = count; i-- > 0;) out.append(kStyleTags[styles[i]].closing);
            return;
        }
        default:  // a colour, placed
            if (!isCode(code, MicroDVDReading::Default)) break;
            writeColourOpening(code.value, out);
            out.append(OverlayText::kAttributeEnd).append(rest).append(OverlayText::kFontClosing);
            return;
    }
    out.append(text);
}

template void writeFormattingCode(std::string_view, std::string&);
template void writeFormattingCode(std::string_view, CountingOutput&);
template void writeFormattingCode(std::string_view, FixedOutput&);

}  // namespace Tork
