// The charset detector of the ICU i18n library, bound at run time.
#pragma once

#include "platform/DynamicLibrary.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace Tork {

/// ICU's detector and its answers; only ever handled through pointers.
struct IcuDetector;
struct IcuMatch;

/// One of ICU's guesses at a text's encoding.
struct DetectedCharset {
    std::string name;         // as ICU names it ("windows-1250", "ISO-8859-1")
    std::int32_t confidence;  // 0 to 100
};

/// One binding of ucsdet_open, ucsdet_close, ucsdet_setText, ucsdet_detectAll,
/// ucsdet_getName and ucsdet_getConfidence. Statuses follow ICU: above 0 is an error.
class UCSDetLibrary {
public:
    using OpenFunction = IcuDetector* (*)(std::int32_t* status);
    using CloseFunction = void (*)(IcuDetector* detector);
    using SetTextFunction = void (*)(IcuDetector* detector, const char* text, std::int32_t length,
                                     std::int32_t* status);
    using DetectAllFunction = const IcuMatch** (*)(IcuDetector* detector, std::int32_t* found,
                                                   std::int32_t* status);
    using NameFunction = const char* (*)(const IcuMatch* match, std::int32_t* status);
    using ConfidenceFunction = std::int32_t (*)(const IcuMatch* match, std::int32_t* status);

    /// The most of a text that detect() shows ICU: enough for any subtitle's statistics.
    static constexpr std::size_t kMaxSample = 64 * 1024;

    /// Binds the first of `candidates` that loads and has all six functions, their names
    /// ending in `suffix`. Not usable() when none does.
    UCSDetLibrary(std::span<const std::string> candidates, const std::string& suffix);
    UCSDetLibrary(const UCSDetLibrary&) = delete;
    UCSDetLibrary& operator=(const UCSDetLibrary&) = delete;
    /// Leaves ICU loaded, as the converters' binding does.
    ~UCSDetLibrary() { module_.keepLoaded(); }

    /// The process-wide binding, from the i18n library of the version that
    /// UCNVLibrary::instance() bound; not usable when that is not. Null only when memory
    /// ran out; the next call then tries again.
    static const UCSDetLibrary* instance();
    /// The i18n library that goes with the common library `common` (a file name or path):
    /// the same version, in the same folder, then `common` itself (a library of all of ICU).
    /// Empty for an empty name.
    static std::vector<std::string> candidatesBeside(std::string_view common);

    bool usable() const noexcept { return openFunction_ != nullptr; }

    /// Every match ICU finds for the first kMaxSample bytes of `text`, best first. Empty when
    /// the binding is not usable, the text is empty, ICU reports an error or finds no match,
    /// or memory runs out; a match without a name is left out.
    std::vector<DetectedCharset> detect(std::string_view text) const;

private:
    bool bind(const std::string& candidate, const std::string& suffix);

    DynamicLibrary module_;
    OpenFunction openFunction_ = nullptr;
    CloseFunction closeFunction_ = nullptr;
    SetTextFunction setTextFunction_ = nullptr;
    DetectAllFunction detectAllFunction_ = nullptr;
    NameFunction nameFunction_ = nullptr;
    ConfidenceFunction confidenceFunction_ = nullptr;
};

}  // namespace Tork
