// The converter API of the ICU common library, bound at run time.
#pragma once

#include "platform/DynamicLibrary.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace Tork {

/// ICU's converter object; only ever handled through a pointer.
struct IcuConverter;

/// One binding of ucnv_open, ucnv_close, ucnv_toUnicode and ucnv_fromUnicode. Statuses
/// follow ICU: 0 success, below 0 a warning, above 0 an error.
class UCNVLibrary {
public:
    using OpenFunction = IcuConverter* (*)(const char* name, std::int32_t* status);
    using CloseFunction = void (*)(IcuConverter* converter);
    using ToUnicodeFunction = void (*)(IcuConverter* converter, char16_t** target,
                                       const char16_t* targetLimit, const char** source,
                                       const char* sourceLimit, std::int32_t* offsets,
                                       std::int8_t flush, std::int32_t* status);
    using FromUnicodeFunction = void (*)(IcuConverter* converter, char** target,
                                         const char* targetLimit, const char16_t** source,
                                         const char16_t* sourceLimit, std::int32_t* offsets,
                                         std::int8_t flush, std::int32_t* status);

    /// The status of every operation when the binding is not usable (ICU's internal
    /// program error).
    static constexpr std::int32_t kUnusable = 5;
    /// The status of open() for a null or empty converter name (ICU's illegal argument).
    static constexpr std::int32_t kNoName = 1;

    /// Binds the first of `candidates` (library file names or paths) that loads and has
    /// all four functions, under its version suffix or none. Not usable() when none does.
    explicit UCNVLibrary(std::span<const std::string> candidates);
    UCNVLibrary(const UCNVLibrary&) = delete;
    UCNVLibrary& operator=(const UCNVLibrary&) = delete;
    /// Leaves ICU loaded: it keeps caches of its own that unloading would orphan.
    virtual ~UCNVLibrary() { module_.keepLoaded(); }

    /// The process-wide binding to the system's ICU, made once and kept until the plug-in
    /// is unloaded. Null only when memory ran out; the next call then tries again.
    static const UCNVLibrary* instance();
    /// The system's ICU common library names, newest version first, then the platform's
    /// other names.
    /// Defined in a file of its own, so a build can bind another set.
    static std::vector<std::string> systemCandidates();

    /// ICU versions whose common library is looked for, wide enough for a decade of
    /// releases to come. Each version that is not there costs a library search (timed by
    /// text_bench's FindSystemIcu; figures in bench/NOTES.md).
    static constexpr int kNewestVersion = 99;
    static constexpr int kOldestVersion = 44;

    bool usable() const noexcept { return openFunction_ != nullptr; }
    /// The candidate bound and the suffix its function names carry ("_72" or none); both
    /// empty when the binding is not usable. ICU's other libraries follow the same two.
    const std::string& boundCandidate() const noexcept { return candidate_; }
    const std::string& functionSuffix() const noexcept { return suffix_; }

    /// Null, with the status set (when the pointer is not null), when the binding is not
    /// usable, the name is null or empty, or ICU refuses the name.
    IcuConverter* open(const char* name, std::int32_t* status) const noexcept;
    /// Does nothing for a null converter or an unusable binding.
    void close(IcuConverter* converter) const noexcept;
    /// Sets the status to kUnusable (when the pointer is not null) if the binding is not
    /// usable; otherwise ICU reports through it.
    void toUnicode(IcuConverter* converter, char16_t** target, const char16_t* targetLimit,
                   const char** source, const char* sourceLimit, std::int32_t* offsets, bool flush,
                   std::int32_t* status) const noexcept;
    /// As toUnicode, in the other direction.
    void fromUnicode(IcuConverter* converter, char** target, const char* targetLimit,
                     const char16_t** source, const char16_t* sourceLimit, std::int32_t* offsets,
                     bool flush, std::int32_t* status) const noexcept;

private:
    bool bind(const std::string& candidate);

    DynamicLibrary module_;
    std::string candidate_;
    std::string suffix_;
    OpenFunction openFunction_ = nullptr;
    CloseFunction closeFunction_ = nullptr;
    ToUnicodeFunction toUnicodeFunction_ = nullptr;
    FromUnicodeFunction fromUnicodeFunction_ = nullptr;
};

}  // namespace Tork
