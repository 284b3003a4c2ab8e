#pragma once

#include <string>
#include <string_view>

namespace orventa {

/// `text` on one line, for a script that reads one line per answer: a line
/// feed becomes \n, a carriage return \r, any other control character (but
/// the tab) \xNN. Outside text (a path from TMPDIR, say) may hold them.
std::string oneLine(std::string_view text);

}  // namespace orventa
