// Only POSIX calls: isatty, the window-size ioctl, and wcwidth in a locale of its own.
#include "platform/Terminal.h"

#include <locale.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cwchar>

namespace Tork {

namespace {

int descriptorOf(StandardStream stream) {
    switch (stream) {
        case StandardStream::Input:
            return STDIN_FILENO;
        case StandardStream::Output:
            return STDOUT_FILENO;
        case StandardStream::Error:
            return STDERR_FILENO;
    }
    return -1;
}

}  // namespace

bool isTerminal(StandardStream stream) {
    return ::isatty(descriptorOf(stream)) == 1;
}

int terminalColumns(StandardStream stream) {
    winsize size{};
    if (::ioctl(descriptorOf(stream), TIOCGWINSZ, &size) != 0) return 0;
    return size.ws_col;
}

CharacterWidths::CharacterWidths() : locale_(::newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr)) {
    if (locale_) previous_ = ::uselocale(static_cast<locale_t>(locale_));
}

CharacterWidths::~CharacterWidths() {
    if (!locale_) return;
    ::uselocale(static_cast<locale_t>(previous_));
    ::freelocale(static_cast<locale_t>(locale_));
}

int CharacterWidths::of(char32_t c) const {
    const int width = locale_ ? ::wcwidth(static_cast<wchar_t>(c)) : 1;
    return width < 0 ? 1 : width;
}

}  // namespace Tork
