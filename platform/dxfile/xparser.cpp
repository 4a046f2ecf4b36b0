// Parser for .x files: header, template declarations and data objects, for the text and
// binary forms alike (both arrive as one token stream from the Lexer).
#include "xparser.h"

#include <algorithm>
#include <cstring>

namespace quilx {

namespace {

constexpr int kMaxObjectDepth = 64;    // nesting of data objects
constexpr int kMaxTemplateDepth = 32;  // nesting of template-typed members

bool isIntegerPrim(Prim p) {
    return p == Prim::Word || p == Prim::Dword || p == Prim::Char || p == Prim::Uchar ||
           p == Prim::Sword || p == Prim::Sdword;
}

void put(std::vector<uint8_t>& out, const void* p, size_t n) {
    const uint8_t* b = static_cast<const uint8_t*>(p);
    out.insert(out.end(), b, b + n);
}

class Parser {
public:
    Parser(Lexer& lx, TemplateSet& ts, Document* doc) : lx_(lx), ts_(ts), doc_(doc) {}

    HRESULT run() {
        for (;;) {
            const Token& t = lx_.peek();
            HRESULT hr = S_OK;
            if (t.kind == Tok::End) return S_OK;
            if (t.kind == Tok::Template) {
                hr = parseTemplate();
            } else if (t.kind == Tok::Name) {
                std::unique_ptr<DataNode> node;
                hr = parseObject(node, 1);
                if (SUCCEEDED(hr) && doc_) doc_->top.push_back(std::move(node));
            } else {
                return DXFILEERR_PARSEERROR;
            }
            if (FAILED(hr)) return hr;
        }
    }

private:
    bool expect(Tok kind, Token* out = nullptr) {
        Token t = lx_.next();
        if (t.kind != kind) return false;
        if (out) *out = std::move(t);
        return true;
    }

    void skipSeparators() {
        while (lx_.peek().kind == Tok::Comma || lx_.peek().kind == Tok::Semicolon) lx_.skip();
    }

    // template Name { <guid> members [restrictions] }
    HRESULT parseTemplate() {
        lx_.next();
        auto t = std::make_shared<Template>();
        Token tok;
        if (!expect(Tok::Name, &tok)) return DXFILEERR_PARSEERROR;
        t->name = std::string(tok.text);
        if (!expect(Tok::OBrace) || !expect(Tok::Guid, &tok)) return DXFILEERR_PARSEERROR;
        t->guid = tok.guid;
        for (;;) {
            const Token& p = lx_.peek();
            if (p.kind == Tok::CBrace) {
                lx_.next();
                break;
            }
            if (p.kind == Tok::OBracket) {
                HRESULT hr = parseRestrictions(*t);
                if (FAILED(hr)) return hr;
                if (!expect(Tok::CBrace)) return DXFILEERR_PARSEERROR;
                break;
            }
            Member m;
            bool isArray = false;
            if (p.kind == Tok::Array) {
                lx_.next();
                isArray = true;
            }
            Token type = lx_.next();
            if (type.kind == Tok::Primitive) {
                if (type.prim == Prim::Void) return DXFILEERR_PARSEERROR;
                m.prim = type.prim;
            } else if (type.kind == Tok::Name) {
                m.isPrim = false;
                m.type = ts_.findName(type.text);
                if (!m.type) return DXFILEERR_NOTEMPLATE;
                if (m.type->depth + 1 > kMaxTemplateDepth) return DXFILEERR_PARSEERROR;
                t->depth = std::max(t->depth, m.type->depth + 1);
            } else {
                return DXFILEERR_PARSEERROR;
            }
            if (lx_.peek().kind == Tok::Name) m.name = std::string(lx_.next().text);
            if (isArray) {
                if (lx_.peek().kind != Tok::OBracket) return DXFILEERR_PARSEERROR;
                while (lx_.peek().kind == Tok::OBracket) {
                    lx_.next();
                    Token d = lx_.next();
                    Dim dim;
                    if (d.kind == Tok::Integer) {
                        dim.fixed = d.u;
                    } else if (d.kind == Tok::Name) {
                        for (size_t i = 0; i < t->members.size(); ++i) {
                            const Member& prev = t->members[i];
                            if (prev.name == d.text && prev.isPrim && prev.dims.empty() &&
                                isIntegerPrim(prev.prim))
                                dim.member = int(i);
                        }
                        if (dim.member < 0) return DXFILEERR_PARSEERROR;
                    } else {
                        return DXFILEERR_PARSEERROR;
                    }
                    if (!expect(Tok::CBracket)) return DXFILEERR_PARSEERROR;
                    m.dims.push_back(dim);
                }
            }
            if (!expect(Tok::Semicolon)) return DXFILEERR_PARSEERROR;
            t->members.push_back(std::move(m));
        }
        ts_.add(t);
        return S_OK;
    }

    // [ ... ] or [ Name <guid>, Name ... ]
    HRESULT parseRestrictions(Template& t) {
        lx_.next();
        if (lx_.peek().kind == Tok::Dot) {
            for (int i = 0; i < 3; ++i)
                if (!expect(Tok::Dot)) return DXFILEERR_PARSEERROR;
            if (!expect(Tok::CBracket)) return DXFILEERR_PARSEERROR;
            t.kind = Template::Kind::Open;
            return S_OK;
        }
        t.kind = Template::Kind::Restricted;
        for (;;) {
            Token tok = lx_.next();
            if (tok.kind == Tok::Name) {
                t.allowedNames.emplace_back(tok.text);
                if (lx_.peek().kind == Tok::Guid) t.allowedGuids.push_back(lx_.next().guid);
            } else if (tok.kind == Tok::Guid) {
                t.allowedGuids.push_back(tok.guid);
            } else {
                return DXFILEERR_PARSEERROR;
            }
            tok = lx_.next();
            if (tok.kind == Tok::CBracket) return S_OK;
            if (tok.kind != Tok::Comma) return DXFILEERR_PARSEERROR;
        }
    }

    static bool allows(const Template& parent, const Template& child) {
        if (parent.kind == Template::Kind::Open) return true;
        if (parent.kind == Template::Kind::Closed) return false;
        for (const std::string& n : parent.allowedNames)
            if (n == child.name) return true;
        for (const GUID& g : parent.allowedGuids)
            if (g == child.guid) return true;
        return false;
    }

    // Type [name] [<guid>] { [<guid>] data children }
    HRESULT parseObject(std::unique_ptr<DataNode>& out, int depth) {
        if (depth > kMaxObjectDepth) return DXFILEERR_PARSEERROR;
        Token type = lx_.next();
        auto node = std::make_unique<DataNode>();
        node->tmpl = ts_.findName(type.text);
        if (!node->tmpl) return DXFILEERR_BADTYPE;
        if (lx_.peek().kind == Tok::Name) node->name = std::string(lx_.next().text);
        if (lx_.peek().kind == Tok::Guid) node->id = lx_.next().guid;
        if (!expect(Tok::OBrace)) return DXFILEERR_PARSEERROR;
        if (lx_.peek().kind == Tok::Guid) node->id = lx_.next().guid;
        HRESULT hr = packStruct(*node->tmpl, *node, true);
        if (FAILED(hr)) return hr;
        for (;;) {
            skipSeparators();
            const Token& p = lx_.peek();
            if (p.kind == Tok::CBrace) {
                lx_.next();
                break;
            }
            DataNode::Child child;
            if (p.kind == Tok::OBrace) {
                lx_.next();
                bool any = false;
                if (lx_.peek().kind == Tok::Name) {
                    child.refName = std::string(lx_.next().text);
                    any = true;
                }
                if (lx_.peek().kind == Tok::Guid) {
                    child.refId = lx_.next().guid;
                    child.refHasId = true;
                    any = true;
                }
                if (!any || !expect(Tok::CBrace)) return DXFILEERR_PARSEERROR;
            } else if (p.kind == Tok::Name) {
                hr = parseObject(child.node, depth + 1);
                if (FAILED(hr)) return hr;
                if (!allows(*node->tmpl, *child.node->tmpl)) return DXFILEERR_BADOBJECT;
            } else {
                return DXFILEERR_PARSEERROR;
            }
            node->children.push_back(std::move(child));
        }
        if (doc_) {
            if (!node->name.empty()) doc_->byName.emplace(node->name, node.get());
            if (node->id != GUID{}) doc_->withId.push_back(node.get());
        }
        out = std::move(node);
        return S_OK;
    }

    // Reads the members of one instance of `t`, appending them packed to node.data.
    HRESULT packStruct(const Template& t, DataNode& node, bool topLevel) {
        // Values of the members so far, for the array sizes that name them.
        uint64_t small[16] = {};
        std::vector<uint64_t> large;
        if (t.members.size() > 16) large.assign(t.members.size(), 0);
        uint64_t* values = large.empty() ? small : large.data();
        for (size_t i = 0; i < t.members.size(); ++i) {
            const Member& m = t.members[i];
            const size_t start = node.data.size();
            if (m.dims.empty()) {
                HRESULT hr = readElement(m, node, &values[i]);
                if (FAILED(hr)) return hr;
            } else {
                uint64_t n = 1;
                for (const Dim& d : m.dims) {
                    n *= d.member >= 0 ? values[size_t(d.member)] : d.fixed;
                    if (n > 0xFFFFFFFFull) return DXFILEERR_BADARRAYSIZE;
                }
                for (uint64_t k = 0; k < n; ++k) {
                    const uint64_t before = lx_.consumed();
                    HRESULT hr = readElement(m, node, nullptr);
                    if (FAILED(hr)) return hr;
                    // An element that reads nothing (an empty template) needs no repeats.
                    if (lx_.consumed() == before) break;
                }
            }
            if (topLevel)
                node.members.push_back({m.name, uint32_t(start), uint32_t(node.data.size() - start)});
        }
        return S_OK;
    }

    HRESULT readElement(const Member& m, DataNode& node, uint64_t* value) {
        if (!m.isPrim) return packStruct(*m.type, node, false);
        return readScalar(m.prim, node, value);
    }

    HRESULT readScalar(Prim prim, DataNode& node, uint64_t* value) {
        skipSeparators();
        const Token& t = lx_.peek();
        if (t.kind == Tok::Error) return DXFILEERR_PARSEERROR;
        if (t.kind == Tok::End) return DXFILEERR_NOMOREDATA;
        lx_.skip();  // t stays readable until the next peek
        if (isIntegerPrim(prim)) {
            if (t.kind != Tok::Integer) return DXFILEERR_BADVALUE;
            if (value) *value = t.u;
            if (prim == Prim::Word || prim == Prim::Sword) {
                uint16_t v = uint16_t(t.u);
                put(node.data, &v, 2);
            } else if (prim == Prim::Char || prim == Prim::Uchar) {
                uint8_t v = uint8_t(t.u);
                put(node.data, &v, 1);
            } else {
                put(node.data, &t.u, 4);
            }
            return S_OK;
        }
        if (prim == Prim::Float || prim == Prim::Double) {
            double d;
            if (t.kind == Tok::Float)
                d = t.f;
            else if (t.kind == Tok::Integer)
                d = double(int32_t(t.u));
            else
                return DXFILEERR_BADVALUE;
            if (prim == Prim::Float) {
                float f = float(d);
                put(node.data, &f, 4);
            } else {
                put(node.data, &d, 8);
            }
            return S_OK;
        }
        if (prim == Prim::String) {
            if (t.kind != Tok::String) return DXFILEERR_BADVALUE;
            std::unique_ptr<char[]> s(new char[t.text.size() + 1]);
            std::memcpy(s.get(), t.text.data(), t.text.size());
            s[t.text.size()] = 0;
            const char* p = s.get();
            node.strings.push_back(std::move(s));
            put(node.data, &p, sizeof(p));
            return S_OK;
        }
        return DXFILEERR_BADVALUE;
    }

    Lexer& lx_;
    TemplateSet& ts_;
    Document* doc_;
};

}  // namespace

std::shared_ptr<const Template> TemplateSet::findName(std::string_view name) const {
    auto it = byName_.find(name);
    return it == byName_.end() ? nullptr : it->second;
}

void TemplateSet::add(std::shared_ptr<const Template> t) { byName_[t->name] = std::move(t); }

const DataNode* Document::resolve(const std::string& name, const GUID* id) const {
    if (id) {
        for (const DataNode* n : withId)
            if (n->id == *id) return n;
        if (name.empty()) return nullptr;
    }
    auto it = byName.find(name);
    return it == byName.end() ? nullptr : it->second;
}

HRESULT ParseXFile(const uint8_t* data, size_t size, TemplateSet& templates, Document* doc) {
    if (!data || size < 16 || std::memcmp(data, "xof ", 4) != 0) return DXFILEERR_BADFILETYPE;
    if (std::memcmp(data + 4, "03", 2) != 0 ||
        (std::memcmp(data + 6, "02", 2) != 0 && std::memcmp(data + 6, "03", 2) != 0))
        return DXFILEERR_BADFILEVERSION;
    bool binary;
    if (std::memcmp(data + 8, "txt ", 4) == 0)
        binary = false;
    else if (std::memcmp(data + 8, "bin ", 4) == 0)
        binary = true;
    else if (std::memcmp(data + 8, "tzip", 4) == 0 || std::memcmp(data + 8, "bzip", 4) == 0)
        return DXFILEERR_BADFILECOMPRESSIONTYPE;
    else
        return DXFILEERR_BADFILETYPE;
    bool doubles;
    if (std::memcmp(data + 12, "0032", 4) == 0)
        doubles = false;
    else if (std::memcmp(data + 12, "0064", 4) == 0)
        doubles = true;
    else
        return DXFILEERR_BADFILEFLOATSIZE;
    Lexer lx(data + 16, size - 16, binary, doubles);
    Parser p(lx, templates, doc);
    return p.run();
}

}  // namespace quilx
