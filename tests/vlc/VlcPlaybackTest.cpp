// A real VLC playing a generated film with a subtitle file: which demuxer reads the file,
// and the cues that reach VLC's subtitle decoder (their times and texts), against subplay's
// reading of the same file.
#include "vlc/VlcMarkup.h"

#include <gtest/gtest.h>
#include <boost/property_tree/json_parser.hpp>
#include <boost/property_tree/ptree.hpp>

#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kBuild = TORK_BUILD_DIR;
const fs::path kWork = kBuild / "tests/vlc/work";
const std::string kVlcPlay = (kBuild / "bin/vlc_play").string();
const std::string kSubplay = (kBuild / "bin/subplay").string();
// VLC_PLUGIN_PATH: the module and the cue recorder, or the recorder alone for VLC's reader.
const std::string kWithModule =
    (kBuild / "lib/vlc").string() + ":" + (kBuild / "lib/vlc-testing").string();
const std::string kWithoutModule = (kBuild / "lib/vlc-testing").string();

std::string contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string example(const char* name) {
    return contents(fs::path(TORK_SOURCE_DIR) / "examples" / name);
}

std::string quoted(const std::string& text) {
    return "'" + text + "'";
}

struct Outcome {
    int status = -1;
    std::string out;
};

// `command`, its standard output kept in `folder` under `name` to look at after a failure.
Outcome run(const std::string& command, const fs::path& folder, const char* name = "out.txt") {
    const fs::path out = folder / name;
    const int status = std::system((command + " > " + quoted(out.string())).c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, contents(out)};
}

// A minute of test picture at 5 frames a second, each a key frame so that seeks land where
// asked; made once for every test of the run, and renamed into place when whole, so tests
// run side by side never see half one.
fs::path film() {
    const fs::path path = kWork / "film.mp4";
    if (fs::exists(path)) return path;
    fs::create_directories(kWork);
    const fs::path part = kWork / ("film-" + std::to_string(::getpid()) + ".mp4");
    const int status = std::system(("ffmpeg -nostdin -v error -y -f lavfi -i "
                                    "testsrc=size=160x90:rate=5 -t 60 -c:v mpeg4 -g 1 " +
                                    quoted(part.string()))
                                       .c_str());
    if (status == 0) fs::rename(part, path);
    return path;
}

struct Cue {
    long long start = 0;     // ms
    long long duration = 0;  // ms; 0 for none
    std::string text;
    bool operator==(const Cue&) const = default;
};

// A cue on one line, its line breaks as "\n".
std::ostream& operator<<(std::ostream& out, const Cue& cue) {
    std::string text;
    for (const char c : cue.text) text += c == '\n' ? std::string("\\n") : std::string(1, c);
    return out << '{' << cue.start << ", " << cue.duration << ", \"" << text << "\"}";
}

// What the cue recorder wrote: every cue, or those after the first flush at or after the
// steady clock's `seek` (VLC may flush again when its clock lags, losing nothing recorded).
std::vector<Cue> recorded(const fs::path& log, std::optional<long long> seek = std::nullopt) {
    std::vector<Cue> cues;
    std::istringstream lines(contents(log));
    bool sinceSeek = !seek;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string kind, hex;
        long long steady = 0;
        Cue cue;
        words >> kind;
        if (kind == "flush") {
            words >> steady;
            if (!sinceSeek && steady >= *seek) {
                sinceSeek = true;
                cues.clear();
            }
            continue;
        }
        words >> cue.start >> cue.duration >> steady >> hex;
        for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
            cue.text += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
        }
        cues.push_back(cue);
    }
    if (!sinceSeek) cues.clear();
    return cues;
}

// The steady clock's time of vlc_play's "NAME NS" line; nothing without one.
std::optional<long long> timeOf(const std::string& out, const std::string& name) {
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with(name + " ")) return std::stoll(line.substr(name.size() + 1));
    }
    return std::nullopt;
}

// subplay's reading of `file` as JSON, each text as the module hands it to VLC.
std::vector<Cue> subplayCues(const fs::path& file, const std::vector<std::string>& arguments) {
    std::string command = quoted(kSubplay) + " --format json";
    for (const std::string& argument : arguments) command += " " + quoted(argument);
    const Outcome reading = run(command + " " + quoted(file.string()) + " 2>/dev/null",
                                file.parent_path(), "subplay.json");
    EXPECT_EQ(reading.status, 0) << "subplay " << file;
    std::istringstream json(reading.out);
    boost::property_tree::ptree document;
    boost::property_tree::read_json(json, document);
    std::vector<Cue> cues;
    for (const auto& [key, entry] : document.get_child("entries")) {
        cues.push_back({entry.get<long long>("start"),
                        std::max(0LL, entry.get<long long>("duration")),
                        Tork::Vlc::toVlcMarkup(entry.get<std::string>("text"))});
    }
    return cues;
}

// The texts of a SubRip file, as VLC's own reader passes them on: each line ended.
std::vector<std::string> srtTexts(const std::string& srt) {
    std::vector<std::string> texts;
    std::istringstream lines(srt);
    std::string line, text;
    int inBlock = 0;
    while (std::getline(lines, line)) {
        if (line.empty()) {
            if (inBlock > 2) texts.push_back(text);
            inBlock = 0;
            text.clear();
        } else if (++inBlock > 2) {
            text += line + "\n";
        }
    }
    if (inBlock > 2) texts.push_back(text);
    return texts;
}

enum class Given { Beside, SubFile, Menu };

struct PlayCase {
    const char* description;
    std::string subtitle;  // the file's bytes
    std::string name;      // its name beside the film
    Given given;
    std::vector<std::string> vlcArguments;
    const char* reader;  // the demuxer that must read it
    // subplay's arguments for the same reading; none when the cues are not compared
    std::optional<std::vector<std::string>> reading;
    std::vector<std::string> logged = {};  // lines VLC's log must hold
    std::string seek = {};                 // vlc_play's --seek AT:TO, empty for none
    int rate = 32;                         // as fast as VLC plays the film
    std::string pluginPath = kWithModule;
};

struct Played {
    Outcome run;
    fs::path folder;
    fs::path subtitle;
    fs::path cues;
};

Played play(const PlayCase& row) {
    Played played;
    played.folder = kWork / row.description;
    fs::remove_all(played.folder);
    fs::create_directories(played.folder);
    fs::create_symlink(film(), played.folder / "film.mp4");
    played.subtitle = played.folder / row.name;
    std::ofstream(played.subtitle, std::ios::binary) << row.subtitle;
    played.cues = played.folder / "cues.txt";
    std::string command = "VLC_PLUGIN_PATH=" + quoted(row.pluginPath) + " " + quoted(kVlcPlay) +
                          " --rate " + std::to_string(row.rate) +
                          " --timeout 60 --vlc --tork-cue-log=" + quoted(played.cues.string());
    for (const std::string& argument : row.vlcArguments) command += " --vlc " + quoted(argument);
    if (row.given == Given::SubFile) command += " --sub-file " + quoted(played.subtitle.string());
    if (row.given == Given::Menu) command += " --add-slave " + quoted(played.subtitle.string());
    if (!row.seek.empty()) command += " --seek " + row.seek;
    played.run = run(command + " " + quoted((played.folder / "film.mp4").string()) + " 2>/dev/null",
                     played.folder, "vlc_play.txt");
    return played;
}

// The demuxers VLC used, in order.
std::vector<std::string> demuxers(const std::string& out) {
    std::vector<std::string> used;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("demux ")) used.push_back(line.substr(6));
    }
    return used;
}

void PrintTo(const PlayCase& row, std::ostream* out) {
    *out << row.description;
}

class PlayTest : public testing::TestWithParam<PlayCase> {};

TEST_P(PlayTest, ReadsTheSubtitleFile) {
    const PlayCase& row = GetParam();
    ASSERT_TRUE(fs::exists(film())) << "ffmpeg could not make a film";
    const Played played = play(row);
    SCOPED_TRACE(played.run.out);
    // Playing went to the film's end: no crash, no hang, no error.
    EXPECT_EQ(played.run.status, 0);
    EXPECT_NE(played.run.out.find("\nend ended\n"), std::string::npos);

    EXPECT_EQ(demuxers(played.run.out), (std::vector<std::string>{"mp4", row.reader}));
    for (const std::string& line : row.logged) {
        EXPECT_NE(played.run.out.find(line), std::string::npos) << line;
    }
    if (!row.reading) return;
    std::vector<std::string> arguments = *row.reading;
    if (!row.seek.empty()) {
        // After the seek, the cues from the first one not ended at its time.
        arguments.push_back("--seek");
        arguments.push_back(row.seek.substr(row.seek.find(':') + 1) + "ms");
    }
    std::optional<long long> seek;
    if (!row.seek.empty()) {
        seek = timeOf(played.run.out, "seek");
        ASSERT_TRUE(seek) << "no seek";
    }
    const std::vector<Cue> cues = recorded(played.cues, seek);
    EXPECT_EQ(cues, subplayCues(played.subtitle, arguments));
    if (std::string_view(row.description).starts_with("polish")) {
        for (const Cue& cue : cues) std::cout << "through the module: " << cue << '\n';
    }
}

const std::string kPolish = example("latarnia-pl-1250.sub");
const std::string kLighthouse = example("lighthouse.sub");
const std::string kCzech = example("lighthouse-cs-1250.sub");
// subplay's arguments for reading as the module does with these settings.
std::optional<std::vector<std::string>> subplay(std::vector<std::string> arguments) {
    return arguments;
}
const auto kAsPlayers = subplay({});
const auto kNotCompared = std::nullopt;

// One row a line or two: the reading, then what VLC must log.
// clang-format off
const PlayCase playCases[] = {
    // windows-1250 with no signature, a header, a credit line and a rate line, given to VLC
    // each way a user can: found beside the film, --sub-file, and the menu.
    {"polish_beside", kPolish, "film.sub", Given::Beside, {}, "torkmicrodvd", kAsPlayers,
     {"read 11 cues from", "windows-1250 (detected"}},
    {"polish_sub_file", kPolish, "other.pl.sub", Given::SubFile, {}, "torkmicrodvd", kAsPlayers,
     {"spu Track 1 - [Polish]"}},
    {"polish_menu", kPolish, "other.sub", Given::Menu, {}, "torkmicrodvd", kAsPlayers},
    // A rate line, and every kind of mark-up.
    {"rate_line", kLighthouse, "film.sub", Given::Beside, {}, "torkmicrodvd", kAsPlayers},
    // No rate line: the film's frames, 5 a second, as VLC's own reader counts them.
    {"film_rate", "{10}{20}Frame 10 to 20.\n{50}{75}Frame 50 to 75.\n", "film.sub",
     Given::Beside, {}, "torkmicrodvd", subplay({"--fps", "5"}), {"5.000 fps (the film's)"}},
    // An encoding given for subtitles wins over detection.
    {"encoding_given", kCzech, "film.sub", Given::Beside, {"--subsdec-encoding=windows-1252"},
     "torkmicrodvd", subplay({"--encoding", "windows-1252"}), {"windows-1252 (--subsdec-encoding)"}},
    // After a seek back, the cues from the first one not ended at the seek's time.
    // Slower, so that VLC's clock keeps up and flushes only for the seek.
    {"seek", kLighthouse, "film.sub", Given::Beside, {}, "torkmicrodvd", kAsPlayers, {},
     "30000:20500", 8},
    // Bytes no cue may carry to the decoder, and text it would take for tags and codes.
    {"hostile_text",
     std::string("{1}{1}25\n{25}{50}a") + '\0' + "b\x01 <b c> {y:i}x C:\\new\n{75}{100}" +
         std::string(5000, 'x') + "\n",
     "film.sub", Given::Beside, {}, "torkmicrodvd", kAsPlayers},
    // Clear failures: VLC's usual path, with the module's reason in its log. An encoding
    // the plug-in does not know leaves the file to VLC's own reader.
    {"unknown_encoding", kCzech, "film.sub", Given::Beside, {"--subsdec-encoding=no-such-code"},
     "subtitle", kNotCompared,
     {"error torkmicrodvd: cannot read", "no encoding named \"no-such-code\""}},
    // Not a subtitle file: the probe refuses it, and so does VLC's own reader; VLC's MPEG-PS
    // demuxer, there for VobSub files, takes what is left with a name ending in .sub.
    {"not_a_subtitle", "Notes for the projectionist.\nReel two is late.\n", "film.sub",
     Given::Beside, {}, "ps", kNotCompared,
     {"is not MicroDVD: left to the next reader", "failed to recognize subtitle type"}},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Vlc, PlayTest, testing::ValuesIn(playCases),
                         [](const auto& info) { return info.param.description; });

// SubRip stays with VLC's own reader, which must still read every cue.
TEST(VlcOwnReader, KeepsSubRip) {
    ASSERT_TRUE(fs::exists(film())) << "ffmpeg could not make a film";
    const fs::path source = kWork / "lighthouse.sub";
    fs::create_directories(kWork);
    std::ofstream(source, std::ios::binary) << kLighthouse;
    const Outcome srt = run(quoted(kSubplay) + " --format srt " + quoted(source.string()), kWork);
    ASSERT_EQ(srt.status, 0);
    const PlayCase row{"subrip", srt.out, "film.srt", Given::Beside, {}, "subtitle", kNotCompared};
    const Played played = play(row);
    SCOPED_TRACE(played.run.out);
    EXPECT_EQ(demuxers(played.run.out), (std::vector<std::string>{"mp4", "subtitle"}));

    std::vector<Cue> expected = subplayCues(source, {});
    const std::vector<std::string> texts = srtTexts(srt.out);
    ASSERT_EQ(texts.size(), expected.size());
    for (std::size_t i = 0; i < texts.size(); ++i) expected[i].text = texts[i];
    EXPECT_EQ(recorded(played.cues), expected);
}

// The Polish file through VLC's own reader: the bytes reach the decoder as they are in the
// file, with no encoding, so VLC shows them in its default encoding unless the user names
// the right one by hand.
TEST(VlcOwnReader, LeavesWindows1250Undecoded) {
    ASSERT_TRUE(fs::exists(film())) << "ffmpeg could not make a film";
    PlayCase row{"polish_own_reader", kPolish,     "film.sub", Given::Beside, {},
                 "subtitle",          kNotCompared};
    row.pluginPath = kWithoutModule;
    const Played played = play(row);
    SCOPED_TRACE(played.run.out);
    EXPECT_EQ(demuxers(played.run.out), (std::vector<std::string>{"mp4", "subtitle"}));
    const std::vector<Cue> cues = recorded(played.cues);
    ASSERT_FALSE(cues.empty());
    EXPECT_EQ(cues.front().text,
              "Latarnia zgas\xB3"
              "a kwadrans po dziewi\xB9tej.");
    // As VLC's text decoder shows it by default (windows-1252).
    for (const Cue& cue : cues) {
        const fs::path bytes = played.folder / "cue.txt";
        std::ofstream(bytes, std::ios::binary) << cue.text;
        const Outcome shown =
            run("iconv -f windows-1252 -t utf-8 " + quoted(bytes.string()), played.folder);
        std::cout << "VLC's own reader: " << Cue{cue.start, cue.duration, shown.out} << '\n';
    }
}

}  // namespace
