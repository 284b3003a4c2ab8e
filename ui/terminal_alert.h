#pragma once

#include <cstddef>
#include <iosfwd>

#include "ui/alert.h"
#include "ui/localized_text.h"

namespace orventa {

/// The longest answer line the terminal presenter keeps, line feed not
/// counted: a longer line is no answer, so endless input never fills the
/// memory.
inline constexpr std::size_t answerLineLimit = 4096;

/// The presenter for a terminal, used when no display is reachable. Writes
/// the title on a line of its own, the message as it stands, then one line
/// per button numbered from 1 in list order ("1. Install Driver"), and asks
/// for a number on `in` with a prompt from `texts` ("terminal.pressOne" for
/// one button, "terminal.chooseRange" with the count for more). A number
/// from 1 to the button count answers with 1000 + number - 1; any other line
/// writes the hint "terminal.hint" and asks again. End of input answers with
/// the last button, the one that takes no action, so a run without input
/// never waits and never installs anything. The style is not shown.
/// `buttons` must not be empty. An answer is read a line at a time, at most
/// answerLineLimit bytes of it kept (the rest of a longer line is read and
/// dropped).
AlertResponse showTerminalAlert(const std::string& title, const std::string& message,
                                const std::vector<std::string>& buttons, AlertStyle style,
                                std::istream& in, std::ostream& out, const Localizer& texts);

}  // namespace orventa
