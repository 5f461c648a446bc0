// The entry point on Windows: a GUI program, so no console window opens with it.
#include <objbase.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/app_base.h"

namespace {

std::string Narrow(const wchar_t* wide) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return {};
  std::string utf8(n - 1, '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8.data(), n, nullptr, nullptr);
  return utf8;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // The shell's dialogs need a single-threaded apartment. Should COM be unusable, they fail to
  // open and the program ends silently.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);

  std::vector<std::string> args;
  for (int i = 0; i < __argc; ++i)
    args.push_back(Narrow(__wargv[i]));
  const int code = kestrane::RunApplication(std::move(args));

  if (SUCCEEDED(com)) CoUninitialize();
  return code;
}
