// file: URLs to local paths: any bytes as a URL, and any absolute path through a URL and back.
#include "framework/ResultCode.h"
#include "framework/String.h"
#include "fuzz/FuzzCheck.h"
#include "text/ParserUtilities.h"
#include "text/Utf.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace Tork {
namespace {

// Escapes every byte but letters, digits, "/" and "-._~".
std::string percentEncoded(std::string_view path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
            (byte >= '0' && byte <= '9') ||
            std::string_view("/-._~").find(c) != std::string_view::npos) {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        }
    }
    return out;
}

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
    const std::string escaped = percentEncoded(path);
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
