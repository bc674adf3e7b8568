#include "text/UCNVLibrary.h"

#include "framework/OrOnException.h"
#include "platform/LibraryNames.h"

#include <memory>
#include <string_view>

namespace Tork {
namespace {

// ICU renames its functions with its version: the major one from ICU 49 on (ucnv_open_72),
// major and minor before that (ucnv_open_4_8, in a file named for 48).
std::string functionSuffix(int version) {
    if (version >= 49) return "_" + std::to_string(version);
    return "_" + std::to_string(version / 10) + "_" + std::to_string(version % 10);
}

// The file name tells which version; a bare file name could be any, so every one is tried
// after none.
std::vector<std::string> suffixesFor(std::string_view candidate) {
    if (const auto version = LibraryNames::icuVersion(candidate))
        return {functionSuffix(*version), std::string()};
    std::vector<std::string> suffixes{std::string()};
    for (int version = UCNVLibrary::kNewestVersion; version >= UCNVLibrary::kOldestVersion;
         --version)
        suffixes.push_back(functionSuffix(version));
    return suffixes;
}

}  // namespace

UCNVLibrary::UCNVLibrary(std::span<const std::string> candidates) {
    for (const std::string& candidate : candidates)
        if (bind(candidate)) return;
}

bool UCNVLibrary::bind(const std::string& candidate) {
    DynamicLibrary library(candidate);
    if (!library.loaded()) return false;
    for (const std::string& suffix : suffixesFor(candidate)) {
        const auto find = [&](const char* name) { return library.symbol((name + suffix).c_str()); };
        void* const open = find("ucnv_open");
        void* const close = find("ucnv_close");
        void* const toUnicode = find("ucnv_toUnicode");
        void* const fromUnicode = find("ucnv_fromUnicode");
        if (!open || !close || !toUnicode || !fromUnicode) continue;
        module_ = std::move(library);
        candidate_ = candidate;
        suffix_ = suffix;
        openFunction_ = reinterpret_cast<OpenFunction>(open);
        closeFunction_ = reinterpret_cast<CloseFunction>(close);
        toUnicodeFunction_ = reinterpret_cast<ToUnicodeFunction>(toUnicode);
        fromUnicodeFunction_ = reinterpret_cast<FromUnicodeFunction>(fromUnicode);
        return true;
    }
    return false;
}

const UCNVLibrary* UCNVLibrary::instance() {
    try {
        // Made once and kept while the plug-in is loaded; freed when it is unloaded, when no
        // conversion can still be running. A failed attempt is tried again next time.
        static const std::unique_ptr<const UCNVLibrary> library =
            std::make_unique<const UCNVLibrary>(systemCandidates());
        return library.get();
    } catch (...) {
        rethrowIfForeign();
        return nullptr;
    }
}

IcuConverter* UCNVLibrary::open(const char* name, std::int32_t* status) const noexcept {
    std::int32_t ignored = 0;
    if (!status) status = &ignored;
    if (!usable()) {
        *status = kUnusable;
        return nullptr;
    }
    // ICU opens its default converter for a null name; never let that happen.
    if (!name || !*name) {
        *status = kNoName;
        return nullptr;
    }
    return openFunction_(name, status);
}

void UCNVLibrary::close(IcuConverter* converter) const noexcept {
    if (usable() && converter) closeFunction_(converter);
}

void UCNVLibrary::toUnicode(IcuConverter* converter, char16_t** target, const char16_t* targetLimit,
                            const char** source, const char* sourceLimit, std::int32_t* offsets,
                            bool flush, std::int32_t* status) const noexcept {
    std::int32_t ignored = 0;
    if (!status) status = &ignored;
    if (!usable()) {
        *status = kUnusable;
        return;
    }
    toUnicodeFunction_(converter, target, targetLimit, source, sourceLimit, offsets, flush ? 1 : 0,
                       status);
}

void UCNVLibrary::fromUnicode(IcuConverter* converter, char** target, const char* targetLimit,
                              const char16_t** source, const char16_t* sourceLimit,
                              std::int32_t* offsets, bool flush,
                              std::int32_t* status) const noexcept {
    std::int32_t ignored = 0;
    if (!status) status = &ignored;
    if (!usable()) {
        *status = kUnusable;
        return;
    }
    fromUnicodeFunction_(converter, target, targetLimit, source, sourceLimit, offsets,
                         flush ? 1 : 0, status);
}

}  // namespace Tork
