#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What a status bar reads: the widget's visible lines in waybar's JSON, the i3bar protocol,
// or plain text.
namespace BarFormat {

enum class Kind { Waybar, I3bar, Plain };

std::optional<Kind> parse(std::string_view name);

// Printed once, before the first status line: i3bar's header and the opening of its endless
// array; nothing for the others.
std::string preamble(Kind kind);

// One status line, with its newline, for the widget's visible lines (the first is the text,
// all of them the tooltip). `stale`: nothing has changed for a while. `first`: no status
// line came before it (i3bar separates the later ones with a comma).
std::string statusLine(Kind kind, const std::vector<std::string>& lines, bool stale, bool first);

} // namespace BarFormat
