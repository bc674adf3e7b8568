// Subtitle entries at rest: one block of text and a small record per entry.
#pragma once

#include "framework/String.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

namespace Tork {

/// One entry at rest: its times and where its text lies in the store. The zero after the
/// text ends it, so no length is kept: 12 bytes an entry, not 16.
struct EntryRecord {
    std::uint32_t start;    // ms
    std::int32_t duration;  // ms
    std::uint32_t offset;   // in the store's offsets (see EntryStore)
};

/// The entries of a stream and their text, 12 bytes each beside it. A parser that works in
/// place leaves most texts in the file's converted text, which the store keeps; only texts
/// that the parser could not write into their own line are copied, into an arena. Offsets
/// are one 32-bit space: the file's text with its terminating zero, then the arena.
///
/// Every text is followed by a zero that ends it. Only a copy may hold a zero itself (no
/// parser's does): such a copy's length is kept aside. An empty text is at offset 0 while
/// no text starts there; once one does (a translation written over the file's first line,
/// or the texts in place kept alone by finish), empty texts point at a zero instead.
///
/// The arena is a row of blocks that never move, so that a copy never moves the texts
/// before it and memory follows what is stored. Its offsets come in granules, each of which
/// lies in one block, so that finding a text is one table look-up. Texts fill blocks of
/// kBlockGranules granules one after another; one that does not fit the rest of the
/// current block and is at least a granule long gets a block of its own size, while later
/// short texts still fill the tail of the current block, so no block is left with more
/// than a granule unused.
class EntryStore {
public:
    /// The size of the offset space.
    static constexpr std::uint64_t kAddressable = std::uint64_t{1} << 32;
    /// The arena's granule, and how many of them a block for short texts takes.
    static constexpr std::uint32_t kArenaGranule = 4 * 1024;
    static constexpr std::uint32_t kBlockGranules = 16;

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
    /// Adds an entry whose text lies in the file's text, holds no zero and overlaps no other
    /// text; the byte after it becomes a zero. Throws std::out_of_range, adding nothing, when it
    /// does not lie there, and std::bad_alloc when memory runs out.
    void addInPlace(std::uint32_t start, std::int32_t duration, std::string_view text) {
        // Compared as numbers: the view may point anywhere. Inline: a parser adds one per line.
        const auto begin = reinterpret_cast<std::uintptr_t>(text_.data());
        const auto at = reinterpret_cast<std::uintptr_t>(text.data());
        if (!begin || at < begin || at - begin > text_.length() ||
            text.size() > text_.length() - (at - begin)) {
            outsideFileText();
        }
        if (text.empty() || (at == begin && !zeroIsText_)) {
            addAtZeroOrEmpty(start, duration, text);
            return;
        }
        noteOrder(start);
        records_.push_back({start, duration, static_cast<std::uint32_t>(at - begin)});
        fileText()[at - begin + text.size()] = '\0';
        inPlaceBytes_ += text.size();
        ++inPlaceTexts_;
    }
    /// Adds an entry with a copy of `text` in the arena. Throws std::bad_alloc, adding
    /// nothing, when memory runs out or the copy would leave the offset space.
    void addCopy(std::uint32_t start, std::int32_t duration, std::string_view text);
    /// Adds an entry of `length` bytes in the arena and answers where the caller writes them,
    /// before anything else is added, none of them zero; a zero follows them. Throws like
    /// addCopy.
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
    [[noreturn]] static void outsideFileText();
    // Opens a block of `bytes` at the arena's first free granule.
    void openBlock(std::size_t bytes);
    // Adds an empty text, or a text at offset 0, the first there.
    void addAtZeroOrEmpty(std::uint32_t start, std::int32_t duration, std::string_view text);
    // Where empty texts point: offset 0, or a zero once a text starts there.
    std::uint32_t emptyOffset() const noexcept {
        return zeroIsText_ ? static_cast<std::uint32_t>(arenaStart_ - 1) : 0;
    }
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
    std::uint64_t arenaStart_ = 1;  // offset of the arena's first byte: after the terminator
    std::uint64_t addressable_ = kAddressable;
    std::uint32_t granuleShift_ = 12;  // log2 of the granule
    std::uint64_t arenaEnd_ = 0;       // arena offsets given to blocks, whole granules
    // The block that short texts fill: its place in blocks_, its first free offset and its end.
    std::size_t shortBlock_ = 0;
    std::uint64_t shortUsed_ = 0, shortEnd_ = 0;
    std::vector<std::unique_ptr<char[]>> blocks_;
    std::vector<char*> granuleAt_;  // the memory behind each granule's offsets
    std::vector<EntryRecord> records_;
    std::uint64_t inPlaceBytes_ = 0;  // the texts' bytes in the file's text
    std::uint64_t inPlaceTexts_ = 0;  // and how many texts they are
    // The copies that hold a zero, by offset: {offset, length}.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> zeroHolding_;
    bool inOrder_ = true;      // records_ ordered by start
    bool zeroIsText_ = false;  // a text starts at offset 0, not the empty ones
};

}  // namespace Tork
