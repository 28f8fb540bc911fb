#include "WindowsAccess.h"

#include <aclapi.h>

namespace tavrel::windows {

namespace {

std::vector<BYTE> tokenSid(TOKEN_INFORMATION_CLASS what) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return {};
    DWORD size = 0;
    GetTokenInformation(token, what, nullptr, 0, &size);
    std::vector<BYTE> info(size);
    std::vector<BYTE> sid;
    if (size > 0 && GetTokenInformation(token, what, info.data(), size, &size)) {
        const PSID p = what == TokenUser ? reinterpret_cast<TOKEN_USER*>(info.data())->User.Sid
                                         : reinterpret_cast<TOKEN_OWNER*>(info.data())->Owner;
        sid.resize(GetLengthSid(p));
        CopySid(static_cast<DWORD>(sid.size()), sid.data(), p);
    }
    CloseHandle(token);
    return sid;
}

} // namespace

OwnerOnlyAccess::OwnerOnlyAccess(ACCESS_MASK rights, DWORD inherit)
    : user_(tokenSid(TokenUser)) {
    if (user_.empty())
        return;
    list_.resize(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + user_.size());
    ok_ = InitializeAcl(list(), static_cast<DWORD>(list_.size()), ACL_REVISION) &&
          AddAccessAllowedAceEx(list(), ACL_REVISION, inherit, rights, user_.data()) &&
          InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
          SetSecurityDescriptorDacl(&descriptor_, TRUE, list(), FALSE) &&
          SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    attributes_.nLength = sizeof(attributes_);
    attributes_.lpSecurityDescriptor = &descriptor_;
    attributes_.bInheritHandle = FALSE;
}

bool isOwnSid(PSID sid) {
    static const std::vector<BYTE> user = tokenSid(TokenUser);
    static const std::vector<BYTE> owner = tokenSid(TokenOwner);
    return sid && IsValidSid(sid) &&
           ((!user.empty() && EqualSid(sid, const_cast<BYTE*>(user.data()))) ||
            (!owner.empty() && EqualSid(sid, const_cast<BYTE*>(owner.data()))));
}

bool ownedByUser(HANDLE handle) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                        nullptr, nullptr, &sd) != ERROR_SUCCESS)
        return false;
    const bool own = isOwnSid(owner);
    LocalFree(sd);
    return own;
}

bool restrictToOwner(HANDLE handle) {
    OwnerOnlyAccess access = OwnerOnlyAccess::forFile();
    return access.ok() &&
           SetSecurityInfo(handle, SE_FILE_OBJECT,
                           DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                           nullptr, access.list(), nullptr) == ERROR_SUCCESS;
}

const wchar_t* wide(const QString& path) {
    return reinterpret_cast<const wchar_t*>(path.utf16());
}

} // namespace tavrel::windows
