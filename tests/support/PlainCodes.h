// The formatting codes translated the plain way, every code through openCode and closeTags,
// and whether the quick writers of both readings agree with it: for the tests and the line
// fuzzer alike.
#pragma once

#include "microdvd/CodeTable.h"
#include "microdvd/FormattingCode.h"
#include "microdvd/LineCodes.h"
#include "text/Ascii.h"
#include "text/TextOutput.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

namespace Tork::Testing {

/// The default translation: a placed code opened and closed through its scope.
inline std::string plainFormattingCode(std::string_view text) {
    std::string out;
    ScopeTags::Closings closing;
    ScopeTags tags{closing};
    const auto code = codeAt(text);
    const char letter = code ? Ascii::lower(code->letter) : 0;
    const bool placed = letter == '/' || (letter == 'y' && code->length <= 6) ||
                        (letter == 'c' && code->length == 11);
    if (!placed || !openCode(*code, MicroDVDReading::Default, tags, out)) return std::string(text);
    out.append(text.substr(code->length));
    closeTags(tags, out);
    return out;
}

/// The lenient translation: each line's codes read again for each scope.
inline std::string plainLineCodes(std::string_view text) {
    std::string out;
    ScopeTags::Closings laterClosing;
    ScopeTags later{laterClosing};
    const auto openScope = [&out](std::string_view run, bool lineScope, ScopeTags& scope) {
        while (const auto code = codeAt(run)) {
            if ((Ascii::lower(code->letter) == code->letter) == lineScope)
                static_cast<void>(openCode(*code, MicroDVDReading::Lenient, scope, out));
            run.remove_prefix(code->length);
        }
    };
    for (std::size_t start = 0;;) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = text.substr(start, end - start);
        std::string_view rest = line;
        while (const auto code = codeAt(rest)) {
            if (!isCode(*code, MicroDVDReading::Lenient)) break;
            rest.remove_prefix(code->length);
        }
        const std::string_view run = line.substr(0, line.size() - rest.size());
        openScope(run, false, later);
        ScopeTags::Closings ownClosing;
        ScopeTags own{ownClosing};
        openScope(run, true, own);
        out.append(rest);
        closeTags(own, out);
        if (end == text.size()) break;
        out += '\n';
        start = end + 1;
    }
    closeTags(later, out);
    return out;
}

namespace PlainCodesDetail {

// What `write` gives as a std::string, as a count and into memory of that count, against
// `expected`; empty when all three are it.
template <class Write>
std::string disagreement(const char* path, const std::string& expected, Write&& write) {
    std::string written;
    write(written);
    CountingOutput counted;
    write(counted);
    std::string fixed(counted.size(), '\0');
    FixedOutput out(fixed.data(), fixed.size());
    write(out);
    if (written == expected && counted.size() == expected.size() && fixed == expected) return {};
    return std::string(path) + ": \"" + written + "\" (counted " + std::to_string(counted.size()) +
           ", fixed \"" + fixed + "\"), plainly \"" + expected + "\"";
}

}  // namespace PlainCodesDetail

/// How the quick writers of `text` differ from the plain translations, in every output and
/// with every hint of its lines that holds; empty when they agree.
inline std::string quickPathsDisagree(std::string_view text) {
    using PlainCodesDetail::disagreement;
    std::string found = disagreement("formatting code", plainFormattingCode(text),
                                     [&](auto& out) { writeFormattingCode(text, out); });
    if (!found.empty()) return found;
    const std::string lineCodes = plainLineCodes(text);
    LineCodeTranslator codes;  // one for every text, as the parser keeps it
    found = disagreement("line codes", lineCodes, [&](auto& out) { codes.write(text, out); });
    if (!found.empty()) return found;
    using Lines = LineCodeTranslator::Lines;
    if (text.find('\n') == std::string_view::npos) {
        found = disagreement("line codes, one line", lineCodes,
                             [&](auto& out) { codes.write(text, out, Lines::One); });
        if (!found.empty()) return found;
    }
    std::string barred(text);
    std::replace(barred.begin(), barred.end(), '\n', '|');
    if (!barsToLineFeeds(barred.data(), barred.size())) {
        found = disagreement("line codes, codes on the first line", lineCodes,
                             [&](auto& out) { codes.write(text, out, Lines::CodesOnFirst); });
    }
    return found;
}

}  // namespace Tork::Testing
