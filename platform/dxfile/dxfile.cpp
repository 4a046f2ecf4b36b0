// The DirectX File objects: the file object, its enumerator, data objects and references.
#include "dxfile.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "quil_com.h"
#include "quil_path.h"
#include "xparser.h"

namespace {

using quilx::DataNode;
using quilx::Document;

constexpr long kMaxFileSize = 256L * 1024 * 1024;

using quil_com::RefCounted;

// Writes a name the way GetName reports it: the length with the terminator when no buffer
// is given, else the text (or an error when the buffer is too small).
HRESULT copyName(const std::string& name, LPSTR buffer, LPDWORD length) {
    if (!length) return DXFILEERR_BADVALUE;
    const DWORD need = name.empty() ? 0 : DWORD(name.size() + 1);
    if (!buffer) {
        *length = need;
        return DXFILE_OK;
    }
    if (need == 0) {
        if (*length > 0) buffer[0] = '\0';
        *length = 0;
        return DXFILE_OK;
    }
    if (*length < need) return DXFILEERR_BADVALUE;
    std::memcpy(buffer, name.c_str(), need);
    *length = need;
    return DXFILE_OK;
}

class XData : public RefCounted<IDirectXFileData> {
public:
    XData(std::shared_ptr<const Document> doc, const DataNode* node) : doc_(std::move(doc)), node_(node) {}

    HRESULT QueryInterface(REFIID iid, void** out) override {
        return quil_com::Answer(static_cast<IDirectXFileData*>(this), iid, out, IID_IDirectXFileObject, IID_IDirectXFileData);
    }
    HRESULT GetName(LPSTR name, LPDWORD length) override { return copyName(node_->name, name, length); }
    HRESULT GetId(LPGUID id) override {
        if (!id) return DXFILEERR_BADVALUE;
        *id = node_->id;
        return DXFILE_OK;
    }
    HRESULT GetData(LPCSTR member, DWORD* size, void** data) override {
        if (!size || !data) return DXFILEERR_BADVALUE;
        if (!member) {
            *size = DWORD(node_->data.size());
            *data = const_cast<uint8_t*>(node_->data.data());
            return DXFILE_OK;
        }
        for (const DataNode::MemberSpan& m : node_->members) {
            if (m.name == member) {
                *size = m.size;
                *data = const_cast<uint8_t*>(node_->data.data() + m.offset);
                return DXFILE_OK;
            }
        }
        return DXFILEERR_BADDATAREFERENCE;
    }
    HRESULT GetType(const GUID** type) override {
        if (!type) return DXFILEERR_BADVALUE;
        *type = &node_->tmpl->guid;
        return DXFILE_OK;
    }
    HRESULT GetNextObject(LPDIRECTXFILEOBJECT* child) override;

private:
    std::shared_ptr<const Document> doc_;
    const DataNode* node_;
    size_t next_ = 0;
};

class XReference : public RefCounted<IDirectXFileDataReference> {
public:
    XReference(std::shared_ptr<const Document> doc, const DataNode::Child* ref) : doc_(std::move(doc)), ref_(ref) {}

    HRESULT QueryInterface(REFIID iid, void** out) override {
        return quil_com::Answer(static_cast<IDirectXFileDataReference*>(this), iid, out, IID_IDirectXFileObject, IID_IDirectXFileDataReference);
    }
    HRESULT GetName(LPSTR name, LPDWORD length) override {
        const DataNode* target = doc_->resolve(ref_->refName, ref_->refHasId ? &ref_->refId : nullptr);
        return copyName(target ? target->name : ref_->refName, name, length);
    }
    HRESULT GetId(LPGUID id) override {
        if (!id) return DXFILEERR_BADVALUE;
        const DataNode* target = doc_->resolve(ref_->refName, ref_->refHasId ? &ref_->refId : nullptr);
        *id = target ? target->id : ref_->refId;
        return DXFILE_OK;
    }
    HRESULT Resolve(LPDIRECTXFILEDATA* out) override {
        if (!out) return DXFILEERR_BADVALUE;
        *out = nullptr;
        const DataNode* target = doc_->resolve(ref_->refName, ref_->refHasId ? &ref_->refId : nullptr);
        if (!target) return DXFILEERR_BADDATAREFERENCE;
        *out = new XData(doc_, target);
        return DXFILE_OK;
    }

private:
    std::shared_ptr<const Document> doc_;
    const DataNode::Child* ref_;
};

HRESULT XData::GetNextObject(LPDIRECTXFILEOBJECT* child) {
    if (!child) return DXFILEERR_BADVALUE;
    *child = nullptr;
    if (next_ >= node_->children.size()) return DXFILEERR_NOMOREOBJECTS;
    const DataNode::Child& c = node_->children[next_++];
    if (c.node)
        *child = new XData(doc_, c.node.get());
    else
        *child = new XReference(doc_, &c);
    return DXFILE_OK;
}

class XEnum : public RefCounted<IDirectXFileEnumObject> {
public:
    explicit XEnum(std::shared_ptr<const Document> doc) : doc_(std::move(doc)) {}

    HRESULT QueryInterface(REFIID iid, void** out) override {
        return quil_com::Answer(static_cast<IDirectXFileEnumObject*>(this), iid, out, IID_IDirectXFileEnumObject);
    }
    HRESULT GetNextDataObject(LPDIRECTXFILEDATA* out) override {
        if (!out) return DXFILEERR_BADVALUE;
        *out = nullptr;
        if (next_ >= doc_->top.size()) return DXFILEERR_NOMOREOBJECTS;
        *out = new XData(doc_, doc_->top[next_++].get());
        return DXFILE_OK;
    }

private:
    std::shared_ptr<const Document> doc_;
    size_t next_ = 0;
};

// Reads a whole file, refusing one that is missing or unreasonably large.
HRESULT readFile(const char* name, std::vector<uint8_t>& out) {
    struct stat st;
    const std::string path = name && *name ? quil_platform::ResolvePath(name) : std::string();
    if (path.empty() || stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return DXFILEERR_FILENOTFOUND;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return DXFILEERR_FILENOTFOUND;
    HRESULT hr = DXFILE_OK;
    long size = -1;
    if (std::fseek(f, 0, SEEK_END) == 0) size = std::ftell(f);
    if (size < 0 || size > kMaxFileSize || std::fseek(f, 0, SEEK_SET) != 0) {
        hr = DXFILEERR_BADFILE;
    } else {
        out.resize(size_t(size));
        if (size > 0 && std::fread(out.data(), 1, out.size(), f) != out.size()) hr = DXFILEERR_BADFILE;
    }
    std::fclose(f);
    return hr;
}

class XFile : public RefCounted<IDirectXFile> {
public:
    XFile() : templates_(quilx::StandardTemplates()) {}

    HRESULT QueryInterface(REFIID iid, void** out) override {
        return quil_com::Answer(static_cast<IDirectXFile*>(this), iid, out, IID_IDirectXFile);
    }

    HRESULT CreateEnumObject(LPVOID source, DXFILELOADOPTIONS options, LPDIRECTXFILEENUMOBJECT* out) override {
        if (!out) return DXFILEERR_BADVALUE;
        *out = nullptr;
        if (!source) return DXFILEERR_BADVALUE;
        std::vector<uint8_t> bytes;
        const uint8_t* data = nullptr;
        size_t size = 0;
        if (options == DXFILELOAD_FROMFILE) {
            HRESULT hr = readFile(static_cast<const char*>(source), bytes);
            if (FAILED(hr)) return hr;
            data = bytes.data();
            size = bytes.size();
        } else if (options == DXFILELOAD_FROMMEMORY) {
            const DXFILELOADMEMORY* mem = static_cast<const DXFILELOADMEMORY*>(source);
            if (!mem->lpMemory) return DXFILEERR_BADVALUE;
            data = static_cast<const uint8_t*>(mem->lpMemory);
            size = mem->dSize;
        } else {
            return DXFILEERR_BADVALUE;
        }
        // Templates declared in the file are known within that file only.
        quilx::TemplateSet local = templates_;
        auto doc = std::make_shared<Document>();
        HRESULT hr = quilx::ParseXFile(data, size, local, doc.get());
        if (FAILED(hr)) return hr;
        *out = new XEnum(std::move(doc));
        return DXFILE_OK;
    }

    HRESULT RegisterTemplates(LPVOID data, DWORD size) override {
        if (!data) return DXFILEERR_BADVALUE;
        quilx::TemplateSet updated = templates_;
        HRESULT hr = quilx::ParseXFile(static_cast<const uint8_t*>(data), size, updated, nullptr);
        if (FAILED(hr)) return hr;
        templates_ = std::move(updated);
        return DXFILE_OK;
    }

private:
    quilx::TemplateSet templates_;
};

}  // namespace

HRESULT DirectXFileCreate(LPDIRECTXFILE* out) {
    if (!out) return DXFILEERR_BADVALUE;
    *out = new XFile();
    return DXFILE_OK;
}
