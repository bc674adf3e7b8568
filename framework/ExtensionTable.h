// The framework's table of file extensions and their MIME types.
#pragma once

#include "framework/String.h"

#include <map>

namespace Tork {

using ExtensionTable = std::map<String, String, TextOrder>;

/// Built when the library loads: extension with its dot, in lower case → MIME type.
/// Nothing in a subtitle container looks anything up in it.
const ExtensionTable& extensionTable();

}  // namespace Tork
