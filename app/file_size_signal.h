#pragma once

namespace orventa {

/// Ignores SIGXFSZ from here on. Its default action ends the program as soon
/// as a write passes the file-size limit (ulimit -f), with the private copy
/// half written and no reason given; ignored, that write fails with EFBIG
/// and is reported like any failed write, the copy removed. Called first
/// thing in main; the tools start with it at its default again.
void failWritesPastTheFileSizeLimit();

}  // namespace orventa
