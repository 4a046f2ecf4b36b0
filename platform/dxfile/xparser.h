// The parsed form of a .x file: templates, data objects with their packed data, children
// and references.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "dxfile.h"
#include "xlexer.h"

namespace quilx {

struct Template;

// One bound of an array member: a fixed count or the value of an earlier member.
struct Dim {
    uint32_t fixed = 0;
    int member = -1;  // index of the member that holds the count, or -1
};

struct Member {
    std::string name;
    bool isPrim = true;
    Prim prim = Prim::Void;
    std::shared_ptr<const Template> type;  // when not a primitive
    std::vector<Dim> dims;                 // empty: a single value
};

struct Template {
    enum class Kind { Closed, Open, Restricted };
    std::string name;
    GUID guid{};
    std::vector<Member> members;
    Kind kind = Kind::Closed;
    std::vector<std::string> allowedNames;
    std::vector<GUID> allowedGuids;
    int depth = 1;  // nesting depth of template-typed members
};

// Templates known by name and by GUID. A later declaration of a name replaces the earlier.
class TemplateSet {
public:
    std::shared_ptr<const Template> findName(std::string_view name) const;
    void add(std::shared_ptr<const Template> t);

private:
    std::map<std::string, std::shared_ptr<const Template>, std::less<>> byName_;
};

struct DataNode {
    struct MemberSpan {
        std::string name;
        uint32_t offset;
        uint32_t size;
    };
    struct Child {
        std::unique_ptr<DataNode> node;  // a nested data object, or
        std::string refName;             // a reference by name
        GUID refId{};
        bool refHasId = false;
    };

    std::shared_ptr<const Template> tmpl;
    std::string name;
    GUID id{};
    std::vector<uint8_t> data;
    std::vector<MemberSpan> members;
    std::vector<std::unique_ptr<char[]>> strings;  // the texts that string members point to
    std::vector<Child> children;
};

// A whole parsed file.
struct Document {
    std::vector<std::unique_ptr<DataNode>> top;
    std::unordered_map<std::string, const DataNode*> byName;  // first object of each name
    std::vector<const DataNode*> withId;

    // The object a reference names (by GUID when it has one, else by name), or null.
    const DataNode* resolve(const std::string& name, const GUID* id) const;
};

// Parses a whole .x file held in memory. Templates declared in it are added to `templates`;
// data objects go to `doc` (or are checked and dropped when doc is null).
HRESULT ParseXFile(const uint8_t* data, size_t size, TemplateSet& templates, Document* doc);

// The standard templates, built in to every file object.
const TemplateSet& StandardTemplates();

}  // namespace quilx
