// The process-wide table between three-letter and two-letter language codes.
#pragma once

#include <cstddef>
#include <map>
#include <string_view>

namespace Tork {

/// Maps each three-letter code (bibliographic forms: "ger", "fre", "chi") to its two-letter
/// partner and each two-letter code back. Where a two-letter code has two partners the later
/// pair wins: "my" maps to "mya", while "bur" still maps to "my".
class LanguageCodeTable {
public:
    LanguageCodeTable(const LanguageCodeTable&) = delete;
    LanguageCodeTable& operator=(const LanguageCodeTable&) = delete;

    /// The table, filled on first use (safe when threads race to it). Throws
    /// std::bad_alloc when it cannot be filled; a later call tries again.
    static const LanguageCodeTable& instance();

    /// The partner of `code`, or empty when `code` is not in the table. The match is exact
    /// and case-sensitive.
    std::string_view partner(std::string_view code) const noexcept;
    std::size_t size() const noexcept { return codes_.size(); }

private:
    LanguageCodeTable();

    std::map<std::string_view, std::string_view> codes_;
};

/// LanguageCodeTable::instance().partner(code); throws as instance() does.
std::string_view mapLanguageCode(std::string_view code);

}  // namespace Tork
