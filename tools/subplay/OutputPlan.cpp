#include "tools/subplay/OutputPlan.h"

#include "host/UrlLocation.h"
#include "platform/FileSystem.h"
#include "text/FileUrl.h"

#include <filesystem>
#include <map>
#include <system_error>

namespace Tork::Subplay {

namespace {

namespace fs = std::filesystem;

// The local path an input names, or nothing for standard input and other URLs.
std::optional<std::string> localPath(const std::string& input) {
    if (input == "-") return std::nullopt;
    if (Host::isUrl(input)) return filePathFromUrl(input);
    return input;
}

bool isAnInput(const FileIdentity& file, const std::vector<std::string>& inputs) {
    for (const std::string& input : inputs) {
        const auto path = localPath(input);
        if (path && identityOf(*path) == file) return true;
    }
    return false;
}

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::string outputIn(const std::string& folder, const std::string& input, OutputFormat format) {
    std::string name = input == "-" ? "stdin" : input;
    if (Host::isUrl(name)) {
        name = filePathFromUrl(name).value_or(std::string(withoutQueryOrFragment(name)));
    }
    name = name.substr(name.find_last_of('/') + 1);
    if (const auto dot = name.rfind('.'); dot != std::string::npos && dot > 0) name.resize(dot);
    return folder + (name.empty() ? "subtitles" : name) + std::string(extensionOf(format));
}

std::optional<SharedOutput> sharedOutput(const std::vector<std::string>& inputs,
                                         const std::vector<std::string>& outputs) {
    std::map<std::string, std::size_t> seen;
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const auto [at, fresh] = seen.emplace(outputs[i], i);
        if (!fresh) return SharedOutput{outputs[i], inputs[at->second], inputs[i]};
    }
    return std::nullopt;
}

std::optional<std::string> missingFolder(const std::string& folder) {
    std::error_code error;
    const fs::file_status status = fs::status(folder, error);
    if (error) return error.message();
    if (!fs::is_directory(status))
        return std::make_error_code(std::errc::not_a_directory).message();
    return std::nullopt;
}

TargetVerdict checkTarget(const std::string& target, const std::vector<std::string>& inputs,
                          Overwrite overwrite) {
    std::error_code error;
    const fs::file_status status = fs::status(target, error);
    if (error) {
        if (error != std::errc::no_such_file_or_directory)
            return {TargetCheck::Refuse, error.message()};
        if (const auto why = missingFolder(folderOf(target))) {
            return {TargetCheck::Refuse, "no folder " + folderOf(target) + ": " + *why};
        }
        return {};
    }
    if (const auto file = identityOf(target); file && isAnInput(*file, inputs)) {
        return {TargetCheck::Refuse, "is an input; it is never written over"};
    }
    if (fs::is_directory(status)) return {TargetCheck::Refuse, "is a folder"};
    // Only a regular file can be lost: a device or a FIFO (/dev/null, /dev/stdout) takes the
    // output as the shell's `>` gives it, whatever -y and -n say.
    if (!fs::is_regular_file(status)) return {};
    switch (overwrite) {
        case Overwrite::Always:
            return {};
        case Overwrite::Never:
            return {TargetCheck::Skip, "exists; kept (-n)"};
        case Overwrite::Refuse:
            break;
    }
    return {TargetCheck::Refuse, "exists; -y replaces it"};
}

bool standardOutputIsInput(const std::vector<std::string>& inputs) {
    const auto output = standardOutputFile();
    return output && isAnInput(*output, inputs);
}

}  // namespace Tork::Subplay
