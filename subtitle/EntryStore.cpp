#include "subtitle/EntryStore.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

namespace Tork {

EntryStore::EntryStore(String text, std::uint64_t addressable, std::uint32_t arenaBlock) noexcept
    : text_(std::move(text)),
      arenaStart_(std::uint64_t{text_.length()} + 1),
      addressable_(addressable),
      blockShift_(static_cast<std::uint32_t>(std::countr_zero(arenaBlock))) {}

void EntryStore::reserve(std::size_t count) {
    records_.reserve(count);
}

void EntryStore::addInPlace(std::uint32_t start, std::int32_t duration, std::string_view text) {
    // Compared as numbers: the view may point anywhere.
    const auto begin = reinterpret_cast<std::uintptr_t>(text_.data());
    const auto at = reinterpret_cast<std::uintptr_t>(text.data());
    if (!begin || at < begin || at - begin > text_.length() ||
        text.size() > text_.length() - (at - begin)) {
        throw std::out_of_range("entry text outside the file's text");
    }
    records_.push_back({start, duration, static_cast<std::uint32_t>(at - begin),
                        static_cast<std::uint32_t>(text.size())});
}

std::uint64_t EntryStore::placeCopy(std::size_t length) const noexcept {
    const std::uint64_t block = std::uint64_t{1} << blockShift_;
    const std::uint64_t within = arenaUsed_ & (block - 1);
    if (within == 0 || length <= block - within) return arenaUsed_;
    return arenaUsed_ - within + block;
}

void EntryStore::addCopy(std::uint32_t start, std::int32_t duration, std::string_view text) {
    // Room first, so that a failure adds nothing.
    if (records_.size() == records_.capacity()) records_.reserve(2 * records_.size() + 16);
    if (text.empty()) {
        records_.push_back({start, duration, 0, 0});
        return;
    }
    const std::uint64_t block = std::uint64_t{1} << blockShift_;
    const std::uint64_t place = placeCopy(text.size());
    if (arenaStart_ + place > addressable_ || text.size() > addressable_ - arenaStart_ - place)
        throw std::bad_alloc();
    const auto first = static_cast<std::size_t>(place >> blockShift_);
    const auto spans = static_cast<std::size_t>((text.size() + block - 1) >> blockShift_);
    if (first == blockAt_.size()) {
        blockAt_.reserve(first + spans);
        blocks_.reserve(blocks_.size() + 1);
        std::unique_ptr<char[]> memory(new char[spans == 1 ? block : text.size()]);
        for (std::size_t i = 0; i < spans; ++i) blockAt_.push_back(memory.get() + i * block);
        blocks_.push_back(std::move(memory));
    }
    std::memcpy(blockAt_[first] + (place & (block - 1)), text.data(), text.size());
    // A block of one text's own has no room after it.
    arenaUsed_ = spans == 1 ? place + text.size() : (first + spans) * block;
    records_.push_back({start, duration, static_cast<std::uint32_t>(arenaStart_ + place),
                        static_cast<std::uint32_t>(text.size())});
}

void EntryStore::finish() noexcept {
    const auto earlier = [](const EntryRecord& a, const EntryRecord& b) {
        return a.start < b.start;
    };
    // Files are nearly always in time order already: checking is one pass. Stable, so that
    // entries starting together show in the file's order (without memory for its buffer,
    // the sort works in place instead of throwing).
    if (!std::is_sorted(records_.begin(), records_.end(), earlier))
        std::stable_sort(records_.begin(), records_.end(), earlier);

    keepOnlyTexts();

    // Only a block that copies are still filling ends inside it.
    const std::uint64_t block = std::uint64_t{1} << blockShift_;
    const auto used = static_cast<std::size_t>(arenaUsed_ & (block - 1));
    if (used == 0) return;
    char* const last = new (std::nothrow) char[used];
    if (!last) return;  // merely not smaller
    std::memcpy(last, blockAt_.back(), used);
    blocks_.back().reset(last);
    blockAt_.back() = last;
    arenaUsed_ += block - used;  // any later copy starts a block of its own
}

void EntryStore::keepOnlyTexts() noexcept {
    std::uint64_t kept = 0;
    for (const EntryRecord& record : records_)
        if (record.offset < arenaStart_) kept += record.length;
    if (kept * 2 >= text_.length()) return;
    String texts(text_.allocator());
    try {
        texts.resizeForOverwrite(static_cast<std::uint32_t>(kept));
    } catch (const std::bad_alloc&) {
        return;  // merely not smaller
    }
    const std::uint64_t arenaStart = kept + 1;
    std::uint32_t at = 0;
    for (EntryRecord& record : records_) {
        if (record.offset >= arenaStart_) {
            record.offset = static_cast<std::uint32_t>(record.offset - arenaStart_ + arenaStart);
        } else {
            if (record.length)
                std::memcpy(texts.data() + at, text_.data() + record.offset, record.length);
            record.offset = at;
            at += record.length;
        }
    }
    text_ = std::move(texts);
    arenaStart_ = arenaStart;
}

std::string_view EntryStore::text(const EntryRecord& record) const noexcept {
    if (record.length == 0) return {};
    if (record.offset < arenaStart_)
        return {reinterpret_cast<const char*>(text_.data()) + record.offset, record.length};
    const std::uint64_t at = record.offset - arenaStart_;
    const std::uint64_t within = at & ((std::uint64_t{1} << blockShift_) - 1);
    return {blockAt_[static_cast<std::size_t>(at >> blockShift_)] + within, record.length};
}

void EntryStore::clear() noexcept {
    text_.clear();
    arenaStart_ = 0;
    arenaUsed_ = 0;
    std::vector<std::unique_ptr<char[]>>().swap(blocks_);
    std::vector<char*>().swap(blockAt_);
    std::vector<EntryRecord>().swap(records_);
}

}  // namespace Tork
