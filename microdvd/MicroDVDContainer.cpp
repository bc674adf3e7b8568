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
    : Plugin(host), SubtitleContainer("Tork::MicroDVDContainer"), report_(unopenedReport()) {
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
    } else {
        return Result::NoInterface;
    }
    return Result::Ok;
}

std::int32_t MicroDVDContainer::getReadingReport(ReadingReport* report) {
    if (!report) return Result::Failure;
    return orOnException(Result::Failure, [&] {
        std::lock_guard guard(lock_);
        *report = report_;
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

// By default the first line must begin with frame groups; leniently any line may. Lines as
// LineSplitter finds them, but without writing into the text, which is parsed later.
bool showsFrames(std::string_view text, MicroDVDReading reading) {
    text = text.substr(0, text.find('\0'));
    for (auto start = text.find_first_not_of("\r\n"); start != std::string_view::npos;
         start = text.find_first_not_of("\r\n")) {
        text.remove_prefix(start);
        const std::string_view line = text.substr(0, text.find_first_of("\r\n"));
        if (reading == MicroDVDReading::Default) return scanSplitLine(line).conversions >= 2;
        if (scanLenientLine(line).shape == LenientLine::Shape::Frames) return true;
        text.remove_prefix(line.size());
    }
    return false;
}

// The file's text as the host's settings say to read it; those are asked as the reading
// gets to them. What happened goes into `report` (may be null), and the text's lines with
// something on them into `filledLines` (may be null) where reading counted them.
bool readText(const char* function, const String& path, HostSettings& settings, String& text,
              ReadingReport* report, std::optional<std::size_t>* filledLines = nullptr,
              std::int32_t size = ParserUtilities::kWholeFile,
              ParserUtilities::ReadSize mode = ParserUtilities::ReadSize::Exact) {
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

std::string_view streamName(std::string_view url) {
    const auto slash = url.rfind('/');
    return slash == std::string_view::npos ? std::string_view() : url.substr(slash + 1);
}

}  // namespace

bool MicroDVDContainer::probe(const Location* location, std::uint64_t,
                              std::vector<StreamFormat>* formats) {
    return orOnException(false, [&] {
        const String* url = urlOf(location);
        String path;
        if (!url || ParserUtilities::pathFromUrl(*url, path) != Result::Ok) return false;
        HostSettings settings(context_);
        String text;
        const bool lenient = settings.value().reading == MicroDVDReading::Lenient;
        if (!readText("Tork::MicroDVDContainer::probe", path, settings, text, nullptr, nullptr,
                      lenient ? kLenientProbeBytes : kProbeBytes,
                      ParserUtilities::ReadSize::AtMost) ||
            !showsFrames(text.bytes(), settings.value().reading))
            return false;
        const bool accepted = getHost()->checkFormat(String("UTF8"));
        if (!accepted && formats) {
            StreamFormat format;
            fillStreamFormat(&format);
            formats->push_back(format);
        }
        return accepted;
    });
}

std::int32_t MicroDVDContainer::open(const Location* location) {
    // Out of memory, lock resources or a host callback that threw fail like a bad file.
    return orOnException(Result::Failure, [&] {
        std::lock_guard guard(lock_);
        ReadingReport& report = report_;
        report = unopenedReport();
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
        if (!hasSubtitleExtension(url->text(), settings.value().reading))
            return fail(kReadingExtensionRefused);
        String path;
        if (ParserUtilities::pathFromUrl(*url, path) != Result::Ok) return fail(kReadingNotFileUrl);
        reportSettings(report, settings.value());
        String text;
        std::optional<std::size_t> filledLines;
        if (!readText("Tork::MicroDVDContainer::open", path, settings, text, &report, &filledLines))
            return Result::Failure;
        if (text.empty()) return fail(kReadingNoEntries);
        EntryStore entries(std::move(text));
        settings.askFrameRate();
        reportSettings(report, settings.value());
        ParseReport parse;
        const bool parsed = parseMicroDVD(entries, settings.value().rate, settings.value().reading,
                                          kMaxEntryLength, &parse, filledLines);
        reportParse(report, parse, settings.value().reading, parsed);
        if (!parsed) return Result::Failure;
        report.entries = static_cast<std::uint32_t>(entries.size());
        if (!addStream(std::move(entries), String(streamName(url->text())), String(), String()))
            return fail(kReadingOutOfMemory);
        report.outcome = kReadingOpened;
        // The stream exists, so this open has succeeded: failing here would leave a stream
        // behind a failed open. Without memory the location is merely not kept.
        try {
            setLocation(path);
        } catch (const ThreadCancellation&) {
            throw;
        } catch (...) {
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
