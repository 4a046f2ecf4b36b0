// Saving a whole file so that a crash, a full disk or a kill in the middle of
// the write never leaves a damaged file where the good one was: the bytes go to
// "<path>.new", which is flushed to the disk, checked for its size and only
// then renamed over the old file. Header-only, for the platform and the engine.
#pragma once
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace quil_platform {

// Makes path hold exactly size bytes of data. On failure the old file (if any)
// is unchanged, the scratch file is gone, false is returned and *why (when
// given) says what failed.
inline bool ReplaceFile(const std::string& path, const void* data, size_t size, std::string* why = nullptr) {
    const std::string scratch = path + ".new";
    const char* failure = nullptr;
    int error = 0;
    const int fd = ::open(scratch.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        failure = "cannot create";
        error = errno;
    }
    const char* bytes = static_cast<const char*>(data);
    for (size_t done = 0; !failure && done < size;) {
        const ssize_t n = ::write(fd, bytes + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            failure = "write failed";
            error = n < 0 ? errno : ENOSPC;
        } else {
            done += static_cast<size_t>(n);
        }
    }
    struct stat st;
    if (!failure && ::fsync(fd) != 0) {
        failure = "flush failed";
        error = errno;
    }
    if (!failure && (::fstat(fd, &st) != 0 || static_cast<size_t>(st.st_size) != size)) {
        failure = "size check failed";
        error = errno;
    }
    if (fd >= 0 && ::close(fd) != 0 && !failure) {
        failure = "close failed";
        error = errno;
    }
    if (!failure && std::rename(scratch.c_str(), path.c_str()) != 0) {
        failure = "cannot replace";
        error = errno;
    }
    if (!failure) return true;
    if (fd >= 0) ::unlink(scratch.c_str());
    if (why) *why = std::string(failure) + (error ? std::string(": ") + std::strerror(error) : std::string());
    return false;
}

}  // namespace quil_platform
