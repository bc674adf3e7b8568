// Subtitle entries at rest: one block of text and a small record per entry.
#pragma once

#include "framework/String.h"

#include <boost/endian/arithmetic.hpp>

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

namespace Tork {

/// One entry at rest: its times and where its text lies in the store. Its fields are read
/// and written unaligned, as whole values: 13 bytes, not 16, for files of many short lines.
struct EntryRecord {
    boost::endian::native_uint32_t start;    // ms
    boost::endian::native_int32_t duration;  // ms
    boost::endian::native_uint32_t offset;   // in the store's offsets (see EntryStore)
    std::uint8_t length;                     // up to EntryStore::kLongText
};

/// The entries of a stream and their text, 13 bytes each beside it. A parser that works in
/// place leaves most texts in the file's converted text, which the store keeps; only texts
/// that the parser could not write into their own line are copied, into an arena. Offsets
/// are one 32-bit space: the file's text with its terminating zero, then the arena.
///
/// A record holds the length of a text under kLongText bytes, so that a read knows its
/// size without touching it. A longer text ends at the zero after it; a long copy that
/// holds a zero itself (no parser makes one) has its length kept aside.
///
/// The arena is a row of blocks that never move, so that a copy never moves the texts
/// before it and memory follows what is stored. Its offsets come in granules, each of which
/// lies in one block, so that finding a text is one table look-up. Texts fill blocks of
/// kBlockGranules granules one after another; one that does not fit the rest of the
/// current block and is at least a granule long gets a block of its own size, while later
/// short texts still fill the tail of the current block, so no block is left with more
/// than a granule unused. Every copy is followed by kTextEnd too.
class EntryStore {
public:
    /// The byte after a text: a long text's length is measured up to it (text()), and a
    /// parser's log prints a text as far as it. The parser writes it after each text in
    /// place, addSpace after each copy.
    static constexpr char kTextEnd = '\0';
    /// The size of the offset space.
    static constexpr std::uint64_t kAddressable = std::uint64_t{1} << 32;
    /// The arena's granule, and how many of them a block for short texts takes.
    static constexpr std::uint32_t kArenaGranule = 4 * 1024;
    static constexpr std::uint32_t kBlockGranules = 16;
    /// The length a record holds for a text of this many bytes or more.
    static constexpr std::uint8_t kLongText = 255;

    /// A store without a file text: every entry is a copy.
    EntryStore() noexcept = default;
    /// Takes `text` over; entries may then lie in it. `addressable` narrows the offset space
    /// and `granule` (a power of two) sets the arena's granule, to test their bounds; the
    /// offset space must exceed the text's length.
    explicit EntryStore(String text, std::uint64_t addressable = kAddressable,
                        std::uint32_t granule = kArenaGranule) noexcept;

    /// The file's text, for a parser to rewrite in place before it adds entries.
    char* fileText() noexcept { return reinterpret_cast<char*>(text_.data()); }
    std::size_t fileLength() const noexcept { return text_.length(); }

    /// Room for `count` records. Throws std::bad_alloc when there is none.
    void reserve(std::size_t count);
    /// Adds an entry whose text lies in the file's text, at most 2^32 - 1 bytes of it, and,
    /// from kLongText bytes on, holds no kTextEnd and is followed by one. Throws
    /// std::out_of_range, adding nothing, when it does not lie there, and std::bad_alloc
    /// when memory runs out.
    void addInPlace(std::uint32_t start, std::int32_t duration, std::string_view text) {
        // Compared as numbers: the view may point anywhere. Inline: a parser adds one per line.
        const auto begin = reinterpret_cast<std::uintptr_t>(text_.data());
        const auto at = reinterpret_cast<std::uintptr_t>(text.data());
        if (!begin || at < begin || at - begin > text_.length() ||
            text.size() > text_.length() - (at - begin)) {
            outsideFileText();
        }
        // The file's text ends in kTextEnd, so the byte after any text in it can be read.
        assert(text.size() < kLongText || (text.data()[text.size()] == kTextEnd &&
                                           text.find(kTextEnd) == std::string_view::npos));
        noteOrder(start);
        records_.push_back(
            {start, duration, static_cast<std::uint32_t>(at - begin), lengthByte(text.size())});
        inPlaceBytes_ += text.size();
        longInPlace_ += text.size() >= kLongText;
    }
    /// Adds an entry with a copy of `text` in the arena. Throws std::bad_alloc, adding
    /// nothing, when memory runs out or the copy would leave the offset space.
    void addCopy(std::uint32_t start, std::int32_t duration, std::string_view text);
    /// Adds an entry of `length` bytes in the arena and answers where the caller writes them,
    /// before anything else is added, none of them kTextEnd from kLongText bytes on;
    /// kTextEnd follows them. Throws like addCopy.
    char* addSpace(std::uint32_t start, std::int32_t duration, std::size_t length);
    /// Sets the duration of entry `i`, which must exist: some ends are known only at the end.
    void setDuration(std::size_t i, std::int32_t duration) noexcept {
        records_[i].duration = duration;
    }
    /// Puts the entries in order of start (unsigned) unless they are already, and gives back
    /// what the arena's block for short texts does not use and, when the texts in place fill
    /// less than half of the file's text ("{0}{0}x" lines), the rest of it (where memory
    /// allows the smaller copies). No entry may be added in place afterwards.
    void finish() noexcept;

    std::size_t size() const noexcept { return records_.size(); }
    bool empty() const noexcept { return records_.empty(); }
    const EntryRecord& operator[](std::size_t i) const noexcept { return records_[i]; }
    const std::vector<EntryRecord>& records() const noexcept { return records_; }
    std::string_view text(const EntryRecord& record) const noexcept;

    /// Frees the entries and the text; the store is empty afterwards.
    void clear() noexcept;

private:
    static std::uint8_t lengthByte(std::size_t length) noexcept {
        return static_cast<std::uint8_t>(length < kLongText ? length : kLongText);
    }
    [[noreturn]] static void outsideFileText();
    // The length of a text whose record says kLongText.
    std::size_t longLength(const EntryRecord& record, const char* text) const noexcept;
    // Opens a block of `bytes` at the arena's first free granule.
    void openBlock(std::size_t bytes);
    // Gives back the unused end of the block that short texts fill, which takes no more.
    void trimShortBlock() noexcept;
    // Replaces the file's text with the texts in place, one after another.
    void keepOnlyTexts() noexcept;
    // Kept as entries come, so that finishing a store of files in order, nearly all of
    // them, passes over its records no more.
    void noteOrder(std::uint32_t start) noexcept {
        if (!records_.empty() && start < records_.back().start) inOrder_ = false;
    }

    String text_;
    std::uint64_t arenaStart_ = 0;  // offset of the arena's first byte: after the terminator
    std::uint64_t addressable_ = kAddressable;
    std::uint32_t granuleShift_ = 12;  // log2 of the granule
    std::uint64_t arenaEnd_ = 0;       // arena offsets given to blocks, whole granules
    // The block that short texts fill: its place in blocks_, its first free offset and its end.
    std::size_t shortBlock_ = 0;
    std::uint64_t shortUsed_ = 0, shortEnd_ = 0;
    std::vector<std::unique_ptr<char[]>> blocks_;
    std::vector<char*> granuleAt_;  // the memory behind each granule's offsets
    std::vector<EntryRecord> records_;
    // The long copies that hold a zero, by offset: {offset, length}.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> zeroHolding_;
    std::uint64_t inPlaceBytes_ = 0;  // the texts' bytes in the file's text
    std::uint64_t longInPlace_ = 0;   // and how many of them are long
    bool inOrder_ = true;             // records_ ordered by start
};

}  // namespace Tork
