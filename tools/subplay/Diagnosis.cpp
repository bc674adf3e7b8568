#include "tools/subplay/Diagnosis.h"

#include "platform/FileHandle.h"
#include "text/Ascii.h"
#include "text/FileUrl.h"
#include "text/UCNVLibrary.h"
#include "text/Utf.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace Tork::Subplay {

namespace {

bool isFileUrl(std::string_view url) {
    constexpr std::string_view scheme = "file:";
    return url.size() >= scheme.size() &&
           std::equal(scheme.begin(), scheme.end(), url.begin(),
                      [](char a, char b) { return a == Ascii::lower(b); });
}

// What the plug-in takes for the extension: from the last "." of what the path is made
// from to the end.
std::string_view urlExtension(std::string_view url) {
    url = withoutQueryOrFragment(url);
    const auto dot = url.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : url.substr(dot);
}

// The number after `prefix` in `line`, or -1.
long long numberAfter(std::string_view line, std::string_view prefix) {
    const auto at = line.find(prefix);
    if (at == std::string_view::npos) return -1;
    long long value = 0;
    const char* first = line.data() + at + prefix.size();
    const auto [end, error] = std::from_chars(first, line.data() + line.size(), value);
    return error == std::errc() && end != first ? value : -1;
}

// "{digits}{digits or nothing}" at the start of `line`, which every reading takes as it is.
bool framedPlainly(std::string_view line) {
    std::size_t at = 0;
    const auto digits = [&] {
        const std::size_t from = at;
        while (at < line.size() && Ascii::isDigit(line[at])) ++at;
        return at > from;
    };
    const auto brace = [&](char c) { return at < line.size() && line[at++] == c; };
    if (!(brace('{') && digits() && brace('}') && brace('{'))) return false;
    digits();
    return brace('}');
}

}  // namespace

bool hasLineForLenience(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    const char* from = bytes.data();
    const char* const end = from + bytes.size();
    while (from < end) {
        const auto* feed = static_cast<const char*>(std::memchr(from, '\n', end - from));
        const char* const lineEnd = feed ? feed : end;
        for (;;) {
            const auto* carriage =
                static_cast<const char*>(std::memchr(from, '\r', lineEnd - from));
            const char* const stop = carriage ? carriage : lineEnd;
            if (stop != from && !framedPlainly({from, static_cast<std::size_t>(stop - from)}))
                return true;
            if (!carriage) break;
            from = carriage + 1;
        }
        from = lineEnd + 1;
    }
    return false;
}

std::string regularFileBytes(const std::string& path) {
    FileHandle file = FileHandle::open(path, FileAccess::Read, FileCreation::OpenExisting);
    const std::int64_t size = file.isOpen() ? file.seek(0, SeekOrigin::End) : -1;
    if (size <= 0 || file.seek(0, SeekOrigin::Start) != 0) return {};
    std::string bytes(static_cast<std::size_t>(size), '\0');
    std::size_t got = 0;
    while (got < bytes.size()) {
        const std::int64_t read = file.read(bytes.data() + got, bytes.size() - got);
        if (read <= 0) break;
        got += static_cast<std::size_t>(read);
    }
    bytes.resize(got);
    return bytes;
}

std::optional<std::string> reasonFromPluginLog(std::string_view lines) {
    for (std::size_t from = 0; from < lines.size();) {
        const auto to = std::min(lines.find('\n', from), lines.size());
        const std::string_view line = lines.substr(from, to - from);
        from = to + 1;
        if (line.find("Failed to open file ") != std::string_view::npos) {
            return "the plug-in could not open the file";
        }
        const long long asked = numberAfter(line, "Couldn't allocate ");
        if (asked == 0) return "the plug-in could not tell the file's size";
        // Asked for the file and its terminator: past what one block of the plug-in holds.
        if (asked > 0x7FFFFFFELL) return "the file is larger than the plug-in reads (2 GiB)";
        if (asked > 0) return "out of memory for " + std::to_string(asked) + " bytes";
        const long long wanted = numberAfter(line, "Tried to read ");
        const long long got = numberAfter(line, "bytes, got ");
        if (wanted >= 0 && got >= 0) {
            return "the file changed while it was read (" + std::to_string(wanted) +
                   " bytes expected, " + std::to_string(got) + " read)";
        }
    }
    return std::nullopt;
}

WorkedAround workedAroundInPluginLog(std::string_view lines) {
    WorkedAround found;
    for (std::size_t from = 0; from < lines.size();) {
        const auto to = std::min(lines.find('\n', from), lines.size());
        const std::string_view line = lines.substr(from, to - from);
        from = to + 1;
        if (const long long number = numberAfter(line, "skipped line "); number > 0) {
            found.skippedLines.push_back(static_cast<std::size_t>(number));
        }
        if (const long long number = numberAfter(line, "dropped line "); number > 0) {
            found.droppedLines.push_back(static_cast<std::size_t>(number));
        }
        // "Detected NAME, confidence N" or "..., confidence N, read as NAME"
        for (const std::string_view prefix : {"Detected ", ", read as "}) {
            const auto at = line.find(prefix);
            if (at == std::string_view::npos) continue;
            const std::string_view name = line.substr(at + prefix.size());
            found.detectedEncoding = std::string(name.substr(0, name.find(',')));
        }
    }
    return found;
}

std::string readingWarnings(const WorkedAround& workedAround, bool replaced,
                            const std::string& shown) {
    std::string warnings;
    const auto tell = [&](const std::vector<std::size_t>& lines, std::string_view what,
                          std::string_view why) {
        if (lines.empty()) return;
        constexpr std::size_t kShown = 5;
        warnings += "subplay: " + shown + ": " + std::string(what) + " " +
                    std::to_string(lines.size()) + (lines.size() == 1 ? " line" : " lines") +
                    std::string(why) + ": ";
        for (std::size_t i = 0; i < std::min(lines.size(), kShown); ++i)
            warnings += (i ? ", " : "") + std::to_string(lines[i]);
        if (lines.size() > kShown)
            warnings += " and " + std::to_string(lines.size() - kShown) + " more";
        warnings += '\n';
    };
    tell(workedAround.skippedLines, "skipped", " without {start}{end}");
    tell(workedAround.droppedLines, "dropped", " ending before frame 0");
    if (replaced) {
        warnings += "subplay: " + shown +
                    ": some bytes are not UTF-8 and show as U+FFFD; name the encoding with "
                    "--encoding (windows-1250, KOI8-R, ...)\n";
    }
    return warnings;
}

std::string explainFailure(const FailureContext& context, Attempt attempt) {
    const std::string& url = context.url;
    if (!isFileUrl(url)) return "not a file: URL";
    if (attempt == Attempt::Open) {
        const std::string_view extension = urlExtension(url);
        const auto is = [&](std::string_view wanted) {
            if (!context.lenient) return extension == wanted;
            return std::equal(extension.begin(), extension.end(), wanted.begin(), wanted.end(),
                              [](char a, char b) { return Ascii::lower(a) == b; });
        };
        if (!is(".sub") && !is(".txt")) {
            return context.lenient
                       ? "the MicroDVD plug-in opens only names ending in .sub or .txt"
                       : "the MicroDVD plug-in opens only names ending in .sub or .txt (lower "
                         "case with --strict)";
        }
    }
    const auto path = filePathFromUrl(url);
    if (!path) {
        return isWellFormedUtf8(url) ? "not a file: URL of a local file"
                                     : "the path is not UTF-8, which the plug-in needs";
    }
    std::error_code error;
    const auto status = std::filesystem::status(*path, error);
    if (status.type() == std::filesystem::file_type::not_found) return "no such file";
    if (status.type() == std::filesystem::file_type::directory) return "is a folder";
    // The plug-in reads regular files only; opening anything else may block (a FIFO
    // without a writer) or act on a device.
    if (status.type() != std::filesystem::file_type::regular) return "not a regular file";
    if (!FileHandle::open(*path, FileAccess::Read, FileCreation::OpenExisting).isOpen()) {
        return "cannot be read";
    }
    if (auto reason = reasonFromPluginLog(context.pluginLog)) return std::move(*reason);
    const auto size = std::filesystem::file_size(*path, error);
    if (!error && size == 0) return "the file is empty";
    // The plug-in holds a file in one block of at most 2 GiB less two bytes.
    if (!error && size >= 0x7FFFFFFEu) return "the file is larger than the plug-in reads (2 GiB)";
    if (context.encoding) {
        const UCNVLibrary* icu = UCNVLibrary::instance();
        if (!icu || !icu->usable()) {
            return "--encoding needs ICU's common library, which is not installed";
        }
        std::int32_t status = 0;
        IcuConverter* converter = icu->open(context.encoding->c_str(), &status);
        if (!converter) return "ICU knows no encoding named '" + *context.encoding + "'";
        icu->close(converter);
    }
    if (context.probeAccepted) return "a line after the first does not begin with {start}{end}";
    if (attempt == Attempt::Probe) {
        return "its first line does not begin with {start}{end}, or its encoding is unknown";
    }
    return "its first line does not begin with {start}{end}, or the encoding is not one the "
           "plug-in can tell by itself (see --encoding)";
}

}  // namespace Tork::Subplay
