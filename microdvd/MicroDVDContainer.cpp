#include "microdvd/MicroDVDContainer.h"

#include "framework/InterfaceId.h"
#include "framework/Location.h"
#include "framework/OrOnException.h"
#include "framework/PluginHost.h"
#include "microdvd/HostSettings.h"
#include "microdvd/LineScanner.h"
#include "microdvd/LineSplitter.h"
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

// The file's text as the host's settings say to read it; those are asked as the reading
// gets to them.
bool readText(const String& path, HostSettings& settings, String& text,
              std::int32_t size = ParserUtilities::kWholeFile,
              ParserUtilities::ReadSize mode = ParserUtilities::ReadSize::Exact) {
    String bytes(text.allocator());
    if (!ParserUtilities::readFileBytes(path, bytes, size, mode)) return false;
    settings.askEncoding(bytes);
    const auto& encoding = settings.value().encoding;
    return ParserUtilities::decodeFileText(bytes, size != ParserUtilities::kWholeFile, encoding,
                                           &text, UCNVLibrary::instance(),
                                           encoding.detect ? UCSDetLibrary::instance() : nullptr);
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
        HostSettings settings(context_);
        String text;
        if (!readText(path, settings, text, kProbeBytes, ParserUtilities::ReadSize::AtMost) ||
            !showsFrames(text, settings.value().reading))
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
        HostSettings settings(context_);
        String text;
        if (!readText(path, settings, text) || text.empty()) return Result::Failure;
        EntryStore entries(std::move(text));
        settings.askFrameRate();
        if (!parseMicroDVD(entries, settings.value().rate, settings.value().reading) ||
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
