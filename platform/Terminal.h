// Whether a standard stream is attached to a terminal, and how wide text is there.
#pragma once

namespace Tork {

enum class StandardStream { Input, Output, Error };

/// False when the stream is a file, a pipe, closed, or cannot be told.
bool isTerminal(StandardStream stream);

/// The width in columns of the terminal behind `stream`, or 0 when it cannot be told.
int terminalColumns(StandardStream stream);

/// The columns a character takes on a terminal, from the C library's table for UTF-8
/// whatever locale the user runs in; this thread runs in that table while this lives.
class CharacterWidths {
public:
    CharacterWidths();
    ~CharacterWidths();
    CharacterWidths(const CharacterWidths&) = delete;
    CharacterWidths& operator=(const CharacterWidths&) = delete;

    /// 0 for combining marks, 2 for wide characters; 1 when the table has no answer.
    int of(char32_t c) const;

private:
    void* locale_;  // the system's locale handles
    void* previous_ = nullptr;
};

}  // namespace Tork
