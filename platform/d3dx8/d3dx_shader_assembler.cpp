// The vs.1.1 vertex-shader assembler: text in, Direct3D 8 shader tokens out.
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "d3dx_internal.h"
#include "quil_path.h"

namespace {

constexpr int kMaxTemps = 12;
constexpr int kMaxInputs = 16;
constexpr int kMaxConsts = 96;
constexpr int kMaxColorOut = 2;
constexpr int kMaxTexOut = 8;
constexpr int kMaxSlots = 128;

struct OpInfo {
    const char* name;
    DWORD opcode;
    int sources;      // number of source operands
    bool dest;        // has a destination operand
    DWORD fixedMask;  // write mask the instruction always uses (0: any)
    int matrixRows;   // consecutive registers read through the second source (matrix macros)
};

const OpInfo kOps[] = {
    {"nop", D3DSIO_NOP, 0, false, 0, 0},
    {"mov", D3DSIO_MOV, 1, true, 0, 0},
    {"add", D3DSIO_ADD, 2, true, 0, 0},
    {"sub", D3DSIO_SUB, 2, true, 0, 0},
    {"mad", D3DSIO_MAD, 3, true, 0, 0},
    {"mul", D3DSIO_MUL, 2, true, 0, 0},
    {"rcp", D3DSIO_RCP, 1, true, 0, 0},
    {"rsq", D3DSIO_RSQ, 1, true, 0, 0},
    {"dp3", D3DSIO_DP3, 2, true, 0, 0},
    {"dp4", D3DSIO_DP4, 2, true, 0, 0},
    {"min", D3DSIO_MIN, 2, true, 0, 0},
    {"max", D3DSIO_MAX, 2, true, 0, 0},
    {"slt", D3DSIO_SLT, 2, true, 0, 0},
    {"sge", D3DSIO_SGE, 2, true, 0, 0},
    {"exp", D3DSIO_EXP, 1, true, 0, 0},
    {"log", D3DSIO_LOG, 1, true, 0, 0},
    {"lit", D3DSIO_LIT, 1, true, 0, 0},
    {"dst", D3DSIO_DST, 2, true, 0, 0},
    {"frc", D3DSIO_FRC, 1, true, 0, 0},
    {"expp", D3DSIO_EXPP, 1, true, 0, 0},
    {"logp", D3DSIO_LOGP, 1, true, 0, 0},
    {"m4x4", D3DSIO_M4x4, 2, true, D3DSP_WRITEMASK_ALL, 4},
    {"m4x3", D3DSIO_M4x3, 2, true, D3DSP_WRITEMASK_0 | D3DSP_WRITEMASK_1 | D3DSP_WRITEMASK_2, 3},
    {"m3x4", D3DSIO_M3x4, 2, true, D3DSP_WRITEMASK_ALL, 4},
    {"m3x3", D3DSIO_M3x3, 2, true, D3DSP_WRITEMASK_0 | D3DSP_WRITEMASK_1 | D3DSP_WRITEMASK_2, 3},
    {"m3x2", D3DSIO_M3x2, 2, true, D3DSP_WRITEMASK_0 | D3DSP_WRITEMASK_1, 2},
};

// One parsed register reference.
struct Operand {
    DWORD type = 0;
    DWORD index = 0;
    bool relative = false;
    bool negate = false;
    DWORD mask = D3DSP_WRITEMASK_ALL;  // destinations
    bool maskGiven = false;
    DWORD swizzle = 0xE4;              // sources: two bits per component, x in the low bits
};

std::string Lower(std::string s) {
    for (char& c : s) c = (char)std::tolower((unsigned char)c);
    return s;
}

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && std::isspace((unsigned char)s[b])) ++b;
    while (e > b && std::isspace((unsigned char)s[e - 1])) --e;
    return s.substr(b, e - b);
}

// Parses a whole decimal integer; false unless s is all digits.
bool ParseInt(const std::string& s, long& out) {
    if (s.empty() || s.size() > 6) return false;
    for (char c : s)
        if (!std::isdigit((unsigned char)c)) return false;
    out = std::strtol(s.c_str(), nullptr, 10);
    return true;
}

int ComponentIndex(char c) {
    switch (c) {
        case 'x': case 'r': return 0;
        case 'y': case 'g': return 1;
        case 'z': case 'b': return 2;
        case 'w': case 'a': return 3;
        default: return -1;
    }
}

class Assembler {
public:
    Assembler(const char* name) : name_(name ? name : "(memory)") {}

    bool Run(const char* text, size_t length) {
        size_t pos = 0;
        unsigned line = 0;
        bool inBlockComment = false;
        while (pos < length && text[pos] != '\0') {
            size_t end = pos;
            while (end < length && text[end] != '\n' && text[end] != '\0') ++end;
            ++line;
            std::string raw(text + pos, end - pos);
            pos = (end < length && text[end] == '\n') ? end + 1 : end;
            line_ = line;
            Statement(StripComments(raw, inBlockComment));
        }
        if (!sawVersion_) Error(line_ ? line_ : 1, "the shader has no vs.1.1 version statement");
        else if (errors_.empty() && !positionWritten_) Error(line_, "oPos is never written");
        tokens_.push_back(D3DVS_END());
        return errors_.empty();
    }

    std::vector<DWORD> tokens_;
    std::vector<DWORD> constants_;
    std::string errors_;

private:
    std::string StripComments(const std::string& raw, bool& inBlock) {
        std::string out;
        for (size_t i = 0; i < raw.size(); ++i) {
            if (inBlock) {
                if (raw[i] == '*' && i + 1 < raw.size() && raw[i + 1] == '/') {
                    inBlock = false;
                    ++i;
                }
                continue;
            }
            if (raw[i] == ';') break;
            if (raw[i] == '/' && i + 1 < raw.size() && raw[i + 1] == '/') break;
            if (raw[i] == '/' && i + 1 < raw.size() && raw[i + 1] == '*') {
                inBlock = true;
                ++i;
                out += ' ';
                continue;
            }
            out += (raw[i] == '\r' || raw[i] == '\t') ? ' ' : raw[i];
        }
        return Trim(out);
    }

    void Error(unsigned line, const std::string& reason) {
        errors_ += name_ + "(" + std::to_string(line) + "): error: " + reason + "\n";
    }
    void Error(const std::string& reason) { Error(line_, reason); }

    void Statement(const std::string& text) {
        if (text.empty()) return;
        size_t sp = 0;
        while (sp < text.size() && !std::isspace((unsigned char)text[sp])) ++sp;
        std::string mnemonic = Lower(text.substr(0, sp));
        std::string rest = Trim(text.substr(sp));

        if (mnemonic == "vs.1.1" || mnemonic == "vs_1_1" || mnemonic == "vs.1.0" || mnemonic == "vs_1_0") {
            if (sawVersion_) return Error("a second version statement");
            if (!rest.empty()) return Error("unexpected text after the version statement: '" + rest + "'");
            sawVersion_ = true;
            tokens_.insert(tokens_.begin(), D3DVS_VERSION(1, mnemonic.back() == '1' ? 1 : 0));
            return;
        }
        if (mnemonic[0] == '#') return Error("preprocessor directives are not supported: '" + mnemonic + "'");
        if (!sawVersion_) {
            sawVersion_ = true;  // report once, then check the rest of the text
            tokens_.insert(tokens_.begin(), D3DVS_VERSION(1, 1));
            Error("the shader must begin with vs.1.1");
        }

        std::vector<std::string> args = SplitOperands(rest);
        if (mnemonic == "def") return Define(args);

        const OpInfo* op = nullptr;
        for (const OpInfo& o : kOps)
            if (mnemonic == o.name) op = &o;
        if (!op) return Error("unknown instruction '" + mnemonic + "'");

        size_t expected = (size_t)op->sources + (op->dest ? 1 : 0);
        if (args.size() != expected) {
            return Error("'" + mnemonic + "' takes " + std::to_string(expected) + " operands, " +
                         std::to_string(args.size()) + " given");
        }

        std::vector<DWORD> out;
        out.push_back(op->opcode);
        Operand dst;
        std::vector<Operand> srcs;
        if (op->dest) {
            if (!ParseDest(args[0], *op, dst)) return;
            out.push_back(DestToken(dst));
        }
        for (int i = 0; i < op->sources; ++i) {
            Operand s;
            if (!ParseSource(args[(op->dest ? 1 : 0) + i], s)) return;
            srcs.push_back(s);
            out.push_back(SourceToken(s));
        }
        if (!CheckReadLimits(*op, srcs)) return;
        if (!CheckTempsWritten(*op, srcs)) return;
        if (op->matrixRows && dst.type == srcs[0].type && dst.index == srcs[0].index && !srcs[0].relative)
            return Error("the destination of '" + mnemonic + "' must differ from its first source");

        slots_ += op->matrixRows ? op->matrixRows : 1;
        if (slots_ > kMaxSlots && !reportedSlots_) {
            reportedSlots_ = true;
            return Error("more than 128 instruction slots");
        }
        tokens_.insert(tokens_.end(), out.begin(), out.end());
        if (op->dest && dst.type == D3DSPR_TEMP) tempWritten_[dst.index] = true;
        if (op->dest && dst.type == D3DSPR_RASTOUT && dst.index == D3DSRO_POSITION) positionWritten_ = true;
    }

    // A temporary register must be written before any instruction reads it.
    bool CheckTempsWritten(const OpInfo& info, const std::vector<Operand>& srcs) {
        for (size_t i = 0; i < srcs.size(); ++i) {
            if (srcs[i].type != D3DSPR_TEMP) continue;
            DWORD rows = (info.matrixRows && i == 1) ? (DWORD)info.matrixRows : 1;
            for (DWORD k = 0; k < rows; ++k) {
                if (!tempWritten_[srcs[i].index + k]) {
                    Error("r" + std::to_string(srcs[i].index + k) + " is read before it is written");
                    return false;
                }
            }
        }
        return true;
    }

    std::vector<std::string> SplitOperands(const std::string& rest) {
        std::vector<std::string> args;
        if (rest.empty()) return args;
        size_t start = 0;
        for (;;) {
            size_t comma = rest.find(',', start);
            args.push_back(Trim(rest.substr(start, comma == std::string::npos ? std::string::npos : comma - start)));
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
        return args;
    }

    // def cN, f0, f1, f2, f3: becomes a D3DVSD_CONST declaration fragment.
    void Define(const std::vector<std::string>& args) {
        if (args.size() != 5) return Error("'def' takes a constant register and four values");
        std::string reg = Lower(args[0]);
        long index = 0;
        if (reg.size() < 2 || reg[0] != 'c' || !ParseInt(reg.substr(1), index))
            return Error("'def' needs a constant register such as c4, not '" + args[0] + "'");
        if (index >= kMaxConsts) return Error("constant register " + args[0] + " is out of range (c0..c95)");
        DWORD values[4];
        for (int i = 0; i < 4; ++i) {
            std::string v = args[1 + i];
            if (!v.empty() && (v.back() == 'f' || v.back() == 'F')) v.pop_back();
            char* end = nullptr;
            float f = std::strtof(v.c_str(), &end);
            if (v.empty() || *end != '\0') return Error("'" + args[1 + i] + "' is not a number");
            std::memcpy(&values[i], &f, 4);
        }
        constants_.push_back(D3DVSD_CONST(index, 1));
        constants_.insert(constants_.end(), values, values + 4);
    }

    // Reads the register name and index (including c[...] forms); text is lower case.
    bool ParseRegister(const std::string& original, const std::string& text, Operand& op, std::string& suffix) {
        size_t i = 0;
        auto takeDigits = [&](long& value) -> bool {
            size_t b = i;
            while (i < text.size() && std::isdigit((unsigned char)text[i])) ++i;
            return ParseInt(text.substr(b, i - b), value);
        };
        long n = 0;
        auto startsWith = [&](const char* p) { return text.compare(0, std::strlen(p), p) == 0; };
        if (startsWith("opos")) {
            op.type = D3DSPR_RASTOUT, op.index = D3DSRO_POSITION, i = 4;
        } else if (startsWith("ofog")) {
            op.type = D3DSPR_RASTOUT, op.index = D3DSRO_FOG, i = 4;
        } else if (startsWith("opts")) {
            op.type = D3DSPR_RASTOUT, op.index = D3DSRO_POINT_SIZE, i = 4;
        } else if (startsWith("od")) {
            i = 2;
            if (!takeDigits(n) || n >= kMaxColorOut) return Bad(original, "colour outputs are oD0 and oD1");
            op.type = D3DSPR_ATTROUT, op.index = (DWORD)n;
        } else if (startsWith("ot")) {
            i = 2;
            if (!takeDigits(n) || n >= kMaxTexOut) return Bad(original, "texture outputs are oT0..oT7");
            op.type = D3DSPR_TEXCRDOUT, op.index = (DWORD)n;
        } else if (startsWith("a0")) {
            op.type = D3DSPR_ADDR, op.index = 0, i = 2;
        } else if (startsWith("r")) {
            i = 1;
            if (!takeDigits(n) || n >= kMaxTemps) return Bad(original, "temporary registers are r0..r11");
            op.type = D3DSPR_TEMP, op.index = (DWORD)n;
        } else if (startsWith("v")) {
            i = 1;
            if (!takeDigits(n) || n >= kMaxInputs) return Bad(original, "input registers are v0..v15");
            op.type = D3DSPR_INPUT, op.index = (DWORD)n;
        } else if (startsWith("c")) {
            i = 1;
            op.type = D3DSPR_CONST;
            long base = 0;
            bool haveBase = false;
            if (i < text.size() && std::isdigit((unsigned char)text[i])) {
                if (!takeDigits(base)) return Bad(original, "bad constant register number");
                haveBase = true;
            }
            if (i < text.size() && text[i] == '[') {
                size_t close = text.find(']', i);
                if (close == std::string::npos) return Bad(original, "missing ']'");
                if (!ParseIndexExpression(original, text.substr(i + 1, close - i - 1), op, base)) return false;
                i = close + 1;
            } else if (!haveBase) {
                return Bad(original, "a constant register needs a number");
            }
            if (base >= kMaxConsts) return Bad(original, "constant registers are c0..c95");
            op.index = (DWORD)base;
        } else {
            return Bad(original, "unknown register");
        }
        suffix = text.substr(i);
        return true;
    }

    // The inside of c[...]: a0.x, an offset, or both joined by '+'.
    bool ParseIndexExpression(const std::string& original, const std::string& expr, Operand& op, long& base) {
        std::string e;
        for (char c : expr)
            if (!std::isspace((unsigned char)c)) e += c;
        if (e.empty()) return Bad(original, "empty register index");
        size_t start = 0;
        bool sawOffset = false;
        for (;;) {
            size_t plus = e.find('+', start);
            std::string term = e.substr(start, plus == std::string::npos ? std::string::npos : plus - start);
            long value = 0;
            if (term == "a0.x" || term == "a0") {
                if (op.relative) return Bad(original, "a0.x appears twice in the index");
                op.relative = true;
            } else if (ParseInt(term, value)) {
                if (sawOffset) return Bad(original, "two offsets in the index");
                sawOffset = true;
                base += value;
            } else {
                return Bad(original, "the index may only hold a0.x and a number");
            }
            if (plus == std::string::npos) break;
            start = plus + 1;
        }
        return true;
    }

    bool Bad(const std::string& operand, const std::string& reason) {
        Error("'" + operand + "': " + reason);
        return false;
    }

    bool ParseDest(const std::string& text, const OpInfo& info, Operand& op) {
        std::string t = Lower(text), suffix;
        if (!t.empty() && t[0] == '-') return Bad(text, "a destination cannot be negated");
        if (!ParseRegister(text, t, op, suffix)) return false;
        if (op.type == D3DSPR_INPUT || op.type == D3DSPR_CONST) return Bad(text, "input and constant registers cannot be written");
        if (op.relative) return Bad(text, "a destination cannot be indexed");
        if (!suffix.empty()) {
            if (suffix[0] != '.' || suffix.size() < 2 || suffix.size() > 5) return Bad(text, "bad write mask");
            DWORD mask = 0;
            int last = -1;
            for (size_t k = 1; k < suffix.size(); ++k) {
                int c = ComponentIndex(suffix[k]);
                if (c < 0) return Bad(text, "bad write mask");
                if (c <= last) return Bad(text, "write-mask components must be in x, y, z, w order without repeats");
                last = c;
                mask |= D3DSP_WRITEMASK_0 << c;
            }
            op.mask = mask;
            op.maskGiven = true;
        }
        if (op.type == D3DSPR_ADDR) {
            if (info.opcode != D3DSIO_MOV) return Bad(text, "only mov can write the address register");
            if (op.maskGiven && op.mask != D3DSP_WRITEMASK_0) return Bad(text, "the address register is written as a0.x");
            op.mask = D3DSP_WRITEMASK_0;
        }
        if (info.fixedMask) {
            if (op.maskGiven && op.mask != info.fixedMask) return Bad(text, std::string("'") + info.name + "' writes " + MaskText(info.fixedMask) + " only");
            op.mask = info.fixedMask;
        }
        return true;
    }

    static std::string MaskText(DWORD mask) {
        std::string s = ".";
        const char* names = "xyzw";
        for (int c = 0; c < 4; ++c)
            if (mask & (D3DSP_WRITEMASK_0 << c)) s += names[c];
        return s;
    }

    bool ParseSource(const std::string& text, Operand& op) {
        std::string t = Lower(text), suffix;
        if (!t.empty() && t[0] == '-') {
            op.negate = true;
            t = Trim(t.substr(1));
        }
        if (!ParseRegister(text, t, op, suffix)) return false;
        if (op.type == D3DSPR_RASTOUT || op.type == D3DSPR_ATTROUT || op.type == D3DSPR_TEXCRDOUT)
            return Bad(text, "output registers cannot be read");
        if (op.type == D3DSPR_ADDR) return Bad(text, "a0 can only be used as an index");
        if (!suffix.empty()) {
            if (suffix[0] != '.' || suffix.size() < 2 || suffix.size() > 5) return Bad(text, "bad swizzle");
            int comps[4];
            size_t n = suffix.size() - 1;
            for (size_t k = 0; k < n; ++k) {
                comps[k] = ComponentIndex(suffix[1 + k]);
                if (comps[k] < 0) return Bad(text, "bad swizzle");
            }
            for (size_t k = n; k < 4; ++k) comps[k] = comps[n - 1];  // the last one repeats
            op.swizzle = (DWORD)(comps[0] | (comps[1] << 2) | (comps[2] << 4) | (comps[3] << 6));
        }
        return true;
    }

    // vs.1.1 reads at most one constant and one input register per instruction.
    bool CheckReadLimits(const OpInfo& info, const std::vector<Operand>& srcs) {
        const Operand* constReg = nullptr;
        const Operand* inputReg = nullptr;
        for (const Operand& s : srcs) {
            if (s.type == D3DSPR_CONST) {
                if (constReg && (constReg->index != s.index || constReg->relative != s.relative)) {
                    Error(std::string("'") + info.name + "' reads more than one constant register");
                    return false;
                }
                constReg = &s;
            } else if (s.type == D3DSPR_INPUT) {
                if (inputReg && inputReg->index != s.index) {
                    Error(std::string("'") + info.name + "' reads more than one input register");
                    return false;
                }
                inputReg = &s;
            }
        }
        if (info.matrixRows && srcs.size() == 2 && srcs[1].type == D3DSPR_CONST && !srcs[1].relative &&
            srcs[1].index + info.matrixRows > (DWORD)kMaxConsts) {
            Error(std::string("the matrix of '") + info.name + "' runs past c95");
            return false;
        }
        if (info.matrixRows && srcs.size() == 2 && srcs[1].type == D3DSPR_TEMP &&
            srcs[1].index + info.matrixRows > (DWORD)kMaxTemps) {
            Error(std::string("the matrix of '") + info.name + "' runs past r11");
            return false;
        }
        return true;
    }

    static DWORD DestToken(const Operand& op) {
        return D3DSP_PARAMTOKEN_MARK | ((op.type << D3DSP_REGTYPE_SHIFT) & D3DSP_REGTYPE_MASK) |
               (op.index & D3DSP_REGNUM_MASK) | op.mask;
    }

    static DWORD SourceToken(const Operand& op) {
        return D3DSP_PARAMTOKEN_MARK | ((op.type << D3DSP_REGTYPE_SHIFT) & D3DSP_REGTYPE_MASK) |
               (op.index & D3DSP_REGNUM_MASK) | (op.swizzle << D3DVS_SWIZZLE_SHIFT) |
               (op.negate ? (DWORD)D3DSPSM_NEG : (DWORD)D3DSPSM_NONE) |
               (op.relative ? (DWORD)D3DVS_ADDRMODE_RELATIVE : (DWORD)D3DVS_ADDRMODE_ABSOLUTE);
    }

    std::string name_;
    unsigned line_ = 0;
    bool sawVersion_ = false;
    int slots_ = 0;
    bool reportedSlots_ = false;
    bool tempWritten_[kMaxTemps] = {};
    bool positionWritten_ = false;
};

}  // namespace

namespace quil_d3dx {

bool AssembleVertexShader(const char* text, size_t length, const char* sourceName, std::vector<DWORD>& tokens,
                          std::vector<DWORD>& constants, std::string& errors) {
    Assembler a(sourceName);
    bool ok = a.Run(text, length);
    tokens.swap(a.tokens_);
    constants.swap(a.constants_);
    errors.swap(a.errors_);
    return ok;
}

HRESULT FinishAssembly(const char* text, size_t length, const char* sourceName, LPD3DXBUFFER* constants,
                       LPD3DXBUFFER* compiledShader, LPD3DXBUFFER* errors) {
    if (constants) *constants = nullptr;
    if (compiledShader) *compiledShader = nullptr;
    if (errors) *errors = nullptr;
    if (!text) return ReportError(errors, "no shader text\n", D3DERR_INVALIDCALL);

    std::vector<DWORD> tokens, consts;
    std::string errorText;
    if (!AssembleVertexShader(text, length, sourceName, tokens, consts, errorText))
        return ReportError(errors, errorText, D3DXERR_INVALIDDATA);

    if (compiledShader) {
        *compiledShader = MakeBuffer(tokens.data(), tokens.size() * sizeof(DWORD));
        if (!*compiledShader) return E_OUTOFMEMORY;
    }
    if (constants && !consts.empty()) {
        *constants = MakeBuffer(consts.data(), consts.size() * sizeof(DWORD));
        if (!*constants) {
            if (compiledShader) {
                (*compiledShader)->Release();
                *compiledShader = nullptr;
            }
            return E_OUTOFMEMORY;
        }
    }
    return S_OK;
}

}  // namespace quil_d3dx

HRESULT D3DXAssembleShader(LPCVOID srcData, UINT srcDataLen, DWORD flags, LPD3DXBUFFER* constants,
                           LPD3DXBUFFER* compiledShader, LPD3DXBUFFER* errors) {
    (void)flags;
    return quil_d3dx::FinishAssembly(static_cast<const char*>(srcData), srcDataLen, nullptr, constants,
                                     compiledShader, errors);
}

HRESULT D3DXAssembleShaderFromFileA(LPCSTR srcFile, DWORD flags, LPD3DXBUFFER* constants,
                                    LPD3DXBUFFER* compiledShader, LPD3DXBUFFER* errors) {
    (void)flags;
    if (constants) *constants = nullptr;
    if (compiledShader) *compiledShader = nullptr;
    if (errors) *errors = nullptr;
    if (!srcFile) return quil_d3dx::ReportError(errors, "no file name\n", D3DERR_INVALIDCALL);
    FILE* f = quil_platform::OpenFile(srcFile, "rb");
    if (!f) return quil_d3dx::ReportError(errors, std::string(srcFile) + ": error: cannot open the file\n", E_FAIL);
    std::string text;
    char chunk[4096];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
        text.append(chunk, got);
        if (text.size() > (16u << 20)) {
            std::fclose(f);
            return quil_d3dx::ReportError(errors, std::string(srcFile) + ": error: the file is too large\n",
                                          D3DXERR_INVALIDDATA);
        }
    }
    std::fclose(f);
    return quil_d3dx::FinishAssembly(text.data(), text.size(), srcFile, constants, compiledShader, errors);
}
