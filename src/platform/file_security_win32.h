// What a converted file keeps of its input's Windows security: its owner and DACL, through
// GetSecurityInfo and SetSecurityInfo.
#pragma once

#ifndef UNICODE
#define UNICODE
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

#include "platform/file_system.h"

namespace kestrane {

// A file's owner and DACL as one self-relative security descriptor, with the control bits that
// say whether its DACL inherits from the folder.
struct SystemSecurity {
  std::vector<unsigned char> descriptor;
};

namespace win32 {

// The owner and DACL of the file `handle` is open on (with READ_CONTROL, as GENERIC_READ
// gives); null where the system would not tell.
std::shared_ptr<const SystemSecurity> SecurityOf(HANDLE handle);

// One SetSecurityInfo call on a file: what it sets, the owner and the DACL. Its Win32 error.
using SetSecurity = std::function<DWORD(SECURITY_INFORMATION what, PSID owner, PACL dacl)>;

// Gives a file `from`'s owner and DACL through `set`, the DACL protected or inheriting from the
// folder as `from`'s is: an inheriting one keeps the ACEs the new file inherited and takes the
// others from `from`, which lives in the same folder. An owner this account may not give (another
// user's) leaves the DACL alone to set; one it may not set either leaves the file as its folder
// made it. Returns what was given: OWNER_SECURITY_INFORMATION, DACL_SECURITY_INFORMATION, both,
// or 0. A descriptor without an owner or a DACL gives what it has; a missing DACL is never
// given, since SetSecurityInfo would read it as access for everyone.
SECURITY_INFORMATION GiveSecurity(const SystemSecurity& from, const SetSecurity& set);

// GiveSecurity to the file `handle` is open on, which needs WRITE_DAC, and WRITE_OWNER for the
// owner.
SECURITY_INFORMATION GiveSecurity(HANDLE handle, const SystemSecurity& from);

}  // namespace win32
}  // namespace kestrane
