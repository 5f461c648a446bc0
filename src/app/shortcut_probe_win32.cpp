// Test helper for the setup's tests: prints what a shell link holds, through the shell's own
// reader, one item a line: target, arguments, icon file, icon index. Exit status 1 when the link
// cannot be read.
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <windows.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fputs("usage: shortcut_probe LINK.lnk\n", stderr);
    return 2;
  }
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  IShellLinkW* link = nullptr;
  IPersistFile* file = nullptr;
  wchar_t target[MAX_PATH] = {};
  wchar_t arguments[1024] = {};
  wchar_t icon[MAX_PATH] = {};
  int icon_index = -1;
  // SLGP_RAWPATH: the target as stored, without expanding environment strings.
  const bool read = SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                               IID_PPV_ARGS(&link))) &&
                    SUCCEEDED(link->QueryInterface(IID_PPV_ARGS(&file))) &&
                    SUCCEEDED(file->Load(argv[1], STGM_READ)) &&
                    SUCCEEDED(link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH)) &&
                    SUCCEEDED(link->GetArguments(arguments, 1024)) &&
                    SUCCEEDED(link->GetIconLocation(icon, MAX_PATH, &icon_index));
  if (file != nullptr) file->Release();
  if (link != nullptr) link->Release();
  CoUninitialize();
  if (!read) {
    std::fprintf(stderr, "cannot read the link %ls\n", argv[1]);
    return 1;
  }
  // The tests' paths are ASCII, so the C library's narrowing is enough.
  std::printf("%ls\n%ls\n%ls\n%d\n", target, arguments, icon, icon_index);
  return 0;
}
