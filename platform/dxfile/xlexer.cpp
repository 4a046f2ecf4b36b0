// Token reader for the text and binary .x forms.
#include "xlexer.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace quilx {

namespace {

// Binary token ids of the .x format.
enum : uint16_t {
    kName = 1, kString = 2, kInteger = 3, kGuid = 5, kIntegerList = 6, kFloatList = 7,
    kOBrace = 10, kCBrace = 11, kOParen = 12, kCParen = 13, kOBracket = 14, kCBracket = 15,
    kOAngle = 16, kCAngle = 17, kDot = 18, kComma = 19, kSemicolon = 20, kTemplate = 31,
    kWord = 40, kDword = 41, kFloat = 42, kDouble = 43, kChar = 44, kUchar = 45, kSword = 46,
    kSdword = 47, kVoid = 48, kLpstr = 49, kUnicode = 50, kCstring = 51, kArray = 52
};

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Parses "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX" (spaces already removed).
bool parseGuidText(const std::string& s, GUID& g) {
    if (s.size() != 36 || s[8] != '-' || s[13] != '-' || s[18] != '-' || s[23] != '-') return false;
    std::string hex;
    for (char c : s)
        if (c != '-') hex += c;
    if (hex.size() != 32) return false;
    uint8_t b[16];
    for (int i = 0; i < 16; ++i) {
        int hi = hexValue(hex[i * 2]), lo = hexValue(hex[i * 2 + 1]);
        if (hi < 0 || lo < 0) return false;
        b[i] = uint8_t(hi << 4 | lo);
    }
    g.Data1 = DWORD(b[0]) << 24 | DWORD(b[1]) << 16 | DWORD(b[2]) << 8 | b[3];
    g.Data2 = WORD(b[4] << 8 | b[5]);
    g.Data3 = WORD(b[6] << 8 | b[7]);
    std::memcpy(g.Data4, b + 8, 8);
    return true;
}

bool isNameStart(unsigned char c) { return std::isalpha(c) || c == '_'; }
bool isNameChar(unsigned char c) { return std::isalnum(c) || c == '_' || c == '-' || c == '.'; }

}  // namespace

bool PrimFromName(const std::string& n, Prim& p) {
    struct Entry { const char* name; Prim prim; };
    static const Entry table[] = {
        {"WORD", Prim::Word},     {"DWORD", Prim::Dword},   {"FLOAT", Prim::Float},
        {"DOUBLE", Prim::Double}, {"CHAR", Prim::Char},     {"UCHAR", Prim::Uchar},
        {"BYTE", Prim::Uchar},    {"SWORD", Prim::Sword},   {"SDWORD", Prim::Sdword},
        {"STRING", Prim::String}, {"LPSTR", Prim::String},  {"CSTRING", Prim::String},
        {"UNICODE", Prim::String}, {"VOID", Prim::Void},
    };
    for (const Entry& e : table)
        if (n == e.name) {
            p = e.prim;
            return true;
        }
    return false;
}

Lexer::Lexer(const uint8_t* data, size_t size, bool binary, bool doubles)
    : data_(data), size_(size), binary_(binary), doubles_(doubles) {}

const Token& Lexer::peek() {
    if (!havePeek_) {
        read(peeked_);
        havePeek_ = true;
    }
    return peeked_;
}

Token Lexer::next() {
    peek();
    havePeek_ = false;
    if (peeked_.kind != Tok::End && peeked_.kind != Tok::Error) ++consumed_;
    Token t = std::move(peeked_);
    // An error or the end stays the answer for every later call.
    if (t.kind == Tok::Error || t.kind == Tok::End) {
        peeked_.kind = t.kind;
        havePeek_ = true;
    }
    return t;
}

void Lexer::read(Token& t) {
    t = Token();
    if (binary_)
        readBinary(t);
    else
        readText(t);
}

bool Lexer::u16(uint16_t& v) {
    if (size_ - pos_ < 2) return false;
    v = uint16_t(data_[pos_] | data_[pos_ + 1] << 8);
    pos_ += 2;
    return true;
}

bool Lexer::u32(uint32_t& v) {
    if (size_ - pos_ < 4) return false;
    v = uint32_t(data_[pos_]) | uint32_t(data_[pos_ + 1]) << 8 | uint32_t(data_[pos_ + 2]) << 16 |
        uint32_t(data_[pos_ + 3]) << 24;
    pos_ += 4;
    return true;
}

void Lexer::readBinary(Token& t) {
    for (;;) {
        if (listLeft_ > 0) {
            --listLeft_;
            if (listFloat_) {
                t.kind = Tok::Float;
                if (doubles_) {
                    uint32_t lo = 0, hi = 0;
                    u32(lo);
                    u32(hi);
                    uint64_t bits = uint64_t(hi) << 32 | lo;
                    std::memcpy(&t.f, &bits, 8);
                } else {
                    uint32_t bits = 0;
                    u32(bits);
                    float f;
                    std::memcpy(&f, &bits, 4);
                    t.f = f;
                }
            } else {
                t.kind = Tok::Integer;
                u32(t.u);
            }
            return;
        }
        if (pos_ >= size_) {
            t.kind = Tok::End;
            return;
        }
        uint16_t id = 0;
        if (!u16(id)) {
            t.kind = Tok::Error;
            return;
        }
        uint32_t count = 0;
        switch (id) {
        case kName:
        case kString:
            if (!u32(count) || count > size_ - pos_) {
                t.kind = Tok::Error;
                return;
            }
            t.kind = id == kName ? Tok::Name : Tok::String;
            t.text.assign(reinterpret_cast<const char*>(data_ + pos_), count);
            pos_ += count;
            // A string is followed by its terminator (a comma or a semicolon) as a DWORD.
            if (id == kString) {
                uint32_t term = 0;
                if (!u32(term) || (term != kComma && term != kSemicolon)) t.kind = Tok::Error;
            }
            // Names end at an embedded NUL, as C strings do.
            t.text.resize(std::strlen(t.text.c_str()));
            return;
        case kInteger:
            t.kind = u32(t.u) ? Tok::Integer : Tok::Error;
            return;
        case kGuid: {
            uint16_t d2 = 0, d3 = 0;
            if (!u32(t.guid.Data1) || !u16(d2) || !u16(d3) || size_ - pos_ < 8) {
                t.kind = Tok::Error;
                return;
            }
            t.guid.Data2 = d2;
            t.guid.Data3 = d3;
            std::memcpy(t.guid.Data4, data_ + pos_, 8);
            pos_ += 8;
            t.kind = Tok::Guid;
            return;
        }
        case kIntegerList:
        case kFloatList: {
            if (!u32(count)) {
                t.kind = Tok::Error;
                return;
            }
            size_t each = id == kIntegerList ? 4 : (doubles_ ? 8 : 4);
            if (count > (size_ - pos_) / each) {
                t.kind = Tok::Error;
                return;
            }
            listLeft_ = count;
            listFloat_ = id == kFloatList;
            continue;  // an empty list yields nothing
        }
        case kOBrace: t.kind = Tok::OBrace; return;
        case kCBrace: t.kind = Tok::CBrace; return;
        case kOParen: t.kind = Tok::OParen; return;
        case kCParen: t.kind = Tok::CParen; return;
        case kOBracket: t.kind = Tok::OBracket; return;
        case kCBracket: t.kind = Tok::CBracket; return;
        case kOAngle: t.kind = Tok::OAngle; return;
        case kCAngle: t.kind = Tok::CAngle; return;
        case kDot: t.kind = Tok::Dot; return;
        case kComma: t.kind = Tok::Comma; return;
        case kSemicolon: t.kind = Tok::Semicolon; return;
        case kTemplate: t.kind = Tok::Template; return;
        case kArray: t.kind = Tok::Array; return;
        case kWord: case kDword: case kFloat: case kDouble: case kChar: case kUchar:
        case kSword: case kSdword: case kVoid: case kLpstr: case kUnicode: case kCstring: {
            static const Prim prims[] = {Prim::Word, Prim::Dword, Prim::Float, Prim::Double,
                                         Prim::Char, Prim::Uchar, Prim::Sword, Prim::Sdword,
                                         Prim::Void, Prim::String, Prim::String, Prim::String};
            t.kind = Tok::Primitive;
            t.prim = prims[id - kWord];
            return;
        }
        default:
            t.kind = Tok::Error;
            return;
        }
    }
}

void Lexer::readText(Token& t) {
    // Skip white space and comments ("//" and "#" to the end of the line).
    for (;;) {
        while (pos_ < size_ && std::isspace(data_[pos_])) ++pos_;
        if (pos_ < size_ && (data_[pos_] == '#' || (data_[pos_] == '/' && pos_ + 1 < size_ && data_[pos_ + 1] == '/'))) {
            while (pos_ < size_ && data_[pos_] != '\n') ++pos_;
            continue;
        }
        break;
    }
    if (pos_ >= size_) {
        t.kind = Tok::End;
        return;
    }
    const char c = char(data_[pos_]);
    switch (c) {
    case '{': ++pos_; t.kind = Tok::OBrace; return;
    case '}': ++pos_; t.kind = Tok::CBrace; return;
    case '(': ++pos_; t.kind = Tok::OParen; return;
    case ')': ++pos_; t.kind = Tok::CParen; return;
    case '[': ++pos_; t.kind = Tok::OBracket; return;
    case ']': ++pos_; t.kind = Tok::CBracket; return;
    case ',': ++pos_; t.kind = Tok::Comma; return;
    case ';': ++pos_; t.kind = Tok::Semicolon; return;
    default: break;
    }
    if (c == '<') {
        std::string s;
        ++pos_;
        while (pos_ < size_ && data_[pos_] != '>' && s.size() < 64) {
            if (!std::isspace(data_[pos_])) s += char(data_[pos_]);
            ++pos_;
        }
        if (pos_ >= size_ || data_[pos_] != '>' || !parseGuidText(s, t.guid)) {
            t.kind = Tok::Error;
            return;
        }
        ++pos_;
        t.kind = Tok::Guid;
        return;
    }
    if (c == '"') {
        size_t start = ++pos_;
        while (pos_ < size_ && data_[pos_] != '"') ++pos_;
        if (pos_ >= size_) {
            t.kind = Tok::Error;
            return;
        }
        t.text.assign(reinterpret_cast<const char*>(data_ + start), pos_ - start);
        t.text.resize(std::strlen(t.text.c_str()));
        ++pos_;
        t.kind = Tok::String;
        return;
    }
    const bool digitNext = pos_ + 1 < size_ && (std::isdigit(data_[pos_ + 1]) || data_[pos_ + 1] == '.');
    if (std::isdigit(static_cast<unsigned char>(c)) || ((c == '-' || c == '+') && digitNext) ||
        (c == '.' && pos_ + 1 < size_ && std::isdigit(data_[pos_ + 1]))) {
        size_t start = pos_;
        bool isFloat = false;
        if (c == '-' || c == '+') ++pos_;
        while (pos_ < size_ && std::isdigit(data_[pos_])) ++pos_;
        if (pos_ < size_ && data_[pos_] == '.') {
            isFloat = true;
            ++pos_;
            while (pos_ < size_ && std::isdigit(data_[pos_])) ++pos_;
        }
        if (pos_ < size_ && (data_[pos_] == 'e' || data_[pos_] == 'E')) {
            size_t save = pos_++;
            if (pos_ < size_ && (data_[pos_] == '-' || data_[pos_] == '+')) ++pos_;
            if (pos_ < size_ && std::isdigit(data_[pos_])) {
                isFloat = true;
                while (pos_ < size_ && std::isdigit(data_[pos_])) ++pos_;
            } else {
                pos_ = save;
            }
        }
        std::string s(reinterpret_cast<const char*>(data_ + start), pos_ - start);
        if (s.size() > 400) {
            t.kind = Tok::Error;
            return;
        }
        if (isFloat) {
            t.kind = Tok::Float;
            t.f = std::strtod(s.c_str(), nullptr);
            return;
        }
        const bool negative = s[0] == '-';
        const char* digits = s.c_str() + ((s[0] == '-' || s[0] == '+') ? 1 : 0);
        if (std::strlen(digits) > 10) {
            t.kind = Tok::Error;
            return;
        }
        unsigned long long v = std::strtoull(digits, nullptr, 10);
        if (v > 0xFFFFFFFFull || (negative && v > 0x80000000ull)) {
            t.kind = Tok::Error;
            return;
        }
        t.kind = Tok::Integer;
        t.u = negative ? uint32_t(0u - uint32_t(v)) : uint32_t(v);
        t.f = negative ? -double(v) : double(v);
        return;
    }
    if (c == '.') {
        ++pos_;
        t.kind = Tok::Dot;
        return;
    }
    if (isNameStart(static_cast<unsigned char>(c))) {
        size_t start = pos_;
        while (pos_ < size_ && isNameChar(data_[pos_])) ++pos_;
        t.text.assign(reinterpret_cast<const char*>(data_ + start), pos_ - start);
        if (t.text == "template") {
            t.kind = Tok::Template;
        } else if (t.text == "array") {
            t.kind = Tok::Array;
        } else if (PrimFromName(t.text, t.prim)) {
            t.kind = Tok::Primitive;
        } else {
            t.kind = Tok::Name;
        }
        return;
    }
    t.kind = Tok::Error;
}

}  // namespace quilx
