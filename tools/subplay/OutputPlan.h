// Where conversions go, and the checks that keep a user's files before anything is written.
#pragma once

#include "tools/subplay/Options.h"

#include <optional>
#include <string>
#include <vector>

namespace Tork::Subplay {

/// The output file for `input` in `folder` (which ends in "/"): its name with the format's
/// extension. Only a file: URL loses its query and fragment; a path keeps "?" and "#".
std::string outputIn(const std::string& folder, const std::string& input, OutputFormat format);

/// The first output name that two inputs share, with both inputs; nothing when all differ.
struct SharedOutput {
    std::string output, first, second;
};
std::optional<SharedOutput> sharedOutput(const std::vector<std::string>& inputs,
                                         const std::vector<std::string>& outputs);

/// What to do with one output file before it is written.
enum class TargetCheck { Write, Skip, Refuse };
struct TargetVerdict {
    TargetCheck check = TargetCheck::Write;
    std::string message;  // why, for Skip and Refuse
};

/// Refuses a `target` that is one of `inputs` (the same file on the same device, however
/// named), a folder, one in a folder that does not exist, a link that the kernel's
/// protected_symlinks rule would not follow, and an existing file unless `overwrite` allows
/// it; skips an existing file under Overwrite::Never. Inputs given as "-" or as URLs that
/// name no local file are passed over.
TargetVerdict checkTarget(const std::string& target, const std::vector<std::string>& inputs,
                          Overwrite overwrite);

/// Whether standard output is the same file as one of `inputs`, as `>> film.sub` makes it.
bool standardOutputIsInput(const std::vector<std::string>& inputs);
/// Whether descriptor `fd` writes to one of `inputs`.
bool descriptorIsInput(int fd, const std::vector<std::string>& inputs);

/// The descriptor of this process that `target` names, through any links: 1 for "-" and
/// /dev/stdout, 2 for /dev/stderr, N for /dev/fd/N and /proc/self/fd/N. Such a target is
/// written straight to the descriptor, as the shell set it up; nothing for another name.
std::optional<int> ownDescriptor(const std::string& target);

/// The folder `folder` names, or the system's reason why it is none.
std::optional<std::string> missingFolder(const std::string& folder);

}  // namespace Tork::Subplay
