#include "tools/subplay/Markup.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>

namespace Tork::Subplay {

namespace {

using Kind = MarkupToken::Kind;
using Style = MarkupToken::Style;

bool matchesNoCase(std::string_view text, std::size_t at, std::string_view pattern) {
    if (text.size() - at < pattern.size()) return false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[at + i])) != pattern[i]) return false;
    }
    return true;
}

struct Tag {
    Kind kind;
    Style style;
    std::size_t length;
    std::string colour;
};

std::optional<Tag> tagAt(std::string_view text, std::size_t at) {
    struct Fixed {
        std::string_view pattern;
        Kind kind;
        Style style;
    };
    static constexpr Fixed fixed[] = {
        {"<i>", Kind::Open, Style::Italic},      {"</i>", Kind::Close, Style::Italic},
        {"<b>", Kind::Open, Style::Bold},        {"</b>", Kind::Close, Style::Bold},
        {"</font>", Kind::Close, Style::Colour},
    };
    for (const Fixed& tag : fixed) {
        if (matchesNoCase(text, at, tag.pattern)) {
            return Tag{tag.kind, tag.style, tag.pattern.size(), {}};
        }
    }
    // The plug-in copies the six bytes of a colour code whatever they are.
    constexpr std::string_view head = "<font color=\"#";
    constexpr std::size_t length = head.size() + 6 + 2;
    if (!matchesNoCase(text, at, head) || text.size() - at < length ||
        text.substr(at + head.size() + 6, 2) != "\">") {
        return std::nullopt;
    }
    std::string colour(text.substr(at + head.size(), 6));
    const bool hex = std::all_of(colour.begin(), colour.end(), [](char c) {
        return std::isxdigit(static_cast<unsigned char>(c));
    });
    if (!hex) colour.clear();
    return Tag{Kind::Open, Style::Colour, length, colour};
}

void appendText(std::vector<MarkupToken>& tokens, std::string_view text) {
    if (text.empty()) return;
    if (!tokens.empty() && tokens.back().kind == Kind::Text) {
        tokens.back().text += text;
    } else {
        tokens.push_back({Kind::Text, Style::Italic, std::string(text)});
    }
}

std::string escapeVtt(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string terminalAttributes(const std::vector<const MarkupToken*>& open) {
    std::string out;
    for (const MarkupToken* token : open) {
        switch (token->style) {
            case Style::Italic:
                out += "\x1b[3m";
                break;
            case Style::Bold:
                out += "\x1b[1m";
                break;
            case Style::Colour:
                if (token->text.size() == 6) {
                    out += "\x1b[38;2";
                    for (std::size_t i = 0; i < 6; i += 2) {
                        out +=
                            ';' + std::to_string(std::stoi(token->text.substr(i, 2), nullptr, 16));
                    }
                    out += 'm';
                }
                break;
        }
    }
    return out;
}

}  // namespace

std::vector<MarkupToken> readMarkup(std::string_view text) {
    std::vector<MarkupToken> tokens;
    std::vector<MarkupToken> open;
    std::size_t plainFrom = 0;
    for (std::size_t at = text.find('<'); at != std::string_view::npos;) {
        const auto tag = tagAt(text, at);
        if (!tag) {
            at = text.find('<', at + 1);
            continue;
        }
        const auto match = std::find_if(open.rbegin(), open.rend(), [&](const MarkupToken& o) {
            return o.style == tag->style;
        });
        if (tag->kind == Kind::Close && match == open.rend()) {
            at = text.find('<', at + 1);  // nothing to close: the tag is text
            continue;
        }
        appendText(tokens, text.substr(plainFrom, at - plainFrom));
        if (tag->kind == Kind::Open) {
            MarkupToken token{Kind::Open, tag->style, tag->colour};
            open.push_back(token);
            tokens.push_back(std::move(token));
        } else {
            // Closing an outer span closes the ones inside it too, keeping the output nested.
            const std::size_t keep = static_cast<std::size_t>(open.rend() - match) - 1;
            while (open.size() > keep) {
                tokens.push_back({Kind::Close, open.back().style, open.back().text});
                open.pop_back();
            }
        }
        plainFrom = at + tag->length;
        at = text.find('<', plainFrom);
    }
    appendText(tokens, text.substr(plainFrom));
    while (!open.empty()) {
        tokens.push_back({Kind::Close, open.back().style, open.back().text});
        open.pop_back();
    }
    return tokens;
}

std::string toSrtMarkup(std::string_view text) {
    std::string out;
    for (const MarkupToken& token : readMarkup(text)) {
        const bool opening = token.kind == Kind::Open;
        if (token.kind == Kind::Text) {
            out += token.text;
        } else if (token.style == Style::Italic) {
            out += opening ? "<i>" : "</i>";
        } else if (token.style == Style::Bold) {
            out += opening ? "<b>" : "</b>";
        } else if (!token.text.empty()) {  // a colour that is not hexadecimal is dropped
            out += opening ? "<font color=\"#" + token.text + "\">" : "</font>";
        }
    }
    return out;
}

std::string toVttMarkup(std::string_view text) {
    std::string out;
    for (const MarkupToken& token : readMarkup(text)) {
        const bool opening = token.kind == Kind::Open;
        if (token.kind == Kind::Text) {
            out += escapeVtt(token.text);
        } else if (token.style == Style::Italic) {
            out += opening ? "<i>" : "</i>";
        } else if (token.style == Style::Bold) {
            out += opening ? "<b>" : "</b>";
        }
    }
    return out;
}

std::string toPlainText(std::string_view text) {
    std::string out;
    for (const MarkupToken& token : readMarkup(text)) {
        if (token.kind == Kind::Text) out += token.text;
    }
    return out;
}

std::string toTerminalText(std::string_view text) {
    constexpr std::string_view reset = "\x1b[0m";
    std::string out;
    std::vector<const MarkupToken*> open;
    const std::vector<MarkupToken> tokens = readMarkup(text);
    for (const MarkupToken& token : tokens) {
        if (token.kind == Kind::Open) {
            open.push_back(&token);
            out += terminalAttributes({&token});
        } else if (token.kind == Kind::Close) {
            open.pop_back();
            out += reset;
            out += terminalAttributes(open);
        } else {
            for (const char c : token.text) {
                if (c == '\n') {
                    out += reset;
                    out += '\n';
                    out += terminalAttributes(open);
                } else {
                    out += c;
                }
            }
        }
    }
    return out;
}

}  // namespace Tork::Subplay
