// A VLC subtitle decoder for the tests and the benchmark: writes each text cue that reaches
// it, as its demuxer sent it, to the file that --tork-cue-log names, and shows nothing:
// "cue START_MS LENGTH_MS STEADY_NS HEX_BYTES" a cue, "flush STEADY_NS" when VLC flushes the
// decoder (on a seek). It takes the place of VLC's text decoder only when that option is set.
// VLC's headers need vlc_common.h first.
#include <vlc_common.h>

#include <vlc_codec.h>
#include <vlc_plugin.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

struct decoder_sys_t {
    std::FILE* log;
};

namespace {

// Hexadecimal, so that the bytes come through whatever they are: the tests compare them.
std::string hex(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (const char c : bytes) {
        out += kDigits[static_cast<unsigned char>(c) >> 4];
        out += kDigits[static_cast<unsigned char>(c) & 15];
    }
    return out;
}

void writeLine(decoder_t* decoder, const std::string& line) {
    std::fputs((line + "\n").c_str(), decoder->p_sys->log);
    std::fflush(decoder->p_sys->log);
}

long long steadyNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int decode(decoder_t* decoder, block_t* block) {
    if (!block) return VLCDEC_SUCCESS;
    // The demuxer's text ends with its zero, or at the block's end.
    std::string_view text(reinterpret_cast<const char*>(block->p_buffer), block->i_buffer);
    text = text.substr(0, text.find('\0'));
    // The steady clock's time lets a benchmark in the same process time the cue.
    writeLine(decoder, "cue " + std::to_string((block->i_pts - VLC_TS_0) / 1000) + " " +
                           std::to_string(block->i_length / 1000) + " " +
                           std::to_string(steadyNanoseconds()) + " " + hex(text));
    block_Release(block);
    return VLCDEC_SUCCESS;
}

void flush(decoder_t* decoder) {
    writeLine(decoder, "flush " + std::to_string(steadyNanoseconds()));
}

int openRecorder(vlc_object_t* object) {
    decoder_t* decoder = reinterpret_cast<decoder_t*>(object);
    if (decoder->fmt_in.i_codec != VLC_CODEC_SUBT) return VLC_EGENERIC;
    char* path = var_InheritString(decoder, "tork-cue-log");
    std::FILE* log = path && *path ? std::fopen(path, "a") : nullptr;
    std::free(path);
    if (!log) return VLC_EGENERIC;
    decoder->p_sys = new decoder_sys_t{log};
    decoder->pf_decode = decode;
    decoder->pf_flush = flush;
    return VLC_SUCCESS;
}

void closeRecorder(vlc_object_t* object) {
    decoder_t* decoder = reinterpret_cast<decoder_t*>(object);
    std::fclose(decoder->p_sys->log);
    delete decoder->p_sys;
}

}  // namespace

// clang-format off
vlc_module_begin()
    set_shortname("Tork cue recorder")
    set_description("Writes the text cues that reach it to a file (Tork's tests)")
    // Above VLC's text decoder (50).
    set_capability("spu decoder", 100)
    set_callbacks(openRecorder, closeRecorder)
    add_string("tork-cue-log", "", "Cue log", "The file the cues are appended to", false)
vlc_module_end()
