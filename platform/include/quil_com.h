// What the platform's COM objects share: answering QueryInterface, and a
// reference count that starts at one and deletes the object at zero.
#pragma once
#include <atomic>

#include "objbase.h"

namespace quil_com {

// Answers for IUnknown and the given interface ids: object (passed as the interface
// pointer to hand out) with a new reference; anything else gets E_NOINTERFACE and null.
template <class Object, class... Ids>
HRESULT Answer(Object* object, REFIID iid, void** out, const Ids&... ids) {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || ((iid == ids) || ...)) {
        *out = object;
        object->AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

// An implementation of Interface whose reference count starts at one; the last
// Release deletes it. Safe to count from several threads.
template <class Interface>
class RefCounted : public Interface {
public:
    ULONG AddRef() override { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
    ULONG Release() override {
        const ULONG left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0) delete this;
        return left;
    }

private:
    std::atomic<ULONG> refs_{1};
};

}  // namespace quil_com
