#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orventa {

/// Which button closed an alert: the button at position i of the list
/// (counting from 0) gives 1000 + i, as AppKit's NSModalResponse does.
using AlertResponse = std::int64_t;

/// The response of an alert's first button; the only one that moves the
/// assistant on.
inline constexpr AlertResponse firstButtonResponse = 1000;

/// Severity of an alert, with AppKit's NSAlertStyle values.
enum class AlertStyle : int {
  warning = 0,
  informational = 1,
  critical = 2,
};

/// Shows one modal alert with `title` as its headline, `message` unchanged as
/// its body (line feeds included), `buttons` in list order and `style`, and
/// blocks until a button is chosen. Returns that button's response. Never
/// fails. The assistant passes one or two buttons.
using AlertPresenter = std::function<AlertResponse(const std::string& title, const std::string& message,
                                                   const std::vector<std::string>& buttons, AlertStyle style)>;

/// The AppKit presenter: activates the application ignoring other
/// applications (before every alert), then runs a new NSAlert with the title
/// as message text, the message as informative text, the style and the
/// buttons in order; the second of two buttons gets the Escape key. The
/// application object must exist; main thread only.
/// Prepares the fonts of the AppKit alerts for the user's language; call it
/// before the application object exists. On GNUstep, whose default font
/// lacks Chinese and Japanese and which draws a missing character as "?",
/// those two languages get a font that covers them. Nothing on a Mac, whose
/// fonts fall back by themselves.
void prepareAlertFonts();

AlertResponse showAlert(const std::string& title, const std::string& message,
                        const std::vector<std::string>& buttons, AlertStyle style);

}  // namespace orventa
