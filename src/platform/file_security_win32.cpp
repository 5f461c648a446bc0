#include "platform/file_security_win32.h"

#include <aclapi.h>

namespace kestrane::win32 {

std::shared_ptr<const SystemSecurity> SecurityOf(HANDLE handle) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD error = ::GetSecurityInfo(handle, SE_FILE_OBJECT,
                                        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                        nullptr, nullptr, nullptr, nullptr, &descriptor);
  if (error != ERROR_SUCCESS || descriptor == nullptr) return nullptr;
  // Self-relative, as GetSecurityInfo hands it out: one block, copied as it is.
  const auto* bytes = static_cast<const unsigned char*>(descriptor);
  auto security = std::make_shared<SystemSecurity>();
  security->descriptor.assign(bytes, bytes + ::GetSecurityDescriptorLength(descriptor));
  ::LocalFree(descriptor);
  return security;
}

SECURITY_INFORMATION GiveSecurity(const SystemSecurity& from, const SetSecurity& set) {
  // The Get...Descriptor calls take a non-const pointer but only read.
  auto* descriptor = const_cast<unsigned char*>(from.descriptor.data());
  if (from.descriptor.empty() || !::IsValidSecurityDescriptor(descriptor)) return 0;
  PSID owner = nullptr;
  PACL dacl = nullptr;
  BOOL defaulted = FALSE, present = FALSE;
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  if (!::GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) ||
      !::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) ||
      !::GetSecurityDescriptorControl(descriptor, &control, &revision)) {
    return 0;
  }
  SECURITY_INFORMATION dacl_part = 0;
  if (present && dacl != nullptr) {
    dacl_part = DACL_SECURITY_INFORMATION |
                ((control & SE_DACL_PROTECTED) ? PROTECTED_DACL_SECURITY_INFORMATION
                                               : UNPROTECTED_DACL_SECURITY_INFORMATION);
  }
  const SECURITY_INFORMATION owner_part = owner != nullptr ? OWNER_SECURITY_INFORMATION : 0;
  const SECURITY_INFORMATION kGiven = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
  if ((owner_part | dacl_part) == 0) return 0;
  if (set(owner_part | dacl_part, owner, dacl) == ERROR_SUCCESS) {
    return (owner_part | dacl_part) & kGiven;
  }
  if (owner_part == 0 || dacl_part == 0) return 0;
  return set(dacl_part, nullptr, dacl) == ERROR_SUCCESS ? DACL_SECURITY_INFORMATION : 0;
}

SECURITY_INFORMATION GiveSecurity(HANDLE handle, const SystemSecurity& from) {
  return GiveSecurity(from, [handle](SECURITY_INFORMATION what, PSID owner, PACL dacl) {
    return ::SetSecurityInfo(handle, SE_FILE_OBJECT, what, owner, nullptr, dacl, nullptr);
  });
}

}  // namespace kestrane::win32
