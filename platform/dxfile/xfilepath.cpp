// Case- and separator-insensitive file look-up.
#include "xfilepath.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

namespace quilx {

std::string FindFileNoCase(const char* name) {
    if (!name || !*name) return {};
    std::string path(name);
    for (char& c : path)
        if (c == '\\') c = '/';
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return path;

    // Walk the components, matching each against the directory's entries.
    std::string dir = path[0] == '/' ? "/" : "";
    size_t pos = path[0] == '/' ? 1 : 0;
    while (pos <= path.size()) {
        size_t slash = path.find('/', pos);
        if (slash == std::string::npos) slash = path.size();
        const std::string part = path.substr(pos, slash - pos);
        pos = slash + 1;
        if (part.empty() || part == ".") continue;
        const std::string base = dir.empty() ? "." : dir;
        std::string found;
        if (part == "..") {
            found = part;
        } else if (DIR* d = opendir(base.c_str())) {
            while (dirent* e = readdir(d)) {
                if (strcasecmp(e->d_name, part.c_str()) == 0) {
                    found = e->d_name;
                    if (found == part) break;
                }
            }
            closedir(d);
        }
        if (found.empty()) return {};
        dir = dir.empty() ? found : (dir == "/" ? "/" + found : dir + "/" + found);
    }
    if (stat(dir.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return dir;
    return {};
}

}  // namespace quilx
