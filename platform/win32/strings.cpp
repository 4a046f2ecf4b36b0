// Text conversion between narrow (UTF-8, which also covers ASCII and the ANSI
// code page here) and wide text (UTF-32 wchar_t on Linux).
#include <cwchar>
#include <string>
#include "windows.h"

namespace {

// Decodes UTF-8; a byte that does not start a valid sequence stands for itself
// (Latin-1), so no input is ever dropped.
std::u32string Decode(const unsigned char* s, size_t n) {
    std::u32string out;
    size_t i = 0;
    while (i < n) {
        unsigned char c = s[i];
        int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        char32_t cp = 0;
        bool ok = len > 0 && i + static_cast<size_t>(len) <= n;
        if (ok) {
            cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
            for (int k = 1; k < len; ++k) {
                unsigned char cc = s[i + static_cast<size_t>(k)];
                if ((cc & 0xC0) != 0x80) { ok = false; break; }
                cp = (cp << 6) | (cc & 0x3F);
            }
            static const char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
            if (ok && (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) ok = false;
        }
        if (!ok) { out.push_back(c); ++i; continue; }
        out.push_back(cp);
        i += static_cast<size_t>(len);
    }
    return out;
}

std::string Encode(const wchar_t* w, size_t n) {
    std::string out;
    for (size_t i = 0; i < n; ++i) {
        char32_t cp = static_cast<char32_t>(w[i]);
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
        if (cp < 0x80) out.push_back(static_cast<char>(cp));
        else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}
}  // namespace

int MultiByteToWideChar(UINT, DWORD, LPCSTR mb, int count, LPWSTR wide, int wideCount) {
    if (!mb || count == 0 || count < -1 || wideCount < 0 || (wideCount > 0 && !wide)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t n = count == -1 ? std::char_traits<char>::length(mb) + 1 : static_cast<size_t>(count);
    std::u32string text = Decode(reinterpret_cast<const unsigned char*>(mb), n);
    if (wideCount == 0) return static_cast<int>(text.size());
    if (text.size() > static_cast<size_t>(wideCount)) { SetLastError(ERROR_INSUFFICIENT_BUFFER); return 0; }
    for (size_t i = 0; i < text.size(); ++i) wide[i] = static_cast<wchar_t>(text[i]);
    return static_cast<int>(text.size());
}

int WideCharToMultiByte(UINT, DWORD, LPCWSTR wide, int count, LPSTR mb, int byteCount, LPCSTR, LPBOOL usedDefault) {
    if (!wide || count == 0 || count < -1 || byteCount < 0 || (byteCount > 0 && !mb)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (usedDefault) *usedDefault = FALSE;
    size_t n = count == -1 ? std::wcslen(wide) + 1 : static_cast<size_t>(count);
    std::string text = Encode(wide, n);
    if (byteCount == 0) return static_cast<int>(text.size());
    if (text.size() > static_cast<size_t>(byteCount)) { SetLastError(ERROR_INSUFFICIENT_BUFFER); return 0; }
    for (size_t i = 0; i < text.size(); ++i) mb[i] = text[i];
    return static_cast<int>(text.size());
}
