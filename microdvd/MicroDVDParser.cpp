#include "microdvd/MicroDVDParser.h"

#include "framework/Logger.h"
#include "framework/MediaBuffer.h"
#include "microdvd/FormattingCode.h"
#include "microdvd/LineScanner.h"
#include "microdvd/LineSplitter.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

namespace Tork {
namespace {

constexpr std::size_t kMaxDeclarationLength = 100;

// A zero-terminated copy from new[], or null for the empty text: a chunk of capacity 0
// never frees its block, so it must not own one.
std::unique_ptr<unsigned char[]> copyText(std::string_view text) {
    if (text.empty()) return nullptr;
    std::unique_ptr<unsigned char[]> block(new unsigned char[text.size() + 1]);
    std::memcpy(block.get(), text.data(), text.size());
    block[text.size()] = 0;
    return block;
}

MediaChunk* makeEntry(MediaBufferAllocator& allocator, std::string_view text, std::uint32_t start,
                      std::uint32_t end) {
    auto block = copyText(text);
    const auto length = static_cast<std::int32_t>(text.size());
    MediaChunk* chunk = allocator.create(block.get(), length);
    block.release();
    chunk->sizeField() = length;
    chunk->timestamp = start;
    chunk->duration = static_cast<std::int32_t>(end - start);
    const unsigned char* data = chunk->lockData();
    Logger::instance()->write("Container", "Tork::MicroDVDContainer::open", __LINE__,
                              "got subtitle start: %d duration: %d '%s'", chunk->timestamp,
                              chunk->duration, data ? reinterpret_cast<const char*>(data) : "");
    chunk->unlockData();
    return chunk;
}

bool startsWithCode(std::string_view text) {
    return !text.empty() && (text[0] == '/' || text[0] == '\\' || text[0] == '{');
}

}  // namespace

bool parseMicroDVD(char* text, std::size_t length, FrameRate rate, MediaBufferAllocator& allocator,
                   std::vector<MediaChunk*>& entries, std::size_t maxEntryLength) {
    LineSplitter lines(text, length);
    std::string translated;
    while (const auto line = lines.next()) {
        const ScannedLine scanned = scanSplitLine(line->view());
        if (scanned.conversions == 2) continue;
        if (scanned.conversions < 2) return false;
        if (scanned.start == 1 && scanned.end == 1 && scanned.text.size() < kMaxDeclarationLength) {
            const FrameRateDeclaration declaration = parseFrameRateDeclaration(scanned.text);
            if (declaration.kind == FrameRateDeclaration::Kind::Rate) rate = declaration.rate;
            if (declaration.kind != FrameRateDeclaration::Kind::NotDeclaration) continue;
        }
        // The scanned text lies inside the writable line, so bars become line feeds in place.
        char* body = line->start + (scanned.text.data() - line->start);
        std::replace(body, body + scanned.text.size(), '|', '\n');
        std::string_view final = scanned.text;
        if (startsWithCode(final)) {
            translateFormattingCode(final, translated);
            final = translated;
        }
        if (final.size() > std::min(maxEntryLength, kMaxEntryLength)) return false;
        // The slot first, so a chunk is never made without a place to keep it.
        entries.push_back(nullptr);
        entries.back() = makeEntry(allocator, final, rate.toMilliseconds(scanned.start),
                                   rate.toMilliseconds(scanned.end));
    }
    return true;
}

}  // namespace Tork
