// Subtitle entries at rest: one block of text and a small record per entry.
#pragma once

#include "framework/String.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Tork {

/// One entry at rest: its times and where its text lies in the store.
struct EntryRecord {
    std::uint32_t start;    // ms
    std::int32_t duration;  // ms
    std::uint32_t offset;   // in the store's offsets (see EntryStore)
    std::uint32_t length;
};

/// The entries of a stream and their text, 16 bytes each beside it. A parser that works in
/// place leaves most texts where they stand in the file's converted text, which the store
/// keeps whole; only texts the parser rewrote to a new length are copied, into an arena.
/// Offsets are one 32-bit space: the file's text with its terminating zero, then the arena.
class EntryStore {
public:
    /// The size of the offset space.
    static constexpr std::uint64_t kAddressable = std::uint64_t{1} << 32;

    /// A store without a file text: every entry is a copy.
    EntryStore() noexcept = default;
    /// Takes `text` over; entries may then lie in it. `addressable` narrows the offset space
    /// (to test its bound); it must exceed the text's length.
    explicit EntryStore(String text, std::uint64_t addressable = kAddressable) noexcept;

    /// The file's text, for a parser to rewrite in place before it adds entries.
    char* fileText() noexcept { return reinterpret_cast<char*>(text_.data()); }
    std::size_t fileLength() const noexcept { return text_.length(); }

    /// Room for `count` records. Throws std::bad_alloc when there is none.
    void reserve(std::size_t count);
    /// Adds an entry whose text lies in the file's text, at most 2^32 - 1 bytes of it.
    /// Throws std::out_of_range, adding nothing, when it does not lie there, and
    /// std::bad_alloc when memory runs out.
    void addInPlace(std::uint32_t start, std::int32_t duration, std::string_view text);
    /// Adds an entry with a copy of `text` in the arena. Throws std::bad_alloc, adding
    /// nothing, when memory runs out or the copy would leave the offset space.
    void addCopy(std::uint32_t start, std::int32_t duration, std::string_view text);

    /// Sets the duration of entry `i`, which must exist: some ends are known only at the end.
    void setDuration(std::size_t i, std::int32_t duration) noexcept {
        records_[i].duration = duration;
    }
    /// Puts the entries in order of start (unsigned) unless they are already.
    void sortByStart();

    std::size_t size() const noexcept { return records_.size(); }
    bool empty() const noexcept { return records_.empty(); }
    const EntryRecord& operator[](std::size_t i) const noexcept { return records_[i]; }
    const std::vector<EntryRecord>& records() const noexcept { return records_; }
    std::string_view text(const EntryRecord& record) const noexcept;

    /// Frees the entries and the text; the store is empty afterwards.
    void clear() noexcept;

private:
    String text_;
    std::uint64_t arenaStart_ = 0;  // offset of the arena's first byte: after the terminator
    std::uint64_t addressable_ = kAddressable;
    std::string arena_;
    std::vector<EntryRecord> records_;
};

}  // namespace Tork
