#include "microdvd/FormattingCode.h"

#include "microdvd/CodeTable.h"
#include "text/Ascii.h"
#include "text/TextOutput.h"

namespace Tork {
namespace {

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
    ScopeTags::Closings closing;
    ScopeTags tags{closing};
    CodeGroup code;
    if (!readCode(text, code) || !isPlaced(code) ||
        !openCode(code, MicroDVDReading::Default, tags, out)) {
        out.append(text);
        return;
    }
    out.append(text.substr(code.length));
    closeTags(tags, out);
}

template void writeFormattingCode(std::string_view, std::string&);
template void writeFormattingCode(std::string_view, CountingOutput&);
template void writeFormattingCode(std::string_view, FixedOutput&);

}  // namespace Tork
