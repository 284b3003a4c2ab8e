#pragma once

#include <optional>
#include <string>

namespace orventa {

/// The file-system path of the resource `name`.`extension` in the
/// application's main bundle, or nothing when the bundle has no such
/// resource. Works without an application object.
std::optional<std::string> mainBundleResourcePath(const std::string& name, const std::string& extension);

}  // namespace orventa
