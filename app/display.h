#pragma once

namespace orventa {

/// True when the platform can show windows. On a Mac always; on X11 when
/// DISPLAY is set and its server accepts a connection. Touches nothing of
/// the GUI toolkit, so it can decide before the application object exists.
bool displayReachable();

}  // namespace orventa
