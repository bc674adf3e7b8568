// vlc_play: plays a film through libvlc as a user's VLC would (Debian's vlc refuses to run
// as root), and says which demuxers read it and its subtitles, what they logged, and how the
// playing ended; it can seek, stop early and take a snapshot. For the module's tests, its
// demo and its benchmark; not installed.
//
// Usage: vlc_play [OPTION]... FILM
//   --sub-file FILE      the subtitle file as --sub-file gives it
//   --add-slave FILE     the subtitle file added while playing, as VLC's menu adds it
//                        (neither: VLC finds the one beside the film)
//   --vlc ARGUMENT       one more argument for libvlc (--subsdec-encoding=windows-1250)
//   --rate R             the playing rate (1 by default)
//   --start MS           start the film there
//   --seek AT:TO         once the film's time has reached AT ms, seek to TO ms
//   --stop-at MS         stop once the film's time has reached MS (after any seek)
//   --snapshot AT:FILE   once the film's time has reached AT ms, write the picture with its
//                        subtitle to FILE (PNG) and stop
//   --timeout S          give up after S seconds (60 by default): exit status 3
// Standard output: "play NS", the steady clock's time when the film was set playing, and
// "seek NS" when it was asked to seek;
// "demux NAME" for each demuxer VLC used, in order; "LEVEL MODULE: TEXT"
// for each error, each warning about subtitles and every line of the Tork module; "spu NAME"
// for each subtitle track as VLC's menu names it; then "end HOW"
// (ended, stopped, error). Exit status 0 but for a usage error (2) or a timeout (3).
#include <vlc/vlc.h>

#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

struct Options {
    std::string film;
    std::string subFile;
    std::string slave;
    std::vector<std::string> vlcArguments;
    float rate = 1;
    std::optional<long long> start;
    std::optional<std::pair<long long, long long>> seek;
    std::optional<long long> stopAt;
    std::optional<std::pair<long long, std::string>> snapshot;
    int timeout = 60;
};

constexpr const char* kTorkModule = "torkmicrodvd";

// What VLC logs, kept from its threads until the end.
class Log {
public:
    static void receive(void* self, int level, const libvlc_log_t* context, const char* format,
                        va_list arguments) {
        char text[4096];
        std::vsnprintf(text, sizeof text, format, arguments);
        const char* module = nullptr;
        const char* file = nullptr;
        unsigned line = 0;
        libvlc_log_get_context(context, &module, &file, &line);
        static_cast<Log*>(self)->add(level, module ? module : "?", text);
    }

    std::vector<std::string> lines() {
        std::lock_guard guard(mutex_);
        return lines_;
    }

private:
    // Late pictures and the like are VLC's business, not the subtitles'.
    static bool isAboutSubtitles(const std::string& module, const std::string& text) {
        return module == "subtitle" || module == "subsdec" ||
               text.find("slave") != std::string::npos;
    }

    void add(int level, const std::string& module, const std::string& text) {
        constexpr std::string_view used = "using demux module \"";
        std::string line;
        if (text.starts_with(used)) {
            line = "demux " + text.substr(used.size(), text.size() - used.size() - 1);
        } else if (level >= LIBVLC_ERROR || module == kTorkModule ||
                   (level >= LIBVLC_WARNING && isAboutSubtitles(module, text))) {
            line = std::string(level >= LIBVLC_ERROR     ? "error"
                               : level >= LIBVLC_WARNING ? "warning"
                                                         : "debug") +
                   " " + module + ": " + text;
        } else {
            return;
        }
        std::lock_guard guard(mutex_);
        lines_.push_back(line);
    }

    std::mutex mutex_;
    std::vector<std::string> lines_;
};

std::optional<std::pair<long long, std::string>> splitAt(const std::string& value) {
    const auto colon = value.find(':');
    if (colon == std::string::npos) return std::nullopt;
    try {
        return std::pair{std::stoll(value.substr(0, colon)), value.substr(colon + 1)};
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<Options> parse(int argc, char** argv) {
    Options options;
    try {
        for (int i = 1; i < argc; ++i) {
            const std::string option = argv[i];
            const bool hasValue = i + 1 < argc;
            if (option.starts_with("--") && !hasValue) return std::nullopt;
            if (option == "--sub-file") {
                options.subFile = argv[++i];
            } else if (option == "--add-slave") {
                options.slave = argv[++i];
            } else if (option == "--vlc") {
                options.vlcArguments.push_back(argv[++i]);
            } else if (option == "--rate") {
                options.rate = std::stof(argv[++i]);
            } else if (option == "--start") {
                options.start = std::stoll(argv[++i]);
            } else if (option == "--seek") {
                const auto at = splitAt(argv[++i]);
                if (!at) return std::nullopt;
                options.seek = std::pair{at->first, std::stoll(at->second)};
            } else if (option == "--stop-at") {
                options.stopAt = std::stoll(argv[++i]);
            } else if (option == "--snapshot") {
                options.snapshot = splitAt(argv[++i]);
                if (!options.snapshot) return std::nullopt;
            } else if (option == "--timeout") {
                options.timeout = std::stoi(argv[++i]);
            } else if (options.film.empty() && !option.starts_with("--")) {
                options.film = option;
            } else {
                return std::nullopt;
            }
        }
    } catch (const std::exception&) {
        return std::nullopt;
    }
    if (options.film.empty()) return std::nullopt;
    return options;
}

std::string uriOf(const std::string& path) {
    std::string uri = "file://";
    for (const unsigned char c : path) {
        if (std::isalnum(c) || std::string_view("/-._~").find(c) != std::string_view::npos) {
            uri += static_cast<char>(c);
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", c);
            uri += escaped;
        }
    }
    return uri;
}

// Signalled by VLC's event thread.
struct Events {
    std::mutex mutex;
    std::condition_variable changed;
    bool snapshotTaken = false;

    static void snapshot(const libvlc_event_t*, void* self) {
        auto* events = static_cast<Events*>(self);
        std::lock_guard guard(events->mutex);
        events->snapshotTaken = true;
        events->changed.notify_all();
    }
};

// The subtitle tracks as VLC's menu names them ("Track 1 - [Polish]").
std::vector<std::string> subtitleTracks(libvlc_media_player_t* player) {
    std::vector<std::string> names;
    libvlc_track_description_t* tracks = libvlc_video_get_spu_description(player);
    for (const libvlc_track_description_t* track = tracks; track; track = track->p_next) {
        if (track->i_id >= 0 && track->psz_name) names.push_back(track->psz_name);
    }
    libvlc_track_description_list_release(tracks);
    return names;
}

const char* endOf(libvlc_state_t state) {
    switch (state) {
        case libvlc_Ended:
            return "ended";
        case libvlc_Error:
            return "error";
        default:
            return "stopped";
    }
}

int play(const Options& options) {
    std::vector<const char*> arguments = {"--aout=dummy", "--vout=dummy", "--no-xlib",
                                          "--no-video-title-show", "--no-osd"};
    if (!options.subFile.empty() || !options.slave.empty()) {
        arguments.push_back("--no-sub-autodetect-file");
    }
    for (const std::string& argument : options.vlcArguments) arguments.push_back(argument.c_str());
    libvlc_instance_t* vlc = libvlc_new(static_cast<int>(arguments.size()), arguments.data());
    if (!vlc) {
        std::cerr << "vlc_play: libvlc cannot start: " << (libvlc_errmsg() ? libvlc_errmsg() : "")
                  << '\n';
        return 1;
    }
    Log log;
    libvlc_log_set(vlc, Log::receive, &log);

    libvlc_media_t* media = libvlc_media_new_path(vlc, options.film.c_str());
    if (!options.subFile.empty()) {
        libvlc_media_add_option(media, (":sub-file=" + options.subFile).c_str());
    }
    if (options.start) {
        libvlc_media_add_option(media,
                                (":start-time=" + std::to_string(*options.start / 1000.0)).c_str());
    }
    libvlc_media_player_t* player = libvlc_media_player_new_from_media(media);
    libvlc_media_release(media);
    Events events;
    libvlc_event_attach(libvlc_media_player_event_manager(player), libvlc_MediaPlayerSnapshotTaken,
                        Events::snapshot, &events);
    libvlc_media_player_set_rate(player, options.rate);
    const auto started = std::chrono::steady_clock::now();
    libvlc_media_player_play(player);

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(options.timeout);
    bool slaveAdded = options.slave.empty();
    bool seeked = !options.seek;
    bool snapshotAsked = false;
    bool timedOut = false;
    std::vector<std::string> tracks;
    std::optional<std::chrono::steady_clock::time_point> seekedAt;
    libvlc_state_t state = libvlc_NothingSpecial;
    for (;;) {
        state = libvlc_media_player_get_state(player);
        if (state == libvlc_Ended || state == libvlc_Error) break;
        if (std::chrono::steady_clock::now() > deadline) {
            timedOut = true;
            break;
        }
        const long long time = libvlc_media_player_get_time(player);
        if (state == libvlc_Playing) {
            if (tracks.empty()) tracks = subtitleTracks(player);
            if (!slaveAdded) {
                slaveAdded = true;
                libvlc_media_player_add_slave(player, libvlc_media_slave_type_subtitle,
                                              uriOf(options.slave).c_str(), true);
            }
            if (!seeked && time >= options.seek->first) {
                seeked = true;
                seekedAt = std::chrono::steady_clock::now();
                libvlc_media_player_set_time(player, options.seek->second);
            } else if (seeked && options.stopAt && time >= *options.stopAt) {
                break;
            }
            if (options.snapshot && !snapshotAsked && time >= options.snapshot->first) {
                snapshotAsked = true;
                libvlc_video_take_snapshot(player, 0, options.snapshot->second.c_str(), 0, 0);
            }
            std::unique_lock lock(events.mutex);
            if (events.snapshotTaken) break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    libvlc_media_player_stop(player);
    libvlc_media_player_release(player);
    libvlc_release(vlc);
    std::cout << "play " << std::chrono::nanoseconds(started.time_since_epoch()).count() << '\n';
    if (seekedAt) {
        std::cout << "seek " << std::chrono::nanoseconds(seekedAt->time_since_epoch()).count()
                  << '\n';
    }
    for (const std::string& line : log.lines()) std::cout << line << '\n';
    for (const std::string& track : tracks) std::cout << "spu " << track << '\n';
    std::cout << "end " << (timedOut ? "timeout" : endOf(state)) << '\n';
    return timedOut ? 3 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    const auto options = parse(argc, argv);
    if (!options) {
        std::cerr << "usage: vlc_play [--sub-file FILE | --add-slave FILE] [--vlc ARGUMENT]... "
                     "[--rate R] [--start MS] [--seek AT:TO] [--stop-at MS] "
                     "[--snapshot AT:FILE] [--timeout S] FILM\n";
        return 2;
    }
    return play(*options);
}
