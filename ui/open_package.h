#pragma once

#include <string>

#include "driver/runner/run.h"

namespace orventa {

/// Hands the installer package at `path` to the system's default application
/// for it (on a Mac the Installer) and answers whether it could be opened.
/// Does not wait for that application to finish. Never throws.
/// On a Mac: NSWorkspace openURL: with a file URL (`runner` is not used).
/// Elsewhere: `openWithXdgOpen(path, runner)`; production passes
/// installerOpener() (app/tool_runners.h), runWithoutOutput with the
/// opener's time limit, so that what xdg-open starts holds nothing up.
bool openPackage(const std::string& path, const ToolRunner& runner);

/// Runs "/usr/bin/xdg-open" with `path` as its one argument through `runner`:
/// true exactly when it starts and exits with status 0. Any failure of the
/// run (no start, the time limit) is a plain "could not open", not an error.
bool openWithXdgOpen(const std::string& path, const ToolRunner& runner);

}  // namespace orventa
