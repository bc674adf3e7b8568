// A stand-in for ICU's charset detector (functions suffixed _99): it names the charset that
// the text's first line spells ("none" finds nothing, "error" fails), its confidence the
// KiB it was shown.
#include <cstdint>
#include <string>
#include <string_view>

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

struct Detector {
    std::string firstLine;
    std::int32_t length;
};

FAKE_EXPORT Detector* ucsdet_open_99(std::int32_t*) {
    return new Detector;
}
FAKE_EXPORT void ucsdet_close_99(Detector* detector) {
    delete detector;
}
FAKE_EXPORT void ucsdet_setText_99(Detector* detector, const char* text, std::int32_t length,
                                   std::int32_t*) {
    const std::string_view all(text, static_cast<std::size_t>(length));
    *detector = {std::string(all.substr(0, all.find('\n'))), length};
}
FAKE_EXPORT const Detector* ucsdet_detect_99(Detector* detector, std::int32_t* status) {
    if (detector->firstLine == "error") *status = 2;
    return detector->firstLine == "none" || *status > 0 ? nullptr : detector;
}
FAKE_EXPORT const char* ucsdet_getName_99(const Detector* match, std::int32_t*) {
    return match->firstLine.c_str();
}
FAKE_EXPORT std::int32_t ucsdet_getConfidence_99(const Detector* match, std::int32_t*) {
    return match->length / 1024;
}
