#include "platform/file_security_win32.h"

#include <sddl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/temp_dir.h"

namespace kestrane {
namespace {

SystemSecurity FromSddl(const wchar_t* sddl) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ULONG size = 0;
  EXPECT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1,
                                                                     &descriptor, &size))
      << ::GetLastError();
  SystemSecurity security;
  const auto* bytes = static_cast<const unsigned char*>(descriptor);
  security.descriptor.assign(bytes, bytes + size);
  ::LocalFree(descriptor);
  return security;
}

// Wine keeps no DACL of its own (it makes one up from the Unix permissions, and takes any owner),
// so what a converted file is given is proved here through a setter that answers as Windows
// would.
TEST(FileSecurityWin32Test, TheOwnerAndTheDaclAreGivenWhereTheSystemLets) {
  constexpr SECURITY_INFORMATION kOwner = OWNER_SECURITY_INFORMATION;
  constexpr SECURITY_INFORMATION kDacl = DACL_SECURITY_INFORMATION;
  constexpr SECURITY_INFORMATION kProtected =
      DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION;
  constexpr SECURITY_INFORMATION kInheriting =
      DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION;
  const struct {
    const char* fault;  // what each row catches
    const wchar_t* sddl;
    DWORD owner_answer;  // what Windows answers a call that sets the owner
    DWORD dacl_answer;   // and one that sets the DACL alone
    SECURITY_INFORMATION first_call, second_call;  // 0: none
    SECURITY_INFORMATION given;
  } kCases[] = {
      {"a protected DACL takes in the folder's ACEs", L"O:BAD:P(A;;FA;;;BA)(A;;FR;;;WD)", 0, 0,
       kOwner | kProtected, 0, kOwner | kDacl},
      {"an inheriting DACL stops following its folder", L"O:BAD:AI(A;;FR;;;WD)(A;ID;FA;;;SY)", 0, 0,
       kOwner | kInheriting, 0, kOwner | kDacl},
      {"another user's owner costs the file its DACL too",
       L"O:S-1-5-21-7-7-7-1234D:P(A;;FA;;;S-1-5-21-7-7-7-1234)", ERROR_INVALID_OWNER, 0,
       kOwner | kProtected, kProtected, kDacl},
      {"a file whose security could not be given is taken for one that was", L"O:BAD:P(A;;FA;;;WD)",
       ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED, kOwner | kProtected, kProtected, 0},
      {"a descriptor without a DACL gives access to everyone", L"O:BA", 0, 0, kOwner, 0, kOwner},
      {"a refused owner with nothing else to give is asked again", L"O:BA", ERROR_INVALID_OWNER, 0,
       kOwner, 0, 0},
      {"a descriptor without an owner gives the file none", L"D:P(A;;FA;;;WD)", 0, 0, kProtected, 0,
       kDacl},
  };
  for (const auto& c : kCases) {
    const SystemSecurity from = FromSddl(c.sddl);
    std::vector<SECURITY_INFORMATION> calls;
    const SECURITY_INFORMATION given =
        win32::GiveSecurity(from, [&](SECURITY_INFORMATION what, PSID owner, PACL dacl) -> DWORD {
          calls.push_back(what);
          EXPECT_EQ(owner != nullptr, (what & kOwner) != 0) << c.fault;
          EXPECT_EQ(dacl != nullptr, (what & kDacl) != 0) << c.fault;
          return (what & kOwner) ? c.owner_answer : c.dacl_answer;
        });
    std::vector<SECURITY_INFORMATION> expected = {c.first_call};
    if (c.second_call != 0) expected.push_back(c.second_call);
    EXPECT_EQ(calls, expected) << c.fault;
    EXPECT_EQ(given, c.given) << c.fault;
  }
}

// The security given is the one read when the input was opened, and travels in its mode.
TEST(FileSecurityWin32Test, AnOpenInputCarriesItsSecurityToTheMode) {
  testing::TempDir dir;
  std::unique_ptr<ReadableFile> file;
  ASSERT_TRUE(DefaultFileSystem().OpenForRead(dir.Write("a.txt", "bytes"), &file).ok());
  const FileMode mode(file->info());
  ASSERT_NE(mode.security, nullptr);
  EXPECT_TRUE(
      ::IsValidSecurityDescriptor(const_cast<unsigned char*>(mode.security->descriptor.data())));
}

}  // namespace
}  // namespace kestrane
