// subplay's command line end to end: every refusal and failure, with its exit status, its
// message and what it leaves on disk.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
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
constexpr const char* kSubRip = "1\n00:00:01,000 --> 00:00:02,000\nHello\n";

// --info of kLighthouse under `name`.
std::string infoOf(const std::string& name) {
    return "file: " + name +
           "\nencoding: UTF-8 (default)\nframe rate: 25 (declaration on line 1)\nreading: "
           "lenient\nentries: 13\nfirst: 00:00:02.000\nlast: 00:00:48.000\nduration: "
           "00:00:46.000\nlines read: 14\nskipped lines: 0\n";
}

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
    std::string absent = {};                                      // may not be in standard error
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
    // --info of several files skipped every check of -o: each of these lost a file.
    {"info_of_many_refuses_an_input_as_output",
     {{"a.sub", kLighthouse}, {"b.sub", kLighthouse}},
     "--info -o a.sub a.sub b.sub",
     1,
     "a.sub: is an input; it is never written over",
     {{"a.sub", kLighthouse}}},
    {"info_of_many_goes_into_one_file",
     {{"a.sub", kLighthouse}, {"b.sub", kLighthouse}},
     "--info -o info.txt a.sub b.sub",
     0,
     "",
     {{"info.txt", infoOf("a.sub") + infoOf("b.sub")}}},
    {"info_of_many_keeps_a_file_with_n",
     {{"a.sub", kLighthouse}, {"b.sub", kLighthouse}, {"info.txt", kOld}},
     "-n --info -o info.txt a.sub b.sub",
     0,
     "info.txt: exists; kept (-n)",
     {{"info.txt", kOld}}},
    {"info_of_many_refuses_an_existing_file",
     {{"a.sub", kLighthouse}, {"b.sub", kLighthouse}, {"info.txt", kOld}},
     "--info -o info.txt a.sub b.sub",
     1,
     "info.txt: exists; -y replaces it",
     {{"info.txt", kOld}}},
    {"info_of_many_appended_to_an_input",
     {{"a.sub", kLighthouse}, {"b.sub", kLighthouse}},
     "--info a.sub b.sub >>a.sub",
     1,
     "standard output is an input",
     {{"a.sub", kLighthouse}}},
    // The process's own descriptors: a rename over the file behind them lost what the
    // shell had put there.
    {"dev_stdout_appends_as_the_shell_asked",
     {{"film.sub", kLighthouse}, {"log.txt", kOld}},
     "-y --format srt -o /dev/stdout film.sub >>log.txt",
     0,
     "",
     {{"log.txt", kOld + kSrt}}},
    {"dev_fd_needs_no_y",
     {{"film.sub", kLighthouse}, {"log.txt", kOld}},
     "--format srt -o /dev/fd/3 film.sub 3>>log.txt",
     0,
     "",
     {{"log.txt", kOld + kSrt}}},
    {"proc_self_fd",
     {{"film.sub", kLighthouse}, {"log.txt", kOld}},
     "--format srt -o /proc/self/fd/1 film.sub >>log.txt",
     0,
     "",
     {{"log.txt", kOld + kSrt}}},
    {"a_link_to_dev_stdout",
     {{"film.sub", kLighthouse}, {"log.txt", kOld}},
     "--format srt -o out.srt film.sub >>log.txt",
     0,
     "",
     {{"log.txt", kOld + kSrt}},
     {{"out.srt", "/dev/stdout"}}},
    {"dev_stdout_appending_to_an_input",
     {{"film.sub", kLighthouse}},
     "--format srt -o /dev/stdout film.sub >>film.sub",
     1,
     "standard output is an input",
     {{"film.sub", kLighthouse}}},
    {"dev_fd_appending_to_an_input",
     {{"film.sub", kLighthouse}},
     "--format srt -o /dev/fd/3 film.sub 3>>film.sub",
     1,
     "/dev/fd/3 is an input",
     {{"film.sub", kLighthouse}}},
    // Messages that name the real cause.
    {"a_folder_is_named_a_folder",
     {{"dir.sub/keep", ""}},
     "--format srt dir.sub",
     1,
     "dir.sub: cannot open: is a folder",
     {}},
    {"subrip_by_its_name",
     {{"film.srt", kSubRip}},
     "--format text film.srt",
     1,
     "film.srt: cannot open: this is SubRip; subplay reads MicroDVD",
     {}},
    {"subrip_inside_a_sub",
     {{"film.sub", kSubRip}},
     "--format text film.sub",
     1,
     "film.sub: cannot open: this is SubRip; subplay reads MicroDVD",
     {}},
    {"subrip_inside_a_sub_strictly",
     {{"film.sub", kSubRip}},
     "--strict --format text film.sub",
     1,
     "this is SubRip",
     {}},
    {"webvtt_inside_a_sub",
     {{"film.sub", "WEBVTT\n\n00:01.000 --> 00:02.000\nHi\n"}},
     "--format text film.sub",
     1,
     "this is WebVTT",
     {}},
    {"tmplayer_inside_a_txt",
     {{"film.txt", "00:00:01:Hello|world\n"}},
     "--format text film.txt",
     1,
     "this is TMPlayer",
     {}},
    {"other_extension_without_lower_case_leniently",
     {{"film.ass", kLighthouse}},
     "--format text film.ass",
     1,
     "opens only names ending in .sub or .txt",
     {},
     {},
     "lower case"},
    {"upper_case_opens_leniently",
     {{"FILM.SUB", kLighthouse}},
     "-o out.srt FILM.SUB",
     0,
     "",
     {{"out.srt", kSrt}}},
    {"latin1_name_opens",
     {{"caf\xE9.sub", kLighthouse}},
     "-o out.srt 'caf\xE9.sub'",
     0,
     "",
     {{"out.srt", kSrt}}},
    {"unknown_encoding_is_a_usage_error",
     {{"film.sub", kLighthouse}},
     "--encoding bogus -o out.srt film.sub",
     2,
     "invalid value 'bogus' for --encoding",
     {{"out.srt", kAbsent}}},
    {"quiet_silences_warnings",
     {{"bad.sub", "{1}{1}25\ncredit line\n{50}{75}text\n"}},
     "-q --format text bad.sub >/dev/null",
     0,
     "",
     {}},
    {"quiet_keeps_errors",
     {{"broken.sub", kBroken}},
     "-q --strict --format text broken.sub",
     1,
     "broken.sub: cannot open",
     {}},
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
    if (!row.absent.empty()) {
        EXPECT_EQ(run.err.find(row.absent), std::string::npos) << run.err;
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

// `command` as runSubplay runs it, by `user` (a child that drops root's rights first).
Outcome runSubplayAs(const WorkFolder& folder, const std::string& command, uid_t user) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(user) != 0 || ::setuid(user) != 0)
            ::_exit(126);
        const std::string line = "cd '" + folder.root.string() + "' && TMPDIR=tmp '" + kSubplay +
                                 "' " + command + " 2>err/stderr.txt";
        ::execl("/bin/sh", "sh", "-c", line.c_str(), nullptr);
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, contents(folder.root / "err/stderr.txt")};
}

struct Stat {
    struct stat status {};
    explicit Stat(const fs::path& path) { ::lstat(path.c_str(), &status); }
};

std::string attribute(const fs::path& path, const char* name) {
    char value[256];
    const ssize_t size = ::getxattr(path.c_str(), name, value, sizeof value);
    return size < 0 ? kAbsent : std::string(value, static_cast<std::size_t>(size));
}

// An access ACL that gives user `user` read and write, as setfacl -m u:USER:rw writes it.
std::string aclGranting(uid_t user) {
    std::string acl;
    const auto add = [&acl](std::uint32_t value, std::size_t bytes) {
        for (std::size_t i = 0; i < bytes; ++i) acl += static_cast<char>(value >> (8 * i));
    };
    add(2, 4);  // version
    for (const auto& [tag, permissions, id] : {std::tuple{0x01u, 6u, ~0u},
                                               {0x02u, 6u, user},
                                               {0x04u, 4u, ~0u},
                                               {0x10u, 6u, ~0u},
                                               {0x20u, 4u, ~0u}}) {
        add(tag, 2);
        add(permissions, 2);
        add(id, 4);
    }
    return acl;
}

constexpr uid_t kNobody = 65534;

// What the shell's `>` keeps of a file that is replaced, each row a way it was lost.
TEST(CliReplacement, KeepsWhatTheShellKeeps) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to give files to another user";
    struct Row {
        const char* description;
        std::function<void(const WorkFolder&)> setUp;
        std::string command;
        bool asNobody;
        int status;
        std::string message;
        std::function<void(const WorkFolder&)> check;
    };
    const Row rows[] = {
        // "Permission denied", blaming the file, though `>` writes it.
        {"writable_file_in_a_read_only_folder",
         [](const WorkFolder& folder) {
             folder.write("ro/out.srt", kOld);
             ::chown((folder.root / "ro/out.srt").c_str(), kNobody, kNobody);
             ::chown((folder.root / "ro").c_str(), kNobody, kNobody);
             fs::permissions(folder.root / "ro", fs::perms(0555));
         },
         "-y -o ro/out.srt film.sub", true, 0, "",
         [](const WorkFolder& folder) {
             EXPECT_EQ(contents(folder.root / "ro/out.srt"), kSrt);
             fs::permissions(folder.root / "ro", fs::perms(0755));
         }},
        {"new_file_in_a_read_only_folder_names_the_folder",
         [](const WorkFolder& folder) {
             folder.write("ro/keep", "");
             ::chown((folder.root / "ro").c_str(), kNobody, kNobody);
             fs::permissions(folder.root / "ro", fs::perms(0555));
         },
         "-o ro/out.srt film.sub", true, 1, "its folder refuses new files: Permission denied",
         [](const WorkFolder& folder) {
             EXPECT_FALSE(fs::exists(folder.root / "ro/out.srt"));
             fs::permissions(folder.root / "ro", fs::perms(0755));
         }},
        // -y split the links: the other name kept the old text.
        {"hard_links_share_the_new_text",
         [](const WorkFolder& folder) {
             folder.write("out.srt", kOld);
             fs::create_hard_link(folder.root / "out.srt", folder.root / "other.srt");
         },
         "-y -o out.srt film.sub", false, 0, "",
         [](const WorkFolder& folder) {
             EXPECT_EQ(contents(folder.root / "other.srt"), kSrt);
             EXPECT_EQ(Stat(folder.root / "out.srt").status.st_nlink, 2u);
         }},
        {"owner_group_mode_and_attributes_stay",
         [](const WorkFolder& folder) {
             folder.write("out.srt", kOld);
             const fs::path out = folder.root / "out.srt";
             ::chown(out.c_str(), kNobody, kNobody);
             ::chmod(out.c_str(), 0640);
             ::setxattr(out.c_str(), "user.origin", "kept", 4, 0);
         },
         "-y -o out.srt film.sub", false, 0, "",
         [](const WorkFolder& folder) {
             const Stat out(folder.root / "out.srt");
             EXPECT_EQ(out.status.st_uid, kNobody);
             EXPECT_EQ(out.status.st_gid, kNobody);
             EXPECT_EQ(out.status.st_mode & 07777, 0640u);
             EXPECT_EQ(attribute(folder.root / "out.srt", "user.origin"), "kept");
             EXPECT_EQ(contents(folder.root / "out.srt"), kSrt);
         }},
        {"an_acl_stays",
         [](const WorkFolder& folder) {
             folder.write("out.srt", kOld);
             const std::string acl = aclGranting(kNobody);
             ::setxattr((folder.root / "out.srt").c_str(), "system.posix_acl_access", acl.data(),
                        acl.size(), 0);
         },
         "-y -o out.srt film.sub", false, 0, "",
         [](const WorkFolder& folder) {
             EXPECT_EQ(attribute(folder.root / "out.srt", "system.posix_acl_access"),
                       aclGranting(kNobody));
         }},
        // A user who cannot give the file its owner writes it in place, as `>` does.
        {"an_owner_this_user_cannot_give",
         [](const WorkFolder& folder) {
             folder.write("out.srt", kOld);
             ::chown((folder.root / "out.srt").c_str(), kNobody, 0);
             ::chmod((folder.root / "out.srt").c_str(), 0664);
             ::chown(folder.root.c_str(), kNobody, kNobody);
         },
         "-y -o out.srt film.sub", true, 0, "",
         [](const WorkFolder& folder) {
             const Stat out(folder.root / "out.srt");
             EXPECT_EQ(out.status.st_gid, 0u);
             EXPECT_EQ(contents(folder.root / "out.srt"), kSrt);
         }},
        // Another user's link in /tmp turned root's -y into a write anywhere.
        {"a_planted_link_in_a_sticky_folder",
         [](const WorkFolder& folder) {
             folder.write("victim.txt", kOld);
             folder.write("shared/keep", "");
             fs::permissions(folder.root / "shared", fs::perms(01777));
             fs::create_symlink(folder.root / "victim.txt", folder.root / "shared/out.srt");
             ::lchown((folder.root / "shared/out.srt").c_str(), kNobody, kNobody);
         },
         "-y -o shared/out.srt film.sub", false, 1, "the kernel's protected_symlinks rule",
         [](const WorkFolder& folder) { EXPECT_EQ(contents(folder.root / "victim.txt"), kOld); }},
        {"one_s_own_link_in_a_sticky_folder",
         [](const WorkFolder& folder) {
             folder.write("mine.txt", kOld);
             folder.write("shared/keep", "");
             fs::permissions(folder.root / "shared", fs::perms(01777));
             fs::create_symlink(folder.root / "mine.txt", folder.root / "shared/out.srt");
         },
         "-y -o shared/out.srt film.sub", false, 0, "",
         [](const WorkFolder& folder) { EXPECT_EQ(contents(folder.root / "mine.txt"), kSrt); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.description);
        const WorkFolder folder(std::string("keep-") + row.description);
        folder.write("film.sub", kLighthouse);
        folder.write("err/keep", "");
        if (row.asNobody) {
            for (const char* open : {"", "/tmp", "/err"})
                ::chown((folder.root.string() + open).c_str(), kNobody, kNobody);
        }
        row.setUp(folder);
        const Outcome run = row.asNobody ? runSubplayAs(folder, row.command, kNobody)
                                         : runSubplay(folder, row.command);
        EXPECT_EQ(run.status, row.status) << run.err;
        if (row.message.empty()) {
            EXPECT_EQ(run.err, "");
        } else {
            EXPECT_NE(run.err.find(row.message), std::string::npos) << run.err;
        }
        row.check(folder);
        EXPECT_EQ(folder.leftovers(), std::vector<std::string>{});
    }
}

// Written at the offset the shell's group left, not renamed over the file behind it.
TEST(CliConversions, DevStdoutKeepsWhatTheGroupWrote) {
    const WorkFolder folder("group");
    folder.write("film.sub", kLighthouse);
    const std::string line = "cd '" + folder.root.string() + "' && { echo header; '" + kSubplay +
                             "' -y --format srt -o /dev/stdout film.sub; echo footer; } >out.txt";
    ASSERT_EQ(std::system(line.c_str()), 0);
    EXPECT_EQ(contents(folder.root / "out.txt"), "header\n" + kSrt + "footer\n");
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

// Standard input lives in a private temporary folder, and the output in a temporary file
// beside its target: both go at every signal that ends the process, as on an exit. Only
// INT, TERM and PIPE cleaned up before: a closed terminal or `ulimit -f` left them.
TEST(CliSignals, TemporaryFilesGoOnEverySignal) {
    struct Row {
        int signal;
        bool ignored;  // ignored when subplay starts, as nohup leaves SIGHUP
    };
    const Row rows[] = {{SIGINT, false},  {SIGTERM, false}, {SIGPIPE, false}, {SIGHUP, false},
                        {SIGQUIT, false}, {SIGXFSZ, false}, {SIGALRM, false}, {SIGUSR1, false},
                        {SIGUSR2, false}, {SIGHUP, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(::strsignal(row.signal) + std::string(row.ignored ? ", ignored" : ""));
        const WorkFolder folder("signal");
        int input[2];
        ASSERT_EQ(::pipe(input), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::dup2(input[0], 0);
            ::close(input[1]);
            const rlimit noCore{0, 0};
            ::setrlimit(RLIMIT_CORE, &noCore);
            if (row.ignored) ::signal(row.signal, SIG_IGN);
            const std::string tmp = (folder.root / "tmp").string();
            const std::string out = (folder.root / "out.txt").string();
            ::setenv("TMPDIR", tmp.c_str(), 1);
            ::execl(kSubplay.c_str(), "subplay", "--play", "--speed", "0.001", "-o", out.c_str(),
                    "-", nullptr);
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
        ::kill(child, row.signal);
        int status = 0;
        if (row.ignored) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            EXPECT_EQ(::waitpid(child, &status, WNOHANG), 0) << "an ignored signal ended it";
            ::kill(child, SIGTERM);
        }
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status));
        EXPECT_TRUE(fs::is_empty(folder.root / "tmp"));
        EXPECT_EQ(folder.leftovers(), std::vector<std::string>{});
    }
}

}  // namespace
