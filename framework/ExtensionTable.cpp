#include "framework/ExtensionTable.h"

#include <boost/assign/list_of.hpp>

#include <utility>
#include <vector>

namespace Tork {
namespace {

ExtensionTable buildTable() {
    const std::vector<std::pair<const char*, const char*>> pairs =
        boost::assign::list_of<std::pair<const char*, const char*>>(".orvel", "video/orvel")(
            ".orv", "video/orvel")(".xvid", "video/x-xvid")(".avi", "video/vnd.avi")(
            ".mkv", "video/x-matroska")(".mkx", "video/x-matroska")(".mka", "video/x-matroska")(
            ".mov", "video/quicktime")(".qt", "video/quicktime")(".mp4", "video/mp4")(
            ".m4v", "video/mp4")(".m1v", "video/mpeg")(".m2v", "video/mpeg")(".m4a", "audio/mp4")(
            ".m2ts", "video/MP2T")(".mts", "video/MP2T")(".ts", "video/MP2T")(
            ".tix", "application/vod")(".mpeg", "video/mpeg")(".mpg", "video/mpeg")(
            ".mpe", "video/mpeg")(".mp2", "audio/mpeg")(".mp3", "audio/mpeg")(
            ".vob", "video/x-dvd")(".ifo", "video/x-dvd")(".dat", "video/x-mpeg")(
            ".dv", "video/x-dv")(".asf", "video/x-ms-asf")(".wmv", "video/x-ms-wmv")(
            ".rm", "application/vnd.rn-realmedia")(".rmvb", "application/vnd.rn-realmedia-vbr")(
            ".ass", "text/x-ass")(".ssa", "text/x-ssa")(".srt", "text/x-srt")(".sub", "text/x-sub")(
            ".smi", "text/x-smi")(".sami", "text/x-sami")(".txt", "text/plain")(".xml", "text/xml")(
            ".smil", "application/smil+xml")(".mpd", "application/dash+xml");
    ExtensionTable table;
    for (const auto& [extension, type] : pairs) table.emplace(String(extension), String(type));
    return table;
}

// Built at load time, beside the interface identifiers.
const ExtensionTable table = buildTable();

}  // namespace

const ExtensionTable& extensionTable() {
    return table;
}

}  // namespace Tork
