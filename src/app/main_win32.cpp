// The entry point on Windows: a GUI program, so no console window opens with it.
#include <objbase.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/app_base.h"
#include "app/command_line.h"
#include "platform/text.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // The shell's dialogs need a single-threaded apartment. Should COM be unusable, they fail to
  // open and the program ends silently.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);

  std::vector<std::string> args = kestrane::ArgumentsOfCommandLine(GetCommandLineW());
  if (args.empty()) {
    for (int i = 0; i < __argc; ++i)
      args.push_back(kestrane::Utf16ToWtf8(__wargv[i]));
  }
  const int code = kestrane::RunApplication(std::move(args));

  if (SUCCEEDED(com)) CoUninitialize();
  return code;
}
