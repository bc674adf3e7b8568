#include "microdvd/MicroDVDContainer.h"

#include "framework/InterfaceId.h"
#include "framework/Location.h"
#include "framework/Logger.h"
#include "framework/OrOnException.h"
#include "framework/PluginHost.h"
#include "framework/Setting.h"
#include "microdvd/LineScanner.h"
#include "microdvd/MicroDVDParser.h"
#include "subtitle/EntryStore.h"
#include "text/FileUrl.h"
#include "text/ParserUtilities.h"
#include "text/UCNVLibrary.h"
#include "text/UCSDetLibrary.h"

#include <boost/assign/list_of.hpp>

#include <cstring>
#include <iterator>
#include <mutex>
#include <string_view>
#include <utility>
#include <vector>

namespace Tork {

MicroDVDContainer::MicroDVDContainer(PluginHost* host) : Plugin(host) {
    const std::vector<std::pair<String, std::int32_t>> types =
        boost::assign::list_of<std::pair<String, std::int32_t>>(String("text/x-sub"), 1)(
            String("text/plain"), 1);
    mimeTypes_.insert(types.begin(), types.end());
}

MicroDVDContainer::~MicroDVDContainer() = default;

std::int32_t MicroDVDContainer::queryInterface(const String& id, void** out) {
    if (!out) return Result::Failure;
    *out = nullptr;
    if (!sameText(id, InterfaceId::container)) return Result::NoInterface;
    *out = static_cast<ContainerInterface*>(this);
    return Result::Ok;
}

namespace {

constexpr std::int32_t kProbeBytes = 1024;

const String* urlOf(const Location* location) {
    return location && location->url && !location->url->empty() ? location->url : nullptr;
}

// Only these two, exactly: the extension is the URL from its last dot on, leaving out the
// query and fragment as the path does, so the file checked is the file opened.
bool hasSubtitleExtension(std::string_view url) {
    url = withoutQueryOrFragment(url);
    const auto dot = url.rfind('.');
    if (dot == std::string_view::npos) return false;
    const std::string_view extension = url.substr(dot);
    return extension == ".sub" || extension == ".txt";
}

// The host's "FrameRate"/"Ratio" is (denominator, numerator); a zero in either is unusable.
FrameRate initialFrameRate(ContainerContext* context) {
    const auto ratio = querySettingRatio(context, "FrameRate", "Ratio");
    if (!ratio || ratio->first == 0 || ratio->second == 0) return FrameRate{};
    return FrameRate{ratio->second, ratio->first};
}

// The host's choices of how to read: both off unless answered with a boolean true.
struct ReadingChoices {
    MicroDVDReading reading = MicroDVDReading::Default;
    const UCSDetLibrary* detector = nullptr;
};

ReadingChoices readingChoices(ContainerContext* context) {
    ReadingChoices choices;
    if (querySettingBoolean(context, "MicroDVD", "Lenient").value_or(false))
        choices.reading = MicroDVDReading::Lenient;
    if (querySettingBoolean(context, "CodePage", "Detect").value_or(false))
        choices.detector = UCSDetLibrary::instance();
    return choices;
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

bool readText(const char* function, const String& path, ContainerContext* context,
              const ReadingChoices& choices, String& text,
              std::int32_t size = ParserUtilities::kWholeFile,
              ParserUtilities::ReadSize mode = ParserUtilities::ReadSize::Exact) {
    const auto read = [&](String& into, const UCSDetLibrary* detector) {
        return ParserUtilities::readTextFile(path, context, &into, size, mode,
                                             UCNVLibrary::instance(), detector);
    };
    const bool done = read(text, choices.detector);
    if (!choices.detector || (done && showsFrames(text.bytes(), choices.reading))) return done;
    // Detection only guesses: a guess that hides the frame lines a file shows without it
    // would break a file that opens without detection.
    String plain;
    if (!read(plain, nullptr) || !showsFrames(plain.bytes(), choices.reading)) return done;
    Logger::instance()->write("Container", function, __LINE__,
                              "No frame line in the detected encoding, read as UTF-8");
    text = std::move(plain);
    return true;
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
        const ReadingChoices choices = readingChoices(context_);
        String text;
        if (!readText("Tork::MicroDVDContainer::probe", path, context_, choices, text, kProbeBytes,
                      ParserUtilities::ReadSize::AtMost) ||
            !showsFrames(text.bytes(), choices.reading))
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
        const String* url = urlOf(location);
        if (!url || !hasSubtitleExtension(url->text())) return Result::Failure;
        String path;
        if (ParserUtilities::pathFromUrl(*url, path) != Result::Ok) return Result::Failure;
        const ReadingChoices choices = readingChoices(context_);
        String text;
        if (!readText("Tork::MicroDVDContainer::open", path, context_, choices, text) ||
            text.empty())
            return Result::Failure;
        EntryStore entries(std::move(text));
        if (!parseMicroDVD(entries, initialFrameRate(context_), choices.reading) ||
            !addStream(std::move(entries), String(streamName(url->text())), String(), String())) {
            return Result::Failure;
        }
        // The stream exists, so this open has succeeded: failing here would leave a stream
        // behind a failed open. Without memory the location is merely not kept.
        try {
            setLocation(path);
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
