#include "tools/subplay/OutputPlan.h"

#include "host/UrlLocation.h"
#include "text/FileUrl.h"

#include <sys/stat.h>
#include <cerrno>
#include <cstring>
#include <map>

namespace Tork::Subplay {

namespace {

// The local path an input names, or nothing for standard input and other URLs.
std::optional<std::string> localPath(const std::string& input) {
    if (input == "-") return std::nullopt;
    if (Host::isUrl(input)) return filePathFromUrl(input);
    return input;
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool isAnInput(const struct stat& file, const std::vector<std::string>& inputs) {
    for (const std::string& input : inputs) {
        struct stat other {};
        const auto path = localPath(input);
        if (path && ::stat(path->c_str(), &other) == 0 && sameFile(file, other)) return true;
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
    struct stat status {};
    if (::stat(folder.c_str(), &status) != 0) return std::string(std::strerror(errno));
    if (!S_ISDIR(status.st_mode)) return std::string(std::strerror(ENOTDIR));
    return std::nullopt;
}

TargetVerdict checkTarget(const std::string& target, const std::vector<std::string>& inputs,
                          Overwrite overwrite) {
    struct stat status {};
    if (::stat(target.c_str(), &status) != 0) {
        if (errno != ENOENT) return {TargetCheck::Refuse, std::strerror(errno)};
        if (const auto why = missingFolder(folderOf(target))) {
            return {TargetCheck::Refuse, "no folder " + folderOf(target) + ": " + *why};
        }
        return {};
    }
    if (isAnInput(status, inputs)) {
        return {TargetCheck::Refuse, "is an input; it is never written over"};
    }
    if (S_ISDIR(status.st_mode)) return {TargetCheck::Refuse, "is a folder"};
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
    struct stat status {};
    return ::fstat(1, &status) == 0 && S_ISREG(status.st_mode) && isAnInput(status, inputs);
}

}  // namespace Tork::Subplay
