#include "host/ContainerSession.h"

#include "framework/ContainerInterface.h"
#include "framework/InterfaceId.h"
#include "framework/MediaBuffer.h"
#include "framework/Plugin.h"
#include "framework/ResultCode.h"
#include "framework/StreamFormat.h"
#include "framework/StreamInterface.h"
#include "host/UrlLocation.h"

#include <algorithm>

namespace Tork::Host {

std::ostream& operator<<(std::ostream& out, const Entry& entry) {
    return out << '{' << entry.start << ", " << entry.duration << ", \"" << entry.text << "\"}";
}

void ChunkRelease::operator()(MediaChunk* chunk) const {
    chunk->release();
}

ReadOutcome readChunk(StreamInterface& stream, OwnedChunk& chunk) {
    MediaChunk* raw = nullptr;
    const std::int32_t result = stream.readStream(&raw);
    chunk.reset(raw);
    if (chunk) return ReadOutcome::Entry;
    return result == Result::NotYet ? ReadOutcome::NotYet : ReadOutcome::End;
}

namespace {

// The chunk's size, at most its capacity.
std::size_t lengthOf(MediaChunk& chunk) {
    const std::int32_t capacity = chunk.getCapacity();
    const std::int32_t size = chunk.sizeField();
    const std::int32_t length = size >= 0 && size < capacity ? size : capacity;
    return length > 0 ? static_cast<std::size_t>(length) : 0;
}

// Into an entry that may already hold text: reading a stream through one entry reuses its
// string's storage rather than allocating for every chunk.
void copyEntry(MediaChunk& chunk, Entry& entry) {
    const std::size_t length = lengthOf(chunk);
    const unsigned char* data = chunk.lockData();
    entry.start = chunk.timestamp;
    entry.duration = chunk.duration;
    entry.text.assign(reinterpret_cast<const char*>(data), data ? length : 0);
    chunk.unlockData();
}

}  // namespace

std::string_view textOf(MediaChunk& chunk) {
    const std::size_t length = lengthOf(chunk);
    // The host owns the chunk: nothing of the plug-in's touches its block after the lock.
    const unsigned char* data = chunk.lockData();
    chunk.unlockData();
    return {reinterpret_cast<const char*>(data), data ? length : 0};
}

void EntryChunk::reset() {
    if (chunk_) chunk_->unlockData();
    chunk_ = OwnedChunk();  // its share of the library goes with it
    start_ = 0;
    duration_ = 0;
    text_ = {};
}

void EntryChunk::hold(OwnedChunk chunk) {
    chunk_ = std::move(chunk);
    if (!chunk_) return;
    start_ = chunk_->timestamp;
    duration_ = chunk_->duration;
    // Locked while held, unlocked by reset().
    const std::size_t length = lengthOf(*chunk_);
    const unsigned char* data = chunk_->lockData();
    text_ = data ? std::string_view(reinterpret_cast<const char*>(data), length)
                 : std::string_view();
}

ReadOutcome readEntryChunk(StreamInterface& stream, EntryChunk& entry) {
    OwnedChunk chunk(nullptr, entry.chunk_.get_deleter());
    entry.reset();
    const ReadOutcome outcome = readChunk(stream, chunk);
    entry.hold(std::move(chunk));
    return outcome;
}

Entry entryOf(MediaChunk& chunk) {
    Entry entry;
    copyEntry(chunk, entry);
    return entry;
}

ReadOutcome readEntry(StreamInterface& stream, Entry& entry) {
    OwnedChunk chunk;
    const ReadOutcome outcome = readChunk(stream, chunk);
    if (chunk) copyEntry(*chunk, entry);
    return outcome;
}

std::vector<Entry> readDue(StreamInterface& stream) {
    std::vector<Entry> entries;
    Entry entry;
    while (readEntry(stream, entry) == ReadOutcome::Entry) entries.push_back(std::move(entry));
    return entries;
}

namespace {

// The name a location ends in, as people know the file.
std::string fileNameOf(const std::string& url) {
    const auto end = url.find_first_of("?#");
    const std::string path = url.substr(0, end);
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

ContainerSession::ContainerSession(const PluginLibrary& library)
    : ContainerSession([&library](PluginHost* host) { return library.create(host); }) {
    library_ = library.keepLoaded();
    if (!library.loaded()) error_ = library.error();
}

ContainerSession::ContainerSession(const Factory& make) {
    plugin_ = make(&host_);
    if (!plugin_) {
        error_ = "the plug-in made no component";
        return;
    }
    void* face = nullptr;
    if (plugin_->queryInterface(InterfaceId::container, &face) != Result::Ok || !face) {
        error_ = "the plug-in has no container interface";
        return;
    }
    container_ = static_cast<ContainerInterface*>(face);
    container_->initialize(&context_, context_.newId());
}

ContainerSession::~ContainerSession() {
    if (opened_ && container_) container_->close(/*flag*/ false);
    release();
}

void ContainerSession::release() {
    if (plugin_) plugin_->release();
    plugin_ = nullptr;
    container_ = nullptr;
    stream_ = nullptr;
}

bool ContainerSession::probe(const FileLocation& file, std::vector<StreamFormat>* formats) {
    if (!container_) return false;
    const UrlLocation location(file.url());
    const bool recognised = container_->probe(location.get(), /*reserved*/ 0, formats);
    report_ = plugin_ ? OpenReport::of(*plugin_) : std::nullopt;
    return recognised;
}

ContainerSession::OpenOutcome ContainerSession::open(const FileLocation& file) {
    if (!container_) return OpenOutcome::Refused;
    const UrlLocation location(file.url());
    const bool opened = container_->open(location.get()) == Result::Ok;
    report_ = plugin_ ? OpenReport::of(*plugin_) : std::nullopt;
    if (!opened) {
        // The kit knows a host's own mistake best: a path passed as a URL.
        if (report_ && !(report_->outcome == kReadingNotFileUrl && !file.problem().empty())) {
            error_ = fileNameOf(file.url()) + ": " + report_->failure();
        } else {
            error_ = file.problem();
            if (error_.empty()) error_ = "the plug-in could not open it";
        }
        return OpenOutcome::Refused;
    }
    opened_ = true;
    return selectProgram();
}

ContainerSession::OpenOutcome ContainerSession::selectProgram() {
    stream_ = nullptr;
    if (!container_) return OpenOutcome::NoStream;
    const List<std::uint64_t> programs = container_->getProgramIds();
    if (!programs.head) {
        error_ = "the plug-in lists no program";
        return OpenOutcome::NoStream;
    }
    if (container_->selectProgram(programs.head->value) != Result::Ok) {
        error_ = "the plug-in refused its own program";
        return OpenOutcome::NoStream;
    }
    const auto selected = context_.streamsSelected();
    const auto added = context_.streamsAdded();
    const auto enabled = std::find_if(selected.rbegin(), selected.rend(),
                                      [](const auto& choice) { return choice.second != 0; });
    if (enabled != selected.rend()) {
        const auto found = std::find_if(added.rbegin(), added.rend(), [&](StreamInterface* s) {
            return s->id() == enabled->first;
        });
        if (found != added.rend()) stream_ = *found;
    }
    if (!stream_) {
        error_ = "the plug-in selected no stream";
        return OpenOutcome::NoStream;
    }
    return OpenOutcome::Opened;
}

StreamInterface* ContainerSession::openStream(const FileLocation& file) {
    if (open(file) != OpenOutcome::Opened) return nullptr;
    stream_->setClock(&clock_);
    return stream_;
}

ReadOutcome ContainerSession::readChunk(OwnedChunk& chunk) {
    if (!stream_) {
        chunk.reset();
        return ReadOutcome::End;
    }
    OwnedChunk read(nullptr, ChunkRelease(library_));
    const ReadOutcome outcome = Host::readChunk(*stream_, read);
    chunk = std::move(read);
    return outcome;
}

ReadOutcome ContainerSession::readEntryChunk(EntryChunk& entry) {
    entry.reset();
    if (!stream_) return ReadOutcome::End;
    // The held chunk's release keeps the library loaded.
    entry.chunk_ = OwnedChunk(nullptr, ChunkRelease(library_));
    return Host::readEntryChunk(*stream_, entry);
}

std::optional<std::vector<Entry>> ContainerSession::read(const FileLocation& file) {
    StreamInterface* stream = openStream(file);
    if (!stream) return std::nullopt;
    clock_.set(latestClockTime);
    return readDue(*stream);
}

std::int32_t ContainerSession::close(bool flag) {
    if (!container_) return Result::Failure;
    opened_ = false;
    stream_ = nullptr;
    return container_->close(flag);
}

}  // namespace Tork::Host
