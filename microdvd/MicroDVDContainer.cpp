#include "microdvd/MicroDVDContainer.h"

#include "framework/InterfaceId.h"
#include "framework/Location.h"
#include "framework/OrOnException.h"
#include "framework/PluginHost.h"
#include "framework/Setting.h"
#include "framework/StreamFormat.h"
#include "microdvd/LineScanner.h"
#include "microdvd/LineSplitter.h"
#include "microdvd/MicroDVDParser.h"
#include "subtitle/EntryStore.h"
#include "text/Ascii.h"
#include "text/FileUrl.h"
#include "text/ParserUtilities.h"
#include "text/UCNVLibrary.h"
#include "text/UCSDetLibrary.h"

#include <boost/assign/list_of.hpp>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <mutex>
#include <string_view>
#include <utility>
#include <vector>

namespace Tork {

MicroDVDContainer::MicroDVDContainer(PluginHost* host)
    : Plugin(host), SubtitleContainer("Tork::MicroDVDContainer") {
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
// The lenient reading skips header lines, so its probe looks as far as detection does.
constexpr std::int32_t kLenientProbeBytes = 64 * 1024;

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

bool readText(const String& path, ContainerContext* context, const ReadingChoices& choices,
              String& text, std::int32_t size = ParserUtilities::kWholeFile,
              ParserUtilities::ReadSize mode = ParserUtilities::ReadSize::Exact) {
    return ParserUtilities::readTextFile(path, context, &text, size, mode, UCNVLibrary::instance(),
                                         choices.detector);
}

// By default the first line must begin with frame groups; leniently any line may.
bool showsFrames(String& text, MicroDVDReading reading) {
    LineSplitter lines(reinterpret_cast<char*>(text.data()), text.length());
    if (reading == MicroDVDReading::Default) {
        const auto first = lines.next();
        return first && scanSplitLine(first->view()).conversions >= 2;
    }
    while (const auto line = lines.next())
        if (scanLenientLine(line->view()).shape == LenientLine::Shape::Frames) return true;
    return false;
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
        const bool lenient = choices.reading == MicroDVDReading::Lenient;
        if (!readText(path, context_, choices, text, lenient ? kLenientProbeBytes : kProbeBytes,
                      ParserUtilities::ReadSize::AtMost) ||
            !showsFrames(text, choices.reading))
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
        const ReadingChoices choices = readingChoices(context_);
        if (!url || !hasSubtitleExtension(url->text(), choices.reading)) return Result::Failure;
        String path;
        if (ParserUtilities::pathFromUrl(*url, path) != Result::Ok) return Result::Failure;
        String text;
        if (!readText(path, context_, choices, text) || text.empty()) return Result::Failure;
        EntryStore entries(std::move(text));
        if (!parseMicroDVD(entries, initialFrameRate(context_), choices.reading) ||
            !addStream(std::move(entries), String(streamName(url->text())), String(), String())) {
            return Result::Failure;
        }
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
