// Finding a file whose name the program gives with either separator and in any case.
#pragma once
#include <string>

namespace quilx {

// The path of an existing file that matches `name` when '\\' is read as '/' and each
// component is compared without regard to case; empty when there is none.
std::string FindFileNoCase(const char* name);

}  // namespace quilx
