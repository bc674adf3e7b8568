// VLC's demuxer of MicroDVD subtitle files, read through the Tork plug-in. It answers to the
// name "subtitle" too, which VLC's input asks for whenever it opens a subtitle file (given
// with --sub-file, found beside the film or added from the menu); scored above VLC's own
// reader, it is tried first, and a file its probe refuses goes on to that reader.
#include "player/SubtitleReader.h"
#include "vlc/FilmRate.h"
#include "vlc/TrackLanguage.h"
#include "vlc/VlcMarkup.h"

// VLC's headers need vlc_common.h first.
#include <vlc_common.h>

#include <vlc_configuration.h>
#include <vlc_demux.h>
#include <vlc_plugin.h>
#include <vlc_url.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <string>

// VLC's C interface names the module's state this way.
struct demux_sys_t {
    demux_sys_t() : reader(TORK_INSTALLED_PLUGIN_FOLDER) {}
    Tork::Player::SubtitleReader reader;
    es_out_id_t* es = nullptr;
    std::optional<Tork::Player::Cue> pending;  // the next cue to send
    mtime_t nextDemuxTime = 0;  // media time in microseconds: cues before it are sent
    bool slave = false;         // the input times this demuxer against the film's
    bool firstPcr = true;
};

namespace {

// Frees what VLC allocated with malloc.
struct Free {
    void operator()(void* pointer) const { std::free(pointer); }
};
using VlcString = std::unique_ptr<char, Free>;

// The first of `demux` and its parents with a float variable `name`; VLC's input sets
// "sub-original-fps" to the film's frame rate when it knows one.
std::optional<float> inheritedFloat(demux_t* demux, const char* name) {
    for (vlc_object_t* object = VLC_OBJECT(demux); object; object = object->obj.parent) {
        if ((var_Type(object, name) & VLC_VAR_CLASS) == VLC_VAR_FLOAT) {
            return var_GetFloat(object, name);
        }
    }
    return std::nullopt;
}

// --subsdec-encoding, the encoding a user gives VLC for text subtitles: empty for none.
// "system" (the locale's) is left to detection, which reads UTF-8 first.
std::string subtitleEncoding(demux_t* demux) {
    // Only an option some module declares can be inherited without an error in the log.
    if (!config_FindConfig("subsdec-encoding")) return {};
    const VlcString name(var_InheritString(demux, "subsdec-encoding"));
    if (!name || std::strcmp(name.get(), "system") == 0) return {};
    return name.get();
}

std::string encodingSourceText(const Tork::Host::OpenReport& report) {
    switch (report.encodingSource) {
        case Tork::kEncodingSignature:
            return "signature";
        case Tork::kEncodingCodePage:
            return "--subsdec-encoding";
        case Tork::kEncodingDetected:
            return "detected, confidence " + std::to_string(report.confidence);
        default:
            return "default";
    }
}

std::string rateSourceText(const Tork::Host::OpenReport& report) {
    switch (report.rateSource) {
        case Tork::kRateHost:
            return "the film's";
        case Tork::kRateDeclaration:
            return "declared on line " + std::to_string(report.rateLine);
        default:
            return "default";
    }
}

void logReading(demux_t* demux, const Tork::Host::OpenReport& report) {
    const double fps =
        report.rateDenominator ? double(report.rateNumerator) / report.rateDenominator : 0.0;
    msg_Dbg(demux, "read %u cues from %s: %s (%s), %.3f fps (%s), %u lines skipped", report.entries,
            demux->psz_file, report.encoding.c_str(), encodingSourceText(report).c_str(), fps,
            rateSourceText(report).c_str(), report.skippedCount);
}

// The cue as VLC's text subtitle decoder takes it: UTF-8 with its tags, ended by a zero.
void send(demux_t* demux, const Tork::Player::Cue& cue) {
    const std::string text = Tork::Vlc::toVlcMarkup(cue.text);
    if (text.empty()) return;
    block_t* block = block_Alloc(text.size() + 1);
    if (!block) return;
    std::memcpy(block->p_buffer, text.c_str(), text.size() + 1);
    block->i_pts = block->i_dts = VLC_TS_0 + mtime_t(cue.start) * 1000;
    // Without a length the decoder shows a cue until the next one, as VLC's own reader does
    // with an end before the start.
    if (cue.duration > 0) block->i_length = mtime_t(cue.duration) * 1000;
    es_out_Send(demux->out, demux->p_sys->es, block);
}

int demuxCues(demux_t* demux) {
    demux_sys_t& sys = *demux->p_sys;
    try {
        // A negative subtitle delay shows cues early, so they are sent early too.
        mtime_t barrier = sys.nextDemuxTime - var_GetInteger(demux->obj.parent, "spu-delay");
        if (barrier < 0) barrier = sys.nextDemuxTime;
        while (sys.pending && mtime_t(sys.pending->start) * 1000 < barrier) {
            if (!sys.slave && sys.firstPcr) {
                es_out_SetPCR(demux->out, VLC_TS_0 + barrier);
                sys.firstPcr = false;
            }
            send(demux, *sys.pending);
            sys.pending = sys.reader.next();
        }
        if (!sys.slave) {
            // On its own the demuxer sets the pace: an eighth of a second a call.
            es_out_SetPCR(demux->out, VLC_TS_0 + barrier);
            sys.nextDemuxTime += CLOCK_FREQ / 8;
        }
        return sys.pending ? VLC_DEMUXER_SUCCESS : VLC_DEMUXER_EOF;
    } catch (const std::exception& error) {
        msg_Err(demux, "cannot read on: %s", error.what());
        return VLC_DEMUXER_EGENERIC;
    }
}

int seek(demux_t* demux, mtime_t time) {
    demux_sys_t& sys = *demux->p_sys;
    const mtime_t milliseconds = std::max<mtime_t>(time, 0) / 1000;
    const auto target = static_cast<std::uint32_t>(
        std::min<mtime_t>(milliseconds, std::numeric_limits<std::uint32_t>::max()));
    try {
        if (!sys.reader.seek(target)) {
            msg_Warn(demux, "the plug-in's stream refused a seek to %u ms", target);
            return VLC_EGENERIC;
        }
        sys.pending = sys.reader.next();
    } catch (const std::exception& error) {
        msg_Err(demux, "cannot seek: %s", error.what());
        return VLC_EGENERIC;
    }
    sys.nextDemuxTime = time;
    sys.firstPcr = true;
    return VLC_SUCCESS;
}

int control(demux_t* demux, int query, va_list args) {
    demux_sys_t& sys = *demux->p_sys;
    switch (query) {
        case DEMUX_CAN_SEEK:
            *va_arg(args, bool*) = true;
            return VLC_SUCCESS;
        case DEMUX_GET_TIME:
            *va_arg(args, int64_t*) = sys.nextDemuxTime;
            return VLC_SUCCESS;
        case DEMUX_SET_TIME:
            return seek(demux, va_arg(args, int64_t));
        case DEMUX_SET_NEXT_DEMUX_TIME:
            sys.slave = true;
            sys.nextDemuxTime = va_arg(args, int64_t);
            return VLC_SUCCESS;
        case DEMUX_CAN_PAUSE:
        case DEMUX_SET_PAUSE_STATE:
        case DEMUX_CAN_CONTROL_PACE:
        case DEMUX_GET_PTS_DELAY:
            return demux_vaControlHelper(demux->s, 0, -1, 0, 1, query, args);
        default:
            // No length or position: the plug-in's stream tells neither.
            return VLC_EGENERIC;
    }
}

int openDemux(vlc_object_t* object) {
    demux_t* demux = reinterpret_cast<demux_t*>(object);
    // Like VLC's own reader, only when asked for a subtitle file, never for any stream.
    if (!demux->obj.force) return VLC_EGENERIC;
    if (!demux->psz_file) {
        msg_Dbg(demux, "not a local file: left to the next reader");
        return VLC_EGENERIC;
    }
    const VlcString url(vlc_path2uri(demux->psz_file, "file"));
    if (!url) return VLC_ENOMEM;
    try {
        auto sys = std::make_unique<demux_sys_t>();
        if (!sys->reader.probe(url.get())) {
            msg_Dbg(demux, "%s is not MicroDVD: left to the next reader", demux->psz_file);
            return VLC_EGENERIC;
        }
        if (const std::string encoding = subtitleEncoding(demux); !encoding.empty()) {
            sys->reader.setEncoding(encoding);
        }
        // A file that declares no rate is timed in the film's frames, as VLC's reader does.
        if (const auto fps = inheritedFloat(demux, "sub-original-fps")) {
            if (const auto ratio = Tork::Vlc::frameRatioOf(*fps)) {
                sys->reader.setFrameRate(ratio->frames, ratio->seconds);
            }
        }
        if (!sys->reader.open(url.get())) {
            msg_Err(demux, "cannot read %s: %s", demux->psz_file, sys->reader.error().c_str());
            return VLC_EGENERIC;
        }
        if (const auto& report = sys->reader.report()) logReading(demux, *report);

        es_format_t format;
        es_format_Init(&format, SPU_ES, VLC_CODEC_SUBT);
        // The plug-in has converted the text: the decoder must not convert it again.
        format.subs.psz_encoding = strdup("UTF-8");
        // "film.pl.sub" is in Polish, as VLC's own reader takes it.
        if (const auto language = Tork::Vlc::languageOfFileName(demux->psz_file)) {
            format.psz_language = strdup(language->c_str());
        }
        sys->es = es_out_Add(demux->out, &format);
        es_format_Clean(&format);
        if (!sys->es) return VLC_EGENERIC;
        sys->pending = sys->reader.next();

        demux->p_sys = sys.release();
        demux->pf_demux = demuxCues;
        demux->pf_control = control;
        return VLC_SUCCESS;
    } catch (const std::bad_alloc&) {
        return VLC_ENOMEM;
    } catch (const std::exception& error) {
        // Nothing may be thrown into VLC's C code.
        msg_Err(demux, "cannot read %s: %s", demux->psz_file, error.what());
        return VLC_EGENERIC;
    }
}

void closeDemux(vlc_object_t* object) {
    demux_t* demux = reinterpret_cast<demux_t*>(object);
    delete demux->p_sys;
}

}  // namespace

// The descriptor is a list of macro calls, one to a line.
// clang-format off
vlc_module_begin()
    set_shortname("MicroDVD (Tork)")
    set_description("MicroDVD subtitles read through the Tork MicroDVD plug-in")
    set_category(CAT_INPUT)
    set_subcategory(SUBCAT_INPUT_DEMUX)
    // VLC's own subtitle reader scores 0 under the same name.
    set_capability("demux", 1)
    set_callbacks(openDemux, closeDemux)
    add_shortcut("torkmicrodvd", "subtitle")
vlc_module_end()
