#pragma once

#include <functional>

namespace orventa {

/// Normal mode on AppKit: obtains the shared application object, creates the
/// AppDelegate, sets the regular activation policy where the platform has one,
/// registers the delegate and runs the event loop. When launching has
/// finished, the delegate calls `whenLaunched` once on the main thread and then
/// terminates the application, which ends the process with status 0.
/// Returns 0 should the event loop ever return.
int runApplication(std::function<void()> whenLaunched);

}  // namespace orventa
