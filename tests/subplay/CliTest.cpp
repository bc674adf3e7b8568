// subplay's command line end to end: every refusal and failure, with its exit status, its
// message and what it leaves on disk.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string kSubplay = TORK_BUILD_DIR "/bin/subplay";

std::string contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

const std::string kLighthouse = contents(TORK_SOURCE_DIR "/examples/lighthouse.sub");
const std::string kSrt = contents(TORK_SOURCE_DIR "/tests/subplay/golden/srt.out");
constexpr const char* kOld = "a file of the user's\n";
constexpr const char* kBroken = "{10}{20}fine\nnot a subtitle line\n";

// A fresh folder per case, in the build tree; also TMPDIR, to see what is left behind.
struct WorkFolder {
    fs::path root;
    explicit WorkFolder(const std::string& name)
        : root(fs::path(TORK_BUILD_DIR) / "tests/subplay/cli" / name) {
        fs::remove_all(root);
        fs::create_directories(root / "tmp");
    }
    void write(const std::string& name, const std::string& text) const {
        fs::create_directories((root / name).parent_path());
        std::ofstream(root / name, std::ios::binary) << text;
    }
    // Files subplay left that nobody asked for: its temporary files and folders.
    std::vector<std::string> leftovers() const {
        std::vector<std::string> found;
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with(".subplay-") || name.starts_with("subplay-"))
                found.push_back(entry.path().string());
        }
        return found;
    }
};

struct Outcome {
    int status = -1;
    std::string err;
};

// `command` is shell syntax after the program's name, run in the work folder.
Outcome runSubplay(const WorkFolder& folder, const std::string& command) {
    const std::string line = "cd '" + folder.root.string() + "' && TMPDIR=tmp '" + kSubplay + "' " +
                             command + " 2>stderr.txt";
    const int status = std::system(line.c_str());
    Outcome run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, contents(folder.root / "stderr.txt")};
    fs::remove(folder.root / "stderr.txt");
    return run;
}

constexpr const char* kAbsent = "<absent>";

struct Row {
    const char* description;
    std::vector<std::pair<std::string, std::string>> files;  // made before the run
    std::string command;
    int status;
    std::string message;  // in standard error; empty: nothing may be there
    std::vector<std::pair<std::string, std::string>> after;       // contents, or kAbsent
    std::vector<std::pair<std::string, std::string>> links = {};  // name, where it leads
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << row.command;
}

const Row rows[] = {
    {"input_as_output",
     {{"film.sub", kLighthouse}},
     "--format srt -o film.sub film.sub",
     1,
     "film.sub: is an input; it is never written over",
     {{"film.sub", kLighthouse}}},
    {"input_as_output_by_folder",
     {{"film.txt", kLighthouse}},
     "--format text -o ./ film.txt",
     1,
     "./film.txt: is an input",
     {{"film.txt", kLighthouse}}},
    {"input_as_output_by_another_name",
     {{"film.sub", kLighthouse}, {"sub/keep", ""}},
     "--format srt -o ./sub/../film.sub film.sub",
     1,
     "is an input",
     {{"film.sub", kLighthouse}}},
    {"standard_output_appends_to_the_input",
     {{"film.sub", kLighthouse}},
     "--format srt film.sub >>film.sub",
     1,
     "standard output is an input",
     {{"film.sub", kLighthouse}}},
    {"format_from_the_extension",
     {{"film.sub", kLighthouse}},
     "-o out.srt film.sub",
     0,
     "",
     {{"out.srt", kSrt}}},
    {"unknown_extension",
     {{"film.sub", kLighthouse}},
     "-o out.ass film.sub",
     2,
     "cannot tell the format from the name out.ass",
     {{"out.ass", kAbsent}}},
    {"existing_output_refused",
     {{"film.sub", kLighthouse}, {"out.srt", kOld}},
     "-o out.srt film.sub",
     1,
     "out.srt: exists; -y replaces it",
     {{"out.srt", kOld}}},
    {"existing_output_replaced",
     {{"film.sub", kLighthouse}, {"out.srt", kOld}},
     "-y -o out.srt film.sub",
     0,
     "",
     {{"out.srt", kSrt}}},
    {"existing_output_kept",
     {{"film.sub", kLighthouse}, {"out.srt", kOld}},
     "-n -o out.srt film.sub",
     0,
     "out.srt: exists; kept (-n)",
     {{"out.srt", kOld}}},
    {"failed_conversion_keeps_the_old_file",
     {{"broken.sub", kBroken}, {"out.srt", kOld}},
     "--strict -y -o out.srt broken.sub",
     1,
     "broken.sub: cannot open",
     {{"out.srt", kOld}}},
    {"failed_conversion_leaves_no_half_file",
     {{"broken.sub", kBroken}},
     "--strict -o out.srt broken.sub",
     1,
     "broken.sub: cannot open",
     {{"out.srt", kAbsent}}},
    {"missing_output_folder",
     {{"film.sub", kLighthouse}},
     "--format srt -o missing/deeper/ film.sub",
     1,
     "missing/deeper/: cannot write there: No such file or directory",
     {{"missing", kAbsent}}},
    {"missing_folder_of_the_output_file",
     {{"film.sub", kLighthouse}},
     "-o missing/out.srt film.sub",
     1,
     "out.srt: no folder missing: No such file or directory",
     {{"missing", kAbsent}}},
    {"output_under_a_file",
     {{"film.sub", kLighthouse}},
     "-o film.sub/out.srt film.sub",
     1,
     "Not a directory",
     {{"film.sub", kLighthouse}}},
    {"batch_names_that_meet",
     {{"d1/x.sub", kLighthouse}, {"d2/x.sub", kLighthouse}, {"out/keep", ""}},
     "--format srt -o out/ d1/x.sub d2/x.sub",
     2,
     "d1/x.sub and d2/x.sub would both be written to out/x.srt; nothing was written",
     {{"out/x.srt", kAbsent}}},
    {"batch_keeps_hash_and_question_mark_in_paths",
     {{"a#1.sub", kLighthouse}, {"a?2.sub", kLighthouse}, {"out/keep", ""}},
     "--format srt -o out/ 'a#1.sub' 'a?2.sub'",
     0,
     "",
     {{"out/a#1.srt", kSrt}, {"out/a?2.srt", kSrt}}},
    {"batch_refuses_existing_and_goes_on",
     {{"a.sub", kLighthouse}, {"b.sub", kLighthouse}, {"out/a.srt", kOld}},
     "--format srt -o out/ a.sub b.sub",
     1,
     "out/a.srt: exists; -y replaces it",
     {{"out/a.srt", kOld}, {"out/b.srt", kSrt}}},
    // -y renamed a file over a link, and over /dev/full as root.
    {"link_stays_and_its_file_is_replaced",
     {{"film.sub", kLighthouse}, {"real/out.srt", kOld}},
     "-y -o out.srt film.sub",
     0,
     "",
     {{"real/out.srt", kSrt}},
     {{"out.srt", "real/out.srt"}}},
    {"link_to_nothing_makes_its_file",
     {{"film.sub", kLighthouse}, {"real/keep", ""}},
     "-o out.srt film.sub",
     0,
     "",
     {{"real/new.srt", kSrt}},
     {{"out.srt", "real/new.srt"}}},
    // A device is no file a user can lose: written directly, whatever -y and -n say.
    {"device_written_directly",
     {{"film.sub", kLighthouse}},
     "--format srt -o /dev/null film.sub",
     0,
     "",
     {}},
    {"device_written_directly_with_y",
     {{"film.sub", kLighthouse}},
     "-y --format srt -o /dev/null film.sub",
     0,
     "",
     {}},
    {"device_written_directly_with_n",
     {{"film.sub", kLighthouse}},
     "-n --format srt -o /dev/null film.sub",
     0,
     "",
     {}},
    {"probe_writes_nothing",
     {{"film.sub", kLighthouse}},
     "--probe -o out.srt film.sub",
     0,
     "",
     {{"out.srt", kAbsent}}},
    {"standard_input_too_empty", {}, "--format srt - </dev/null", 1, "standard input", {}},
    {"overwrite_choices_exclude_each_other",
     {{"film.sub", kLighthouse}},
     "-y -n -o out.srt film.sub",
     2,
     "-y and -n exclude each other",
     {{"out.srt", kAbsent}}},
    {"control_characters_in_a_name",
     {{"bad\x1b]0;x\x07.sub", "{1}{1}25\ncredit line\n{50}{75}text\n"}},
     "--format text 'bad\x1b]0;x\x07.sub' >/dev/null",
     0,
     "skipped 1 line",
     {}},
};

class Cli : public testing::TestWithParam<Row> {};

TEST_P(Cli, StatusMessageAndFilesLeft) {
    const Row& row = GetParam();
    const WorkFolder folder(row.description);
    for (const auto& [name, text] : row.files) folder.write(name, text);
    for (const auto& [name, to] : row.links) fs::create_symlink(to, folder.root / name);
    const Outcome run = runSubplay(folder, row.command);
    EXPECT_EQ(run.status, row.status);
    if (row.message.empty()) {
        EXPECT_EQ(run.err, "");
    } else {
        EXPECT_NE(run.err.find(row.message), std::string::npos) << run.err;
    }
    // Whatever a file holds, it reaches the terminal only as printable text.
    EXPECT_EQ(run.err.find_first_of("\x1b\x07"), std::string::npos) << run.err;
    for (const auto& [name, expected] : row.after) {
        SCOPED_TRACE(name);
        if (expected == kAbsent) {
            EXPECT_FALSE(fs::exists(folder.root / name));
        } else {
            EXPECT_EQ(contents(folder.root / name), expected);
        }
    }
    for (const auto& [name, to] : row.links) {
        std::error_code noLink;
        EXPECT_EQ(fs::read_symlink(folder.root / name, noLink), to) << name;
    }
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    EXPECT_EQ(folder.leftovers(), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Table, Cli, testing::ValuesIn(rows),
                         [](const auto& info) { return std::string(info.param.description); });

// MicroDVD written at the file's own rate reads back to the same cues and mark-up.
TEST(CliConversions, MicroDvdReadsBackTheSame) {
    const WorkFolder folder("round-trip");
    folder.write("film.sub", kLighthouse);
    EXPECT_EQ(runSubplay(folder, "--fps 25 -o again.sub film.sub").status, 0);
    EXPECT_EQ(runSubplay(folder, "-o back.srt again.sub").status, 0);
    EXPECT_EQ(contents(folder.root / "back.srt"), kSrt);
}

// A FIFO is written through as a device is: it stays a FIFO and its reader gets the output.
TEST(CliConversions, FifoIsWrittenThrough) {
    const WorkFolder folder("fifo");
    folder.write("film.sub", kLighthouse);
    const fs::path fifo = folder.root / "out.srt";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string got;
    std::atomic<bool> read = false;
    std::thread reader([&] {
        got = contents(fifo);
        read = true;
    });
    EXPECT_EQ(runSubplay(folder, "-o out.srt film.sub").status, 0);
    // Releases a reader still waiting when subplay never opened the FIFO.
    while (!read) {
        if (const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK); writer >= 0) {
            ::close(writer);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    reader.join();
    EXPECT_EQ(got, kSrt);
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_EQ(folder.leftovers(), std::vector<std::string>{});
}

// Standard input lives in a private temporary folder that goes on a signal as on an exit.
TEST(CliSignals, TemporaryFolderGoesOnEverySignal) {
    for (const int signal : {SIGINT, SIGTERM, SIGPIPE}) {
        SCOPED_TRACE(signal);
        const WorkFolder folder("signal");
        folder.write("film.sub", kLighthouse);
        int input[2];
        ASSERT_EQ(::pipe(input), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::dup2(input[0], 0);
            ::close(input[1]);
            const std::string tmp = (folder.root / "tmp").string();
            ::setenv("TMPDIR", tmp.c_str(), 1);
            ::execl(kSubplay.c_str(), "subplay", "--play", "--speed", "0.001", "-", nullptr);
            ::_exit(127);
        }
        ::close(input[0]);
        const std::string text = kLighthouse;
        ASSERT_EQ(::write(input[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
        ::close(input[1]);
        // Until the copy exists, then a little longer for the plug-in to open it.
        for (int wait = 0; wait < 500 && fs::is_empty(folder.root / "tmp"); ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        EXPECT_FALSE(fs::is_empty(folder.root / "tmp"));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        ::kill(child, signal);
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal);
        EXPECT_TRUE(fs::is_empty(folder.root / "tmp"));
    }
}

}  // namespace
