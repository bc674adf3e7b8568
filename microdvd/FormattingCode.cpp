#include "microdvd/FormattingCode.h"

#include "microdvd/CodeTable.h"
#include "text/Ascii.h"

namespace Tork {

void translateFormattingCode(std::string_view text, std::string& out) {
    out.clear();
    ScopeTags::Closings closing;
    ScopeTags tags{out, closing};
    std::string_view rest = text;
    if (!text.empty() && (text[0] == '/' || text[0] == '\\')) {
        addItalic(tags);
        rest.remove_prefix(1);
    } else if (const auto code = codeGroupAt(text)) {
        // Room for two style letters; a colour is exactly six digits.
        const char letter = Ascii::lower(code->letter);
        const bool placed =
            (letter == 'y' && code->length <= 6) || (letter == 'c' && code->length == 11);
        if (placed && addCodeTags(*code, MicroDVDReading::Default, tags))
            rest.remove_prefix(code->length);
    }
    if (rest.size() == text.size()) {
        out.assign(text);
        return;
    }
    out += rest;
    for (auto tag = closing.rbegin(); tag != closing.rend(); ++tag) out += *tag;
}

}  // namespace Tork
