#include "text/UCSDetLibrary.h"

#include "framework/OrOnException.h"
#include "platform/LibraryNames.h"
#include "text/UCNVLibrary.h"

#include <algorithm>
#include <memory>
#include <new>

namespace Tork {

UCSDetLibrary::UCSDetLibrary(std::span<const std::string> candidates, const std::string& suffix) {
    for (const std::string& candidate : candidates)
        if (bind(candidate, suffix)) return;
}

bool UCSDetLibrary::bind(const std::string& candidate, const std::string& suffix) {
    DynamicLibrary library(candidate);
    if (!library.loaded()) return false;
    const auto find = [&](const char* name) { return library.symbol((name + suffix).c_str()); };
    void* const open = find("ucsdet_open");
    void* const close = find("ucsdet_close");
    void* const setText = find("ucsdet_setText");
    void* const detectAll = find("ucsdet_detectAll");
    void* const name = find("ucsdet_getName");
    void* const confidence = find("ucsdet_getConfidence");
    if (!open || !close || !setText || !detectAll || !name || !confidence) return false;
    module_ = std::move(library);
    openFunction_ = reinterpret_cast<OpenFunction>(open);
    closeFunction_ = reinterpret_cast<CloseFunction>(close);
    setTextFunction_ = reinterpret_cast<SetTextFunction>(setText);
    detectAllFunction_ = reinterpret_cast<DetectAllFunction>(detectAll);
    nameFunction_ = reinterpret_cast<NameFunction>(name);
    confidenceFunction_ = reinterpret_cast<ConfidenceFunction>(confidence);
    return true;
}

std::vector<std::string> UCSDetLibrary::candidatesBeside(std::string_view common) {
    if (common.empty()) return {};
    const std::string folder(common.substr(0, common.find_last_of("/\\") + 1));
    const auto version = LibraryNames::icuVersion(common);
    // A library that holds all of ICU (Windows 10's icu.dll) has the detector itself.
    return {folder + (version ? LibraryNames::icuLibrary("icui18n", *version)
                              : LibraryNames::sharedLibrary("icui18n")),
            std::string(common)};
}

const UCSDetLibrary* UCSDetLibrary::instance() {
    try {
        // As the converters' binding: made once, freed when the plug-in is unloaded.
        static const std::unique_ptr<const UCSDetLibrary> library = [] {
            const UCNVLibrary* converters = UCNVLibrary::instance();
            if (!converters) throw std::bad_alloc();  // so the next call tries again
            return std::make_unique<const UCSDetLibrary>(
                candidatesBeside(converters->boundCandidate()), converters->functionSuffix());
        }();
        return library.get();
    } catch (...) {
        rethrowIfForeign();
        return nullptr;
    }
}

std::vector<DetectedCharset> UCSDetLibrary::detect(std::string_view text) const {
    std::vector<DetectedCharset> found;
    if (!usable() || text.empty()) return found;
    try {
        std::int32_t status = 0;
        const std::unique_ptr<IcuDetector, CloseFunction> detector(openFunction_(&status),
                                                                   closeFunction_);
        if (!detector || status > 0) return found;
        // ICU keeps the pointer, not the bytes: the text outlives the detector here.
        const std::size_t sample = std::min(text.size(), kMaxSample);
        setTextFunction_(detector.get(), text.data(), static_cast<std::int32_t>(sample), &status);
        std::int32_t count = 0;
        // The matches belong to the detector and live as long as it does.
        const IcuMatch** matches =
            status > 0 ? nullptr : detectAllFunction_(detector.get(), &count, &status);
        if (!matches || status > 0) return found;
        for (std::int32_t i = 0; i < count; ++i) {
            std::int32_t matchStatus = 0;
            const char* name = nameFunction_(matches[i], &matchStatus);
            const std::int32_t confidence = confidenceFunction_(matches[i], &matchStatus);
            if (name && *name && matchStatus <= 0) found.push_back({name, confidence});
        }
        return found;
    } catch (...) {
        rethrowIfForeign();
        return {};  // out of memory
    }
}

}  // namespace Tork
