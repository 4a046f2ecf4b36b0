// Case- and separator-insensitive file look-up.
#include "xfilepath.h"

#include <sys/stat.h>

#include "quil_path.h"

namespace quilx {

std::string FindFileNoCase(const char* name) {
    if (!name || !*name) return {};
    const std::string path = quil_platform::ResolvePath(name);
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return path;
    return {};
}

}  // namespace quilx
