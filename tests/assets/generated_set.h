// The asset set as the build writes it, generated once per test run into a temporary folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace assets_test {

// Writes the whole set into a fresh folder below the system's temporary folder.
void GenerateInto(const std::string& root);
// The folder of the set generated for this test run (made on first use).
const std::string& GeneratedRoot();
// Whole file below the generated root (empty when missing).
std::vector<uint8_t> ReadGenerated(const std::string& rel);
std::string ReadGeneratedText(const std::string& rel);

// Every data file the game opens, as the game names it (either separator), whose name ends in ext.
std::vector<std::string> GameFiles(const std::string& ext = "");

uint32_t U32(const std::vector<uint8_t>& b, size_t at);
uint16_t U16(const std::vector<uint8_t>& b, size_t at);
float F32(const std::vector<uint8_t>& b, size_t at);

}  // namespace assets_test
