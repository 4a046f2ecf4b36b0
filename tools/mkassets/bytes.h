// Little-endian byte buffer and file helpers shared by every asset writer.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace mkassets {

// A growing little-endian byte buffer; every stored format is written field by field through it.
class Bytes {
public:
    void u8(uint32_t v) { data_.push_back(static_cast<uint8_t>(v)); }
    void u16(uint32_t v) { u8(v & 0xFF); u8((v >> 8) & 0xFF); }
    void u32(uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); }
    void u16be(uint32_t v) { u8((v >> 8) & 0xFF); u8(v & 0xFF); }
    void u32be(uint32_t v) { u16be(v >> 16); u16be(v & 0xFFFF); }
    void f32(float f) { uint32_t v; std::memcpy(&v, &f, 4); u32(v); }
    void text(const std::string& s) {
        for (char c : s) data_.push_back(static_cast<uint8_t>(c));
    }
    void zeros(size_t n) { data_.insert(data_.end(), n, 0); }
    void append(const std::vector<uint8_t>& b) { data_.insert(data_.end(), b.begin(), b.end()); }
    // Overwrites a little-endian u32 at an earlier offset (sizes known only at the end).
    void patch32(size_t at, uint32_t v) { for (int i = 0; i < 4; ++i) data_[at + i] = (v >> (8 * i)) & 0xFF; }
    void patch32be(size_t at, uint32_t v) { for (int i = 0; i < 4; ++i) data_[at + i] = (v >> (24 - 8 * i)) & 0xFF; }
    size_t size() const { return data_.size(); }
    const std::vector<uint8_t>& data() const { return data_; }

private:
    std::vector<uint8_t> data_;
};

// Writes a whole file below the output root, creating its folders; throws on failure.
void WriteFile(const std::string& root, const std::string& relPath, const std::vector<uint8_t>& bytes);
void WriteFile(const std::string& root, const std::string& relPath, const std::string& text);

}  // namespace mkassets
