// Files loaded once per run and shared by every user: each entry holds the loaded
// device object with one reference of the cache's own, or remembers that the file
// could not be loaded so that the failure is reported only once.
#pragma once
#include <cstddef>
#include <string>
#include <unordered_map>

#include "objbase.h"

class ResourceCache {
public:
    // The key of a file name: either separator, any case.
    static std::string Key(const char* file);

    // A known file: its object with a new reference for the caller (null when the
    // file failed) and true. An unknown file: null and false.
    IUnknown* Find(const char* file, bool* known);
    // Records what loading the file gave; the cache takes over the caller's
    // reference (null records a failure).
    void Add(const char* file, IUnknown* object);
    // Drops the cache's references (the device is going); failures stay known.
    // An object whose users have all released it is freed here, the others with
    // their last user.
    void ReleaseObjects();
    // Whether a load's failure lies with the file (missing or damaged: remembered)
    // rather than with the device or memory (worth another try).
    static bool FileAtFault(HRESULT hr);
    // Entries holding an object.
    size_t ObjectCount() const;

private:
    std::unordered_map<std::string, IUnknown*> m_entries;
};
