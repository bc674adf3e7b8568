#include "subtitle/EntryStore.h"

#include <algorithm>
#include <new>
#include <stdexcept>
#include <utility>

namespace Tork {

EntryStore::EntryStore(String text, std::uint64_t addressable) noexcept
    : text_(std::move(text)),
      arenaStart_(std::uint64_t{text_.length()} + 1),
      addressable_(addressable) {}

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

void EntryStore::addCopy(std::uint32_t start, std::int32_t duration, std::string_view text) {
    const std::uint64_t offset = arenaStart_ + arena_.size();
    if (text.size() > addressable_ - offset || text.size() > UINT32_MAX) {
        throw std::bad_alloc();
    }
    // Room first, so that a failure adds nothing.
    if (records_.size() == records_.capacity()) records_.reserve(2 * records_.size() + 16);
    arena_.append(text);
    records_.push_back({start, duration, static_cast<std::uint32_t>(offset),
                        static_cast<std::uint32_t>(text.size())});
}

void EntryStore::sortByStart() {
    const auto earlier = [](const EntryRecord& a, const EntryRecord& b) {
        return a.start < b.start;
    };
    // Files are nearly always in time order already: checking is one pass.
    if (!std::is_sorted(records_.begin(), records_.end(), earlier))
        std::sort(records_.begin(), records_.end(), earlier);
}

std::string_view EntryStore::text(const EntryRecord& record) const noexcept {
    if (record.length == 0) return {};
    if (record.offset < arenaStart_)
        return {reinterpret_cast<const char*>(text_.data()) + record.offset, record.length};
    return {arena_.data() + (record.offset - arenaStart_), record.length};
}

void EntryStore::clear() noexcept {
    text_.clear();
    arenaStart_ = 0;
    std::string().swap(arena_);
    std::vector<EntryRecord>().swap(records_);
}

}  // namespace Tork
