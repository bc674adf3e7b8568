#include "subtitle/EntryStore.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

namespace Tork {
namespace {

// Grown by half again at least: growing to the exact size makes many additions quadratic.
template <class T>
void makeRoom(std::vector<T>& table, std::size_t more) {
    if (table.capacity() - table.size() >= more) return;
    table.reserve(std::max(table.size() + more, table.capacity() + table.capacity() / 2 + 16));
}

}  // namespace

EntryStore::EntryStore(String text, std::uint64_t addressable, std::uint32_t granule) noexcept
    : text_(std::move(text)),
      arenaStart_(std::uint64_t{text_.length()} + 1),
      addressable_(addressable),
      granuleShift_(static_cast<std::uint32_t>(std::countr_zero(granule))) {}

void EntryStore::reserve(std::size_t count) {
    records_.reserve(count);
}

void EntryStore::outsideFileText() {
    throw std::out_of_range("entry text outside the file's text");
}

void EntryStore::addCopy(std::uint32_t start, std::int32_t duration, std::string_view text) {
    const bool longWithZero = text.size() >= kLongText && text.find('\0') != std::string_view::npos;
    if (longWithZero) makeRoom(zeroHolding_, 1);  // first, so that a failure adds nothing
    char* const at = addSpace(start, duration, text.size());
    if (text.empty()) return;
    std::memcpy(at, text.data(), text.size());
    if (longWithZero) {
        const std::pair<std::uint32_t, std::uint32_t> copy{
            static_cast<std::uint32_t>(records_.back().offset),
            static_cast<std::uint32_t>(text.size())};
        zeroHolding_.insert(std::lower_bound(zeroHolding_.begin(), zeroHolding_.end(), copy), copy);
    }
}

void EntryStore::openBlock(std::size_t bytes) {
    const std::uint64_t granule = std::uint64_t{1} << granuleShift_;
    const auto spans = static_cast<std::size_t>((bytes + granule - 1) >> granuleShift_);
    makeRoom(granuleAt_, spans);
    makeRoom(blocks_, 1);
    std::unique_ptr<char[]> memory(new char[bytes]);
    for (std::size_t i = 0; i < spans; ++i) granuleAt_.push_back(memory.get() + i * granule);
    blocks_.push_back(std::move(memory));
    arenaEnd_ += spans * granule;
}

char* EntryStore::addSpace(std::uint32_t start, std::int32_t duration, std::size_t length) {
    // Room first, so that a failure adds nothing.
    makeRoom(records_, 1);
    if (length == 0) {
        static char none = 0;  // never written: there is nothing to write
        noteOrder(start);
        records_.push_back({start, duration, 0, 0});
        return &none;
    }
    const std::uint64_t granule = std::uint64_t{1} << granuleShift_;
    const std::uint64_t bytes = std::uint64_t{length} + 1;  // and its zero
    const bool fits = bytes <= shortEnd_ - shortUsed_;
    const bool ownBlock = !fits && bytes >= granule;
    const std::uint64_t place = fits ? shortUsed_ : arenaEnd_;
    if (arenaStart_ + place > addressable_ || length > addressable_ - arenaStart_ - place)
        throw std::bad_alloc();
    if (ownBlock) {
        openBlock(static_cast<std::size_t>(bytes));
    } else {
        if (!fits) {
            const std::size_t block = std::size_t{kBlockGranules} << granuleShift_;
            openBlock(block);
            shortBlock_ = blocks_.size() - 1;
            shortEnd_ = place + block;
        }
        shortUsed_ = place + bytes;
    }
    char* const at =
        granuleAt_[static_cast<std::size_t>(place >> granuleShift_)] + (place & (granule - 1));
    at[length] = kTextEnd;
    noteOrder(start);
    records_.push_back(
        {start, duration, static_cast<std::uint32_t>(arenaStart_ + place), lengthByte(length)});
    return at;
}

void EntryStore::finish() noexcept {
    const auto earlier = [](const EntryRecord& a, const EntryRecord& b) {
        return a.start < b.start;
    };
    // Files are nearly always in time order already: checking is one pass. Stable, so that
    // entries starting together show in the file's order (without memory for its buffer,
    // the sort works in place instead of throwing).
    if (!inOrder_) std::stable_sort(records_.begin(), records_.end(), earlier);
    inOrder_ = true;

    keepOnlyTexts();
    trimShortBlock();
}

void EntryStore::trimShortBlock() noexcept {
    const std::size_t block = std::size_t{kBlockGranules} << granuleShift_;
    if (shortEnd_ == shortUsed_) return;
    const std::uint64_t first = shortEnd_ - block;
    const auto used = static_cast<std::size_t>(shortUsed_ - first);
    shortUsed_ = shortEnd_;  // any later short copy opens a block of its own
    if (used == 0) return;
    char* const kept = new (std::nothrow) char[used];
    if (!kept) return;  // merely not smaller
    std::memcpy(kept, blocks_[shortBlock_].get(), used);
    blocks_[shortBlock_].reset(kept);
    const std::size_t granule = std::size_t{1} << granuleShift_;
    for (std::size_t i = 0; i < kBlockGranules; ++i)
        granuleAt_[static_cast<std::size_t>(first >> granuleShift_) + i] =
            i * granule < used ? kept + i * granule : nullptr;
}

void EntryStore::keepOnlyTexts() noexcept {
    // A long text keeps the zero that ends it.
    const std::uint64_t kept = inPlaceBytes_ + longInPlace_;
    if (kept * 2 >= text_.length()) return;
    String texts(text_.allocator());
    try {
        texts.resizeForOverwrite(static_cast<std::uint32_t>(kept));
    } catch (const std::bad_alloc&) {
        return;  // merely not smaller
    }
    const std::uint64_t arenaStart = kept + 1;
    std::uint32_t at = 0;
    const auto moved = [&](std::uint32_t offset) {
        return static_cast<std::uint32_t>(offset - arenaStart_ + arenaStart);
    };
    for (auto& copy : zeroHolding_) copy.first = moved(copy.first);
    for (EntryRecord& record : records_) {
        if (record.offset >= arenaStart_) {
            record.offset = moved(record.offset);
        } else {
            const char* const text = fileText() + record.offset;
            const bool isLong = record.length == kLongText;
            const std::size_t length = isLong ? longLength(record, text) : record.length;
            if (length) std::memcpy(texts.data() + at, text, length + isLong);
            record.offset = at;
            at += static_cast<std::uint32_t>(length + isLong);
        }
    }
    text_ = std::move(texts);
    arenaStart_ = arenaStart;
}

std::string_view EntryStore::text(const EntryRecord& record) const noexcept {
    if (record.length == 0) return {};
    const char* text;
    if (record.offset < arenaStart_) {
        text = reinterpret_cast<const char*>(text_.data()) + record.offset;
    } else {
        const std::uint64_t at = record.offset - arenaStart_;
        const std::uint64_t within = at & ((std::uint64_t{1} << granuleShift_) - 1);
        text = granuleAt_[static_cast<std::size_t>(at >> granuleShift_)] + within;
    }
    return {text, record.length < kLongText ? record.length : longLength(record, text)};
}

std::size_t EntryStore::longLength(const EntryRecord& record, const char* text) const noexcept {
    const auto copy = std::lower_bound(zeroHolding_.begin(), zeroHolding_.end(),
                                       std::pair<std::uint32_t, std::uint32_t>{record.offset, 0});
    if (copy != zeroHolding_.end() && copy->first == record.offset) return copy->second;
    return std::strlen(text);  // up to kTextEnd
}

void EntryStore::clear() noexcept {
    text_.clear();
    arenaStart_ = 0;
    arenaEnd_ = shortUsed_ = shortEnd_ = 0;
    shortBlock_ = 0;
    std::vector<std::unique_ptr<char[]>>().swap(blocks_);
    std::vector<char*>().swap(granuleAt_);
    std::vector<EntryRecord>().swap(records_);
    decltype(zeroHolding_)().swap(zeroHolding_);
    inPlaceBytes_ = longInPlace_ = 0;
    inOrder_ = true;
}

}  // namespace Tork
