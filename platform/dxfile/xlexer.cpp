// Token reader for the text and binary .x forms.
#include "xlexer.h"

#include "quil_bytes.h"

#include <charconv>
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
bool parseGuidText(const char* s, size_t n, GUID& g) {
    if (n != 36 || s[8] != '-' || s[13] != '-' || s[18] != '-' || s[23] != '-') return false;
    uint8_t b[16];
    int nibbles = 0;
    for (size_t i = 0; i < n; ++i) {
        if (s[i] == '-') continue;
        const int v = hexValue(s[i]);
        if (v < 0 || nibbles == 32) return false;
        b[nibbles / 2] = uint8_t(nibbles % 2 ? b[nibbles / 2] << 4 | v : v);
        ++nibbles;
    }
    if (nibbles != 32) return false;
    g.Data1 = DWORD(b[0]) << 24 | DWORD(b[1]) << 16 | DWORD(b[2]) << 8 | b[3];
    g.Data2 = WORD(b[4] << 8 | b[5]);
    g.Data3 = WORD(b[6] << 8 | b[7]);
    std::memcpy(g.Data4, b + 8, 8);
    return true;
}

// The C locale's classes, without the locale lookups of <cctype>.
bool isSpace(uint8_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool isDigit(uint8_t c) { return c >= '0' && c <= '9'; }
bool isAlpha(uint8_t c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }
bool isNameStart(uint8_t c) { return isAlpha(c) || c == '_'; }
bool isNameChar(uint8_t c) { return isAlpha(c) || isDigit(c) || c == '_' || c == '-' || c == '.'; }

// A C string of at most n bytes: the text up to an embedded NUL.
std::string_view cText(const uint8_t* p, size_t n) {
    const char* s = reinterpret_cast<const char*>(p);
    return std::string_view(s, strnlen(s, n));
}

}  // namespace

bool PrimFromName(std::string_view n, Prim& p) {
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

Token Lexer::next() {
    Token t = peek();
    skip();
    return t;
}

void Lexer::skip() {
    peek();
    // An error or the end stays the answer for every later call.
    if (peeked_.kind == Tok::End || peeked_.kind == Tok::Error) return;
    ++consumed_;
    havePeek_ = false;
}

void Lexer::read(Token& t) {
    t.kind = Tok::End;
    t.prim = Prim::Void;
    t.u = 0;
    t.f = 0.0;
    t.text = {};
    if (binary_)
        readBinary(t);
    else
        readText(t);
}

bool Lexer::u16(uint16_t& v) {
    if (size_ - pos_ < 2) return false;
    v = quil_platform::ReadLe16(data_ + pos_);
    pos_ += 2;
    return true;
}

bool Lexer::u32(uint32_t& v) {
    if (size_ - pos_ < 4) return false;
    v = quil_platform::ReadLe32(data_ + pos_);
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
            // Names end at an embedded NUL, as C strings do.
            t.text = cText(data_ + pos_, count);
            pos_ += count;
            // A string is followed by its terminator (a comma or a semicolon) as a DWORD.
            if (id == kString) {
                uint32_t term = 0;
                if (!u32(term) || (term != kComma && term != kSemicolon)) t.kind = Tok::Error;
            }
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

// Skips white space and comments ("//" and "#" to the end of the line).
void Lexer::skipSpaceAndComments() {
    for (;;) {
        while (pos_ < size_ && isSpace(data_[pos_])) ++pos_;
        if (pos_ < size_ && (data_[pos_] == '#' || (data_[pos_] == '/' && pos_ + 1 < size_ && data_[pos_ + 1] == '/'))) {
            while (pos_ < size_ && data_[pos_] != '\n') ++pos_;
            continue;
        }
        return;
    }
}

void Lexer::readText(Token& t) {
    skipSpaceAndComments();
    if (pos_ >= size_) {
        t.kind = Tok::End;
        return;
    }
    const uint8_t c = data_[pos_];
    const uint8_t after = pos_ + 1 < size_ ? data_[pos_ + 1] : 0;
    switch (c) {
    case '{': ++pos_; t.kind = Tok::OBrace; return;
    case '}': ++pos_; t.kind = Tok::CBrace; return;
    case '(': ++pos_; t.kind = Tok::OParen; return;
    case ')': ++pos_; t.kind = Tok::CParen; return;
    case '[': ++pos_; t.kind = Tok::OBracket; return;
    case ']': ++pos_; t.kind = Tok::CBracket; return;
    case ',': ++pos_; t.kind = Tok::Comma; return;
    case ';': ++pos_; t.kind = Tok::Semicolon; return;
    case '<': readGuid(t); return;
    case '"': readString(t); return;
    default: break;
    }
    if (isDigit(c) || ((c == '-' || c == '+') && (isDigit(after) || after == '.')) || (c == '.' && isDigit(after))) {
        readNumber(t);
    } else if (c == '.') {
        ++pos_;
        t.kind = Tok::Dot;
    } else if (isNameStart(c)) {
        readName(t);
    } else {
        t.kind = Tok::Error;
    }
}

// <XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX>, spaces allowed anywhere inside.
void Lexer::readGuid(Token& t) {
    char s[64];
    size_t n = 0;
    ++pos_;
    while (pos_ < size_ && data_[pos_] != '>' && n < sizeof s) {
        if (!isSpace(data_[pos_])) s[n++] = char(data_[pos_]);
        ++pos_;
    }
    if (pos_ >= size_ || data_[pos_] != '>' || !parseGuidText(s, n, t.guid)) {
        t.kind = Tok::Error;
        return;
    }
    ++pos_;
    t.kind = Tok::Guid;
}

// "text": up to the closing quote; an embedded NUL ends the text.
void Lexer::readString(Token& t) {
    const size_t start = ++pos_;
    const void* quote = std::memchr(data_ + start, '"', size_ - start);
    if (!quote) {
        pos_ = size_;
        t.kind = Tok::Error;
        return;
    }
    pos_ = size_t(static_cast<const uint8_t*>(quote) - data_);
    t.text = cText(data_ + start, pos_ - start);
    ++pos_;
    t.kind = Tok::String;
}

// An integer (a 32-bit value, negatives as two's complement) or a float: digits with a
// fraction or an exponent. The digits are gathered as they are scanned; a float whose digits
// fit in 53 bits and whose power of ten is at most 22 is then one exact multiplication or
// division away, correctly rounded as strtod would give it. Others go to from_chars.
void Lexer::readNumber(Token& t) {
    static const double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const size_t start = pos_;
    const bool negative = data_[pos_] == '-';
    if (data_[pos_] == '-' || data_[pos_] == '+') ++pos_;
    const size_t digitsStart = pos_;
    uint64_t mantissa = 0;  // exact while there are at most 19 digits
    int digits = 0, exponent = 0;
    for (; pos_ < size_ && isDigit(data_[pos_]); ++pos_, ++digits) mantissa = mantissa * 10 + (data_[pos_] - '0');
    const int integerDigits = digits;
    bool isFloat = false;
    if (pos_ < size_ && data_[pos_] == '.') {
        isFloat = true;
        for (++pos_; pos_ < size_ && isDigit(data_[pos_]); ++pos_, ++digits, --exponent)
            mantissa = mantissa * 10 + (data_[pos_] - '0');
    }
    if (pos_ < size_ && (data_[pos_] == 'e' || data_[pos_] == 'E')) {
        const size_t save = pos_++;
        bool minus = false;
        if (pos_ < size_ && (data_[pos_] == '-' || data_[pos_] == '+')) minus = data_[pos_++] == '-';
        if (pos_ < size_ && isDigit(data_[pos_])) {
            isFloat = true;
            int e = 0;
            for (; pos_ < size_ && isDigit(data_[pos_]); ++pos_)
                if (e < 100000) e = e * 10 + (data_[pos_] - '0');
            exponent += minus ? -e : e;
        } else {
            pos_ = save;
        }
    }
    if (pos_ - start > 400) {
        t.kind = Tok::Error;
        return;
    }
    if (!isFloat) {
        if (integerDigits > 10 || mantissa > 0xFFFFFFFFull || (negative && mantissa > 0x80000000ull)) {
            t.kind = Tok::Error;
            return;
        }
        t.kind = Tok::Integer;
        t.u = negative ? uint32_t(0u - uint32_t(mantissa)) : uint32_t(mantissa);
        t.f = negative ? -double(mantissa) : double(mantissa);
        return;
    }
    t.kind = Tok::Float;
    if (digits <= 15 && exponent >= -22 && exponent <= 22) {  // 10^15 < 2^53
        t.f = exponent < 0 ? double(mantissa) / kPow10[-exponent] : double(mantissa) * kPow10[exponent];
        if (negative) t.f = -t.f;
        return;
    }
    // from_chars takes no leading '+'; a '-' it reads itself.
    const char* text = reinterpret_cast<const char*>(data_);
    if (std::from_chars(text + (negative ? start : digitsStart), text + pos_, t.f).ec != std::errc()) {
        // Out of range: infinity or zero, as strtod gives.
        char copy[402];
        std::memcpy(copy, text + start, pos_ - start);
        copy[pos_ - start] = 0;
        t.f = std::strtod(copy, nullptr);
    }
}

// A name, or one of the keywords and primitive type names.
void Lexer::readName(Token& t) {
    const size_t start = pos_;
    while (pos_ < size_ && isNameChar(data_[pos_])) ++pos_;
    t.text = std::string_view(reinterpret_cast<const char*>(data_ + start), pos_ - start);
    if (t.text == "template")
        t.kind = Tok::Template;
    else if (t.text == "array")
        t.kind = Tok::Array;
    else if (PrimFromName(t.text, t.prim))
        t.kind = Tok::Primitive;
    else
        t.kind = Tok::Name;
}

}  // namespace quilx
