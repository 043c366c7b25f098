#include "BarFormat.h"

#include <Foundation/JSONQuote.h>

namespace BarFormat {

namespace {

// What a stale line looks like in i3bar: greyed out.
constexpr const char* kStaleColour = "#888888";

// A line of plain output is one line whatever the texts hold: a control character (a newline
// from the market's data, say) becomes a space.
std::string oneLine(std::string text) {
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = ' ';
    }
    return text;
}

} // namespace

std::optional<Kind> parse(std::string_view name) {
    if (name == "waybar")
        return Kind::Waybar;
    if (name == "i3bar")
        return Kind::I3bar;
    if (name == "plain")
        return Kind::Plain;
    return std::nullopt;
}

std::string preamble(Kind kind) {
    if (kind == Kind::I3bar)
        return "{\"version\":1}\n[\n";
    return {};
}

std::string statusLine(Kind kind, const std::vector<std::string>& lines, bool stale, bool first) {
    const std::string text = lines.empty() ? std::string() : lines.front();
    switch (kind) {
    case Kind::Waybar: {
        std::string tooltip;
        for (const std::string& line : lines)
            tooltip += (tooltip.empty() ? "" : "\n") + line;
        return "{\"text\":" + JSONQuoted(text) + ",\"tooltip\":" + JSONQuoted(tooltip) +
               ",\"class\":" + JSONQuoted(stale ? "stale" : "") + "}\n";
    }
    case Kind::I3bar: {
        std::string block = "{\"name\":\"marrowfin\",\"full_text\":" + JSONQuoted(text);
        if (stale)
            block += ",\"color\":\"" + std::string(kStaleColour) + "\"";
        return std::string(first ? "" : ",") + "[" + block + "}]\n";
    }
    case Kind::Plain:
        break;
    }
    return oneLine(text) + "\n";
}

} // namespace BarFormat
