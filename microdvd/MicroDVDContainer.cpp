#include "microdvd/MicroDVDContainer.h"

#include "framework/InterfaceId.h"
#include "framework/Location.h"
#include "framework/Logger.h"
#include "framework/OrOnException.h"
#include "framework/PluginHost.h"
#include "framework/StreamFormat.h"
#include "microdvd/HostSettings.h"
#include "microdvd/LineScanner.h"
#include "microdvd/MicroDVDParser.h"
#include "microdvd/ProbeSize.h"
#include "microdvd/ReportFilling.h"
#include "subtitle/EntryStore.h"
#include "text/Ascii.h"
#include "text/FileUrl.h"
#include "text/ParserUtilities.h"

#include <boost/assign/list_of.hpp>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <mutex>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace Tork {

MicroDVDContainer::MicroDVDContainer(PluginHost* host)
    : Plugin(host),
      SubtitleContainer("Tork::MicroDVDContainer"),
      report_(unopenedReport()),
      probeReport_(unopenedReport()) {
    const std::vector<std::pair<String, std::int32_t>> types =
        boost::assign::list_of<std::pair<String, std::int32_t>>(String("text/x-sub"), 1)(
            String("text/plain"), 1);
    mimeTypes_.insert(types.begin(), types.end());
}

MicroDVDContainer::~MicroDVDContainer() = default;

std::int32_t MicroDVDContainer::queryInterface(const String& id, void** out) {
    if (!out) return Result::Failure;
    *out = nullptr;
    if (sameText(id, InterfaceId::container)) {
        *out = static_cast<ContainerInterface*>(this);
    } else if (id.text() == kReadingReportInterfaceId) {
        *out = static_cast<ReadingReportInterface*>(this);
    } else if (id.text() == kReadingReportV2InterfaceId) {
        *out = static_cast<ReadingReportInterface*>(&fullReport_);
    } else {
        return Result::NoInterface;
    }
    return Result::Ok;
}

std::int32_t MicroDVDContainer::getReadingReport(ReadingReport* report) {
    return copyReport(report, kReadingReportV1Size);
}

std::int32_t MicroDVDContainer::FullReport::getReadingReport(ReadingReport* report) {
    return owner_.copyReport(report, sizeof(ReadingReport));
}

std::int32_t MicroDVDContainer::copyReport(ReadingReport* report, std::size_t size) {
    if (!report) return Result::Failure;
    return orOnException(Result::Failure, [&] {
        std::lock_guard guard(lock_);
        const bool version1 = size < sizeof(ReadingReport);
        // A host built for version 1 hears of opens only, in the codes it knows, and holds
        // no more than their fields.
        ReadingReport copy = probedLast_ && !version1 ? probeReport_ : report_;
        if (version1) {
            copy.version = 1;
            if (copy.outcome == kReadingNoFrameLinesAtStart) copy.outcome = kReadingNoFrameLines;
            if (copy.encodingSource == kEncodingFallback) copy.encodingSource = kEncodingDetected;
        }
        std::memcpy(report, &copy, size);
        return Result::Ok;
    });
}

namespace {

const String* urlOf(const Location* location) {
    return location && location->url && !location->url->empty() ? location->url : nullptr;
}

// Only these two, exactly by default and in any letter case leniently: the extension is the
// URL from its last dot on, leaving out the query and fragment as the path does, so the file
// checked is the file opened.
bool hasSubtitleExtension(std::string_view url, MicroDVDReading reading) {
    url = withoutQueryOrFragment(url);
    const auto dot = url.rfind('.');
    if (dot == std::string_view::npos) return false;
    const std::string_view extension = url.substr(dot);
    const auto is = [&](std::string_view wanted) {
        if (reading == MicroDVDReading::Default) return extension == wanted;
        return std::equal(extension.begin(), extension.end(), wanted.begin(), wanted.end(),
                          [](char a, char b) { return Ascii::lower(a) == b; });
    };
    return is(".sub") || is(".txt");
}

// Where a probe finds frame groups: by default on the first line, leniently on any.
struct FrameSearch {
    bool found = false;
    std::size_t line = 0;  // the line found, or by default the first line; 0 for none
    std::size_t end = 0;   // where that line ends in the text
};

// Lines as LineSplitter splits and numbers them, but without writing into the text, which
// is parsed later. The lenient reading reads past zero bytes, where the other ends.
FrameSearch findFrames(std::string_view text, MicroDVDReading reading) {
    const bool lenient = reading == MicroDVDReading::Lenient;
    if (!lenient) text = text.substr(0, text.find('\0'));
    std::size_t number = 1;
    for (std::size_t at = 0; at < text.size();) {
        if (text[at] == '\r' || text[at] == '\n') {
            if (text[at] == '\n' || at + 1 == text.size() || text[at + 1] != '\n') ++number;
            ++at;
            continue;
        }
        const std::size_t end = std::min(text.find_first_of("\r\n", at), text.size());
        const std::string_view line = text.substr(at, end - at);
        if (!lenient) return {scanSplitLine(line).conversions >= 2, number, end};
        if (scanLenientLine(line).shape == LenientLine::Shape::Frames) return {true, number, end};
        at = end;
    }
    return {};
}

bool showsFrames(std::string_view text, MicroDVDReading reading) {
    return findFrames(text, reading).found;
}

// The file's text as the host's settings say to read it; those are asked as the reading
// gets to them. What happened goes into `report` (may be null), the text's lines with
// something on them into `filledLines` (may be null) where reading counted them, and the
// count of the file's bytes read into `bytesRead` (may be null).
bool readText(const char* function, const String& path, HostSettings& settings, String& text,
              ReadingReport* report, std::optional<std::size_t>* filledLines = nullptr,
              std::int32_t size = ParserUtilities::kWholeFile,
              ParserUtilities::ReadSize mode = ParserUtilities::ReadSize::Exact,
              std::uint32_t* bytesRead = nullptr) {
    using ParserUtilities::DecodeReport;
    std::optional<std::size_t> wellFormedLines;  // of the last bytes read
    const auto readBytes = [&](String& bytes) {
        const auto read = ParserUtilities::readFileBytes(path, bytes, size, mode);
        if (!read && report) reportReadFailure(*report, read);
        wellFormedLines = read.wellFormedLines;
        return static_cast<bool>(read);
    };
    String bytes(text.allocator());
    if (!readBytes(bytes)) return false;
    if (bytesRead) *bytesRead = bytes.length();
    settings.askEncoding(bytes);
    const auto& encoding = settings.value().encoding;
    const MicroDVDReading reading = settings.value().reading;
    const bool partial = size != ParserUtilities::kWholeFile;
    DecodeReport decoding;
    bool decoded = ParserUtilities::decodeFileText(bytes, partial, encoding, &text, &decoding,
                                                   wellFormedLines);
    if (decoding.source == DecodeReport::Source::Detected &&
        !(decoded && showsFrames(text.bytes(), reading))) {
        // Detection only guesses: a guess that hides the frame lines a file shows without it
        // would break a file that opens without detection. The bytes went into the guess,
        // so they are read again; this happens only for a file that would fail otherwise.
        String again(text.allocator());
        String plain(text.allocator());
        DecodeReport plainDecoding;
        ParserUtilities::EncodingSettings plainEncoding = encoding;
        plainEncoding.detect = false;
        if (readBytes(again) &&
            ParserUtilities::decodeFileText(again, partial, plainEncoding, &plain, &plainDecoding,
                                            wellFormedLines) &&
            showsFrames(plain.bytes(), reading)) {
            Logger::instance()->write("Container", function, __LINE__,
                                      "No frame line in the detected encoding, read as UTF-8");
            text = std::move(plain);
            decoding = plainDecoding;
            decoded = true;
        }
    }
    if (report) reportDecoding(*report, decoding, decoded);
    if (filledLines) *filledLines = decoding.filledLines;
    return decoded;
}

// Whether a first frame line that ends `end` bytes into the text lies within the probe's
// window surely, so that the probe need not be asked. A text taken as UTF-8 is at least as
// long as the bytes it came from; no other takes more than four bytes to a character of
// ASCII (UTF-32; the escapes of ISO-2022 text aside), so the rest is measured again.
bool inProbeWindow(std::size_t end, std::int32_t encodingSource) {
    return end <=
           (encodingSource == kEncodingDefault ? kReadingProbeWindow : kReadingProbeWindow / 4);
}

// What the probe reads of a file, as the host's settings say: its first line by default, its
// start leniently. Says why it is not MicroDVD in `report` (may be null).
FrameSearch probeText(const char* function, const String& path, HostSettings& settings,
                      ReadingReport* report) {
    const MicroDVDReading reading = settings.value().reading;
    const bool lenient = reading == MicroDVDReading::Lenient;
    const std::int32_t window =
        lenient ? kLenientProbeBytes : kProbeBytes;
    String text;
    std::uint32_t bytesRead = 0;
    if (!readText(function, path, settings, text, report, nullptr, window,
                  ParserUtilities::ReadSize::AtMost, &bytesRead))
        return {};
    const FrameSearch found = findFrames(text.bytes(), reading);
    if (found.found || !report) return found;
    if (!lenient) {
        report->outcome = found.line ? kReadingBadLine : kReadingNoFrameLines;
        report->line = static_cast<std::uint32_t>(found.line);
    } else {
        // A window that the file filled may not hold all of it.
        report->outcome =
            bytesRead == kReadingProbeWindow ? kReadingNoFrameLinesAtStart : kReadingNoFrameLines;
    }
    return found;
}

std::string_view streamName(std::string_view url) {
    const auto slash = url.rfind('/');
    return slash == std::string_view::npos ? std::string_view() : url.substr(slash + 1);
}

}  // namespace

bool MicroDVDContainer::probe(const Location* location, std::uint64_t,
                              std::vector<StreamFormat>* formats) {
    ReadingReport report = unopenedReport();
    report.probed = 1;
    const bool answer = orOnException(false, [&] {
        const String* url = urlOf(location);
        String path;
        report.outcome = kReadingNotFileUrl;
        if (!url || ParserUtilities::pathFromUrl(*url, path) != Result::Ok) return false;
        // Whatever throws from here on is memory running out (or a host callback failing).
        report.outcome = kReadingOutOfMemory;
        HostSettings settings(context_);
        reportSettings(report, settings.value());
        if (!probeText("Tork::MicroDVDContainer::probe", path, settings, &report).found)
            return false;
        report.outcome = kReadingRecognised;
        const bool accepted = getHost()->checkFormat(String("UTF8"));
        if (!accepted && formats) {
            StreamFormat format;
            fillStreamFormat(&format);
            formats->push_back(format);
        }
        return accepted;
    });
    // The lock only for the report: the probe may run beside an open.
    orOnException([&] {
        std::lock_guard guard(lock_);
        probeReport_ = report;
        probedLast_ = true;
    });
    return answer;
}

std::int32_t MicroDVDContainer::open(const Location* location) {
    // Out of memory, lock resources or a host callback that threw fail like a bad file.
    return orOnException(Result::Failure, [&] {
        std::lock_guard guard(lock_);
        ReadingReport& report = report_;
        report = unopenedReport();
        probedLast_ = false;
        const auto fail = [&report](std::int32_t outcome) {
            report.outcome = outcome;
            return Result::Failure;
        };
        const String* url = urlOf(location);
        if (!url) return fail(kReadingNotFileUrl);
        // Whatever throws from here on is memory running out (or a host callback failing).
        report.outcome = kReadingOutOfMemory;
        // The reading decides which names are taken, so it is asked first.
        HostSettings settings(context_);
        // Before the name is judged: which names open depends on the reading.
        reportSettings(report, settings.value());
        if (!hasSubtitleExtension(url->text(), settings.value().reading))
            return fail(kReadingExtensionRefused);
        String path;
        if (ParserUtilities::pathFromUrl(*url, path) != Result::Ok) return fail(kReadingNotFileUrl);
        String text;
        std::optional<std::size_t> filledLines;
        if (!readText("Tork::MicroDVDContainer::open", path, settings, text, &report, &filledLines))
            return Result::Failure;
        if (text.empty()) return fail(kReadingNoEntries);
        // Looked for as the probe looks, before the parse rewrites the text.
        const bool lenient = settings.value().reading == MicroDVDReading::Lenient;
        const FrameSearch first =
            lenient ? findFrames(text.bytes(), MicroDVDReading::Lenient) : FrameSearch{};
        EntryStore entries(std::move(text));
        settings.askFrameRate();
        reportSettings(report, settings.value());
        ParseReport parse;
        const bool parsed = parseMicroDVD(entries, settings.value().rate, settings.value().reading,
                                          kMaxEntryLength, &parse, filledLines);
        reportParse(report, parse, settings.value().reading, parsed);
        if (!parsed) return Result::Failure;
        if (first.found && !inProbeWindow(first.end, report.encodingSource) &&
            !probeText("Tork::MicroDVDContainer::open", path, settings, nullptr).found) {
            // What the probe refuses is not opened either, so that a host that probes first
            // and one that does not read the same files.
            report.line = static_cast<std::uint32_t>(first.line);
            return fail(kReadingNoFrameLinesAtStart);
        }
        report.entries = static_cast<std::uint32_t>(entries.size());
        if (!addStream(std::move(entries), String(streamName(url->text())), String(), String()))
            return fail(kReadingOutOfMemory);
        report.outcome = kReadingOpened;
        // The stream exists, so this open has succeeded: failing here would leave a stream
        // behind a failed open. Without memory the location is merely not kept.
        try {
            setLocation(path);
        } catch (...) {
            rethrowIfForeign();
        }
        return Result::Ok;
    });
}

std::int32_t MicroDVDContainer::findMimeType(const String& type) {
    const auto row = mimeTypes_.find(type);
    return row == mimeTypes_.end() ? -1 : row->second;
}

std::int32_t MicroDVDContainer::getMimeTypeCount() {
    return static_cast<std::int32_t>(mimeTypes_.size());
}

String MicroDVDContainer::getMimeType(std::uint32_t index) {
    if (index >= mimeTypes_.size()) return String(byteAllocator());
    return orOnException(String(byteAllocator()), [&] {
        return String(std::next(mimeTypes_.begin(), index)->first.bytes(), byteAllocator());
    });
}

std::int32_t MicroDVDContainer::getMimeTypePriority(std::uint32_t index) {
    if (index >= mimeTypes_.size()) return 0;
    return std::next(mimeTypes_.begin(), index)->second;
}

void MicroDVDContainer::fillStreamFormat(StreamFormat* format) {
    std::memcpy(format->code, "UTF8", 5);
}

}  // namespace Tork
