#pragma once

/// True when any argument, argument zero included, is exactly "--self-check"
/// (whole argument, case-sensitive). Every other argument is ignored; any
/// content, including non-UTF-8 bytes, is safe.
bool selfCheckRequested(int argc, const char* const* argv);
