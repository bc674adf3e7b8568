// Whether a standard stream is attached to a terminal.
#pragma once

namespace Tork {

enum class StandardStream { Input, Output, Error };

/// False when the stream is a file, a pipe, closed, or cannot be told.
bool isTerminal(StandardStream stream);

/// The width in columns of the terminal behind `stream`, or 0 when it cannot be told.
int terminalColumns(StandardStream stream);

}  // namespace Tork
