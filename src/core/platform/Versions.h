#pragma once

// The program's version and those of the libraries it was built with and
// runs with, for --version and the About box.

#include <string>

namespace sw::versions {

// "0.1.0".
const char* Program();
// One line per library, "libxml2 2.9.14" and so on; the libraries the core
// uses (the editor adds Qt).
std::string Libraries();

} // namespace sw::versions
