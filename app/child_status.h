#pragma once

namespace orventa {

/// Puts SIGCHLD back to its default action. A launcher may leave it ignored,
/// and a program inherits that; then the system reaps every child itself and
/// drops its status, so no tool's status would reach the program. Called
/// first thing in main, before anything is started.
void resetChildSignalToDefault();

}  // namespace orventa
