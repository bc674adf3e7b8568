#include "microdvd/LineCodes.h"

#include "microdvd/CodeTable.h"
#include "text/Ascii.h"

#include <algorithm>

namespace Tork {

void translateLineCodes(std::string_view text, std::string& out) {
    LineCodeTranslator().translate(text, out);
}

void LineCodeTranslator::translate(std::string_view text, std::string& out) {
    out.clear();
    // A line opens the tags of its upper-case codes before those of its lower-case ones, so
    // what closes at the end of the line always lies inside what stays open.
    ScopeTags line{lineOpening_, lineClosing_}, later{laterOpening_, laterClosing_};
    closingLater_.clear();
    for (std::size_t start = 0;;) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        std::string_view rest = text.substr(start, end - start);
        line.clear();
        later.clear();
        for (;;) {
            if (!rest.empty() && (rest.front() == '/' || rest.front() == '\\')) {
                addItalic(line);
                rest.remove_prefix(1);
                continue;
            }
            const auto code = codeGroupAt(rest);
            if (!code || !addCodeTags(*code, MicroDVDReading::Lenient,
                                      Ascii::lower(code->letter) == code->letter ? line : later))
                break;
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
