#pragma once

#include <string>

#include "driver/command.h"

/// Hands the installer package at `path` to the system's default application
/// for it (on a Mac the Installer) and answers whether it could be opened.
/// Does not wait for that application to finish. Never throws.
/// On a Mac: NSWorkspace openURL: with a file URL (`runner` is not used).
/// Elsewhere: `openWithXdgOpen(path, runner)`.
bool openPackage(const std::string& path, const CommandRunner& runner = run);

/// Runs "/usr/bin/xdg-open" with `path` as its one argument through `runner`:
/// true exactly when it starts and exits with status 0. A start failure is
/// a plain "could not open", not an error.
bool openWithXdgOpen(const std::string& path, const CommandRunner& runner);
