// Where a user's settings live by default.
#pragma once

#include <filesystem>

namespace jostle {

// $XDG_CONFIG_HOME when it is an absolute path (the XDG rules ignore a
// relative one), else .config in the home folder: $HOME when it is absolute,
// else the home folder the password database gives. Empty when there is no
// home folder at all: never the current folder.
std::filesystem::path UserConfigFolder();

} // namespace jostle
