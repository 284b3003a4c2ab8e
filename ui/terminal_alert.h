#pragma once

#include <cstddef>
#include <iosfwd>

#include "ui/alert.h"

namespace orventa {

/// The presenter for a terminal, used when no display is reachable. Writes
/// the title on a line of its own, the message as it stands, then one line
/// per button numbered from 1 in list order ("1. Install Driver"), and asks
/// for a number on `in`. A number from 1 to the button count answers with
/// 1000 + number - 1; any other line writes a short hint and asks again. End
/// of input answers with the last button, the one that takes no action, so a
/// run without input never waits and never installs anything. The style is
/// not shown. `buttons` must not be empty. An answer is read a line at a
/// time, at most answerLineLimit bytes of it kept: a longer line is no
/// answer (its rest is read and dropped), so endless input never fills the
/// memory.
/// The longest answer line the terminal presenter keeps, line feed not counted.
inline constexpr std::size_t answerLineLimit = 4096;

AlertResponse showTerminalAlert(const std::string& title, const std::string& message,
                                const std::vector<std::string>& buttons, AlertStyle style,
                                std::istream& in, std::ostream& out);

}  // namespace orventa
