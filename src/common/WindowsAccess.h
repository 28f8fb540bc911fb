#pragma once

// Windows keeps others out of a file, folder or registry key by its access
// list, not by mode bits: these build the list that grants the current user
// everything and no one else anything, cut off from what the folder above
// would pass down.

#include <QString>

#include <windows.h>

#include <vector>

namespace tavrel::windows {

class OwnerOnlyAccess {
public:
    // rights: what the user may do (FILE_ALL_ACCESS, KEY_ALL_ACCESS);
    // inherit: ACE flags, so what is made inside a folder or key is the
    // user's alone as well.
    OwnerOnlyAccess(ACCESS_MASK rights, DWORD inherit);
    // The descriptor points into the object itself.
    OwnerOnlyAccess(const OwnerOnlyAccess&) = delete;
    OwnerOnlyAccess& operator=(const OwnerOnlyAccess&) = delete;
    bool ok() const { return ok_; }
    SECURITY_ATTRIBUTES* attributes() { return ok_ ? &attributes_ : nullptr; }
    PSECURITY_DESCRIPTOR descriptor() { return &descriptor_; }
    PACL list() { return reinterpret_cast<PACL>(list_.data()); }

    static OwnerOnlyAccess forFile() { return {FILE_ALL_ACCESS, 0}; }
    static OwnerOnlyAccess forFolder() {
        return {FILE_ALL_ACCESS, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE};
    }

private:
    std::vector<BYTE> user_;
    std::vector<BYTE> list_;
    SECURITY_DESCRIPTOR descriptor_{};
    SECURITY_ATTRIBUTES attributes_{};
    bool ok_ = false;
};

// The SID of the process's user, or of the owner it gives new objects (an
// elevated administrator's files belong to the Administrators group).
bool isOwnSid(PSID sid);

// The handle names a file of this user: its owner is the user.
bool ownedByUser(HANDLE handle);

// Replaces the handle's access list by the user-only one.
bool restrictToOwner(HANDLE handle);

// The text as Windows takes it; valid as long as path is.
const wchar_t* wide(const QString& path);

} // namespace tavrel::windows
