// File access for the loader: wide names, either separator, any letter case.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quil_dmusic {

std::string WideToUtf8(const wchar_t* text);
// The existing file that name means, relative to the working directory when not
// absolute; backslashes separate too, and a component that does not exist as written
// is matched without regard to case. Empty when none exists.
std::string ResolveFileName(const std::string& name);
// Reads a regular file of at most maxBytes.
bool ReadWholeFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>& bytes);

}  // namespace quil_dmusic
