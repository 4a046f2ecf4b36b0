// Token reader for .x files: one stream of tokens from either the text or the binary form.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>
#include "objbase.h"

namespace quilx {

enum class Tok : uint8_t {
    End, Error, Name, String, Integer, Float, Guid,
    OBrace, CBrace, OParen, CParen, OBracket, CBracket, OAngle, CAngle, Dot, Comma, Semicolon,
    Template, Array, Primitive
};

// The primitive member types of templates.
enum class Prim : uint8_t { Word, Dword, Float, Double, Char, Uchar, Sword, Sdword, String, Void };

struct Token {
    Tok kind = Tok::End;
    Prim prim = Prim::Void;
    uint32_t u = 0;     // Integer value (two's complement for negatives)
    double f = 0.0;     // Float value
    GUID guid{};
    std::string_view text;  // Name or String, pointing into the lexer's input
};

class Lexer {
public:
    Lexer(const uint8_t* data, size_t size, bool binary, bool doubles);

    // The next token without consuming it.
    const Token& peek() {
        if (!havePeek_) {
            read(peeked_);
            havePeek_ = true;
        }
        return peeked_;
    }
    // Consumes and returns the next token. Its text stays valid as long as the input does.
    Token next();
    // Consumes the next token (the one peek returns).
    void skip();
    // Number of tokens consumed so far (list values count one each).
    uint64_t consumed() const { return consumed_; }
    // Bytes not yet read: an upper bound for how many more values the stream can hold.
    size_t remaining() const { return size_ - pos_; }

private:
    void read(Token& t);
    void readText(Token& t);
    void skipSpaceAndComments();
    void readGuid(Token& t);
    void readString(Token& t);
    void readNumber(Token& t);
    void readName(Token& t);
    void readBinary(Token& t);
    bool u16(uint16_t& v);
    bool u32(uint32_t& v);

    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    bool binary_;
    bool doubles_;
    bool havePeek_ = false;
    Token peeked_;
    uint64_t consumed_ = 0;
    uint32_t listLeft_ = 0;
    bool listFloat_ = false;
};

// Maps a primitive type name of the text form ("DWORD", "FLOAT", ...) to its type.
bool PrimFromName(std::string_view name, Prim& prim);

}  // namespace quilx
