// file: URLs to local paths: any bytes as a URL, and any absolute path through a URL and back.
#include "framework/ResultCode.h"
#include "framework/String.h"
#include "fuzz/FuzzCheck.h"
#include "text/FileUrl.h"
#include "text/ParserUtilities.h"
#include "text/Utf.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace Tork {
namespace {

void checkAnyUrl(std::string_view bytes) {
    const String url(bytes);
    String path("untouched");
    const ResultCode result = ParserUtilities::pathFromUrl(url, path);
    FUZZ_CHECK(result == Result::Ok || result == Result::NotFileUrl);
    if (result != Result::Ok) {
        FUZZ_CHECK(path.bytes() == "untouched");
        return;
    }
    // What reaches the file system is an absolute, well-formed path that no zero cuts short.
    const std::string_view local = path.bytes();
    FUZZ_CHECK(local.starts_with('/'));
    FUZZ_CHECK(local.find('\0') == std::string_view::npos);
    FUZZ_CHECK(isWellFormedUtf8(local));
}

void checkRoundTrip(std::string_view path) {
    if (!path.starts_with('/') || path.find('\0') != std::string_view::npos ||
        !isWellFormedUtf8(path))
        return;
    const std::string escaped = fileUrlFromPath(path).substr(std::string_view("file://").size());
    for (const char* prefix : {"file://", "file://localhost", "FILE://LocalHost"}) {
        String local;
        FUZZ_CHECK(ParserUtilities::pathFromUrl(String(prefix + escaped), local) == Result::Ok);
        FUZZ_CHECK(local.bytes() == path);
    }
}

}  // namespace
}  // namespace Tork

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Tork::checkAnyUrl(bytes);
    Tork::checkRoundTrip(bytes);
    return 0;
}
