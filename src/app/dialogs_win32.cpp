// The dialogs on Windows: the shell's IFileOpenDialog, owned by a FileDialogOwner, and the
// folder browser SHBrowseForFolderW behind CDirDialog. COM must be initialised, apartment-threaded,
// on the calling thread.
#include <shlobj.h>
#include <shobjidl.h>
#include <windows.h>

#include <memory>
#include <string>

#include "app/dialogs.h"
#include "app/file_dialog_owner_win32.h"
#include "platform/text.h"
#include "platform/windows_path.h"

namespace kestrane {
namespace {

// Releases a COM object at the end of its scope.
struct Releaser {
  void operator()(IUnknown* object) const { object->Release(); }
};
template <typename T>
using ComPtr = std::unique_ptr<T, Releaser>;

// The file-system path of a shell item, of any length; empty when it has none (This PC, a
// library). SHGetPathFromIDListW would stop at MAX_PATH characters.
std::filesystem::path FileSystemPath(PCIDLIST_ABSOLUTE item) {
  PWSTR path = nullptr;
  if (item == nullptr || FAILED(SHGetNameFromIDList(item, SIGDN_FILESYSPATH, &path))) return {};
  std::filesystem::path result(path);
  CoTaskMemFree(path);
  return result;
}

std::wstring CurrentFolder() {
  std::error_code error;
  return std::filesystem::current_path(error).native();
}

// A path made absolute against the current folder, every name kept as it is.
std::wstring AbsolutePath(const std::filesystem::path& path) {
  return AbsoluteWindowsPath(path.native(), CurrentFolder());
}

// Whether `path` exists, asked in the \\?\ form: the plain form drops a name's trailing spaces
// and would find the folder without them.
bool ExistsAsGiven(const std::filesystem::path& path) {
  return GetFileAttributesW(ExtendedWindowsPath(path.native(), CurrentFolder()).c_str()) !=
         INVALID_FILE_ATTRIBUTES;
}

// The window's DPI where Windows can tell it (Windows 10 1607 and later); 0 elsewhere. Looked
// up at run time so that the program still starts on older systems.
unsigned WindowDpi(HWND window) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto get_dpi = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  return get_dpi != nullptr ? get_dpi(window) : 0;
}

class Win32OpenFileDialog : public ChosenFileDialog {
 public:
  Win32OpenFileDialog(FileFilter filter, const FileDialogOwner& owner)
      : m_filter(std::move(filter)), m_owner(owner) {}

  DialogResult DoModal() override {
    IFileOpenDialog* raw = nullptr;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&raw)))) {
      return DialogResult::kError;
    }
    ComPtr<IFileOpenDialog> dialog(raw);

    const std::wstring name = Wtf8ToWide(m_filter.name);
    const std::wstring pattern = Wtf8ToWide(m_filter.pattern);
    const COMDLG_FILTERSPEC type{name.c_str(), pattern.c_str()};
    dialog->SetFileTypes(1, &type);
    // No must-exist checks, as with the classic dialog's flags 0; file-system items only.
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    options &= ~(FOS_FILEMUSTEXIST | FOS_PATHMUSTEXIST | FOS_ALLOWMULTISELECT);
    dialog->SetOptions(options | FOS_FORCEFILESYSTEM);

    m_owner.RequestForeground();
    const HRESULT shown = dialog->Show(m_owner.window());
    if (shown == HRESULT_FROM_WIN32(ERROR_CANCELLED)) return DialogResult::kCancel;
    if (FAILED(shown)) return DialogResult::kError;

    IShellItem* item_raw = nullptr;
    if (FAILED(dialog->GetResult(&item_raw))) return DialogResult::kError;
    ComPtr<IShellItem> item(item_raw);
    PWSTR path = nullptr;
    if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &path))) return DialogResult::kError;
    const std::filesystem::path file(path);
    CoTaskMemFree(path);
    return Chose(file);
  }

 private:
  FileFilter m_filter;
  const FileDialogOwner& m_owner;
};

// The open-file dialogs of one loop share an owner, made with the first of them.
class Win32Dialogs : public Dialogs {
 public:
  std::unique_ptr<OpenFileDialog> NewOpenFileDialog(const FileFilter& filter) override {
    if (m_owner == nullptr) m_owner = std::make_unique<FileDialogOwner>();
    return std::make_unique<Win32OpenFileDialog>(filter, *m_owner);
  }
  bool Browse(CDirDialog& picker) override { return picker.Browse(); }
  void ShowMessage(const std::string& text) override { ShowMessageBox(text); }

 private:
  std::unique_ptr<FileDialogOwner> m_owner;
};

// What the browser's callback needs besides the picker.
struct BrowseState {
  CDirDialog* picker;
  std::wstring start;           // the start selection, absolute; empty for none
  PIDLIST_ABSOLUTE start_item;  // its item, for a path too long to pass as text; else null
};

// Enlarges the browser, whose default is cramped, and centres it on its monitor. Not topmost: a
// picker above every other program would hide the user's own windows while it waits; started by
// the user, Kestrane may take the foreground instead.
void Place(HWND window) {
  RECT frame{};
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  if (!GetWindowRect(window, &frame) ||
      !GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) {
    return;
  }
  const auto screen_rect = [](const RECT& r) {
    return ScreenRect{r.left, r.top, r.right, r.bottom};
  };
  const ScreenRect placed =
      PickerPlacement(screen_rect(frame), screen_rect(monitor.rcWork), WindowDpi(window));
  SetWindowPos(window, HWND_TOP, placed.left, placed.top, placed.right - placed.left,
               placed.bottom - placed.top, SWP_SHOWWINDOW);
  SetForegroundWindow(window);
}

int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM param, LPARAM data) {
  const BrowseState& state = *reinterpret_cast<BrowseState*>(data);
  CDirDialog& picker = *state.picker;
  switch (message) {
    case BFFM_INITIALIZED: {
      // As text where it fits, which Wine handles too; past MAX_PATH only as an item.
      if (state.start_item != nullptr) {
        SendMessageW(window, BFFM_SETSELECTIONW, FALSE, reinterpret_cast<LPARAM>(state.start_item));
      } else if (!state.start.empty()) {
        SendMessageW(window, BFFM_SETSELECTIONW, TRUE,
                     reinterpret_cast<LPARAM>(state.start.c_str()));
        // Again once the browser runs: Wine's sometimes stops half-way down a tree it is still
        // filling. The text lives until Browse returns.
        PostMessageW(window, BFFM_SETSELECTIONW, TRUE,
                     reinterpret_cast<LPARAM>(state.start.c_str()));
      }
      if (!picker.m_strCaption.empty())
        SetWindowTextW(window, Wtf8ToWide(picker.m_strCaption).c_str());
      Place(window);
      break;
    }
    case BFFM_SELCHANGED: {
      const std::filesystem::path path = FileSystemPath(reinterpret_cast<PCIDLIST_ABSOLUTE>(param));
      std::string status;
      const bool ok = OkEnabledFor(path, picker.OnSelChange(path, status));
      if (picker.m_bStatusText) {
        SendMessageW(window, BFFM_SETSTATUSTEXTW, 0,
                     reinterpret_cast<LPARAM>(Wtf8ToWide(status).c_str()));
      }
      SendMessageW(window, BFFM_ENABLEOK, 0, ok);
      break;
    }
    default:
      break;
  }
  return 0;
}

}  // namespace

void ShowMessageBox(const std::string& text) {
  // Topmost: with no window of its own, the program's box would otherwise open behind others.
  MessageBoxW(nullptr, Wtf8ToWide(text).c_str(), L"Kestrane",
              MB_OK | MB_ICONERROR | MB_TOPMOST | MB_SETFOREGROUND);
}

Dialogs& PlatformDialogs() {
  static Win32Dialogs dialogs;
  return dialogs;
}

bool CDirDialog::Browse() {
  m_strStartSel = TrimStartSelection(m_strStartSel, ExistsAsGiven);

  IMalloc* shell_malloc = nullptr;
  if (FAILED(SHGetMalloc(&shell_malloc))) return false;
  // Every item list below comes from the shell allocator and goes back to it, on every way out.
  auto free_item = [shell_malloc](PIDLIST_ABSOLUTE item) {
    if (item != nullptr) shell_malloc->Free(item);
  };

  BROWSEINFOW info{};
  PIDLIST_ABSOLUTE root = nullptr;
  if (!m_strRoot.empty()) {
    IShellFolder* desktop_raw = nullptr;
    if (SUCCEEDED(SHGetDesktopFolder(&desktop_raw))) {
      ComPtr<IShellFolder> desktop(desktop_raw);
      std::wstring root_text = m_strRoot.native();  // ParseDisplayName wants a writable string
      PIDLIST_RELATIVE parsed = nullptr;
      if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, root_text.data(), nullptr, &parsed,
                                           nullptr))) {
        shell_malloc->Release();
        return false;
      }
      // Parsed from the desktop, the relative list is an absolute one.
      root = reinterpret_cast<PIDLIST_ABSOLUTE>(parsed);
      info.pidlRoot = root;
    }
  }

  // One item's name, never a path: MAX_PATH is the size the browser assumes.
  wchar_t display_name[MAX_PATH] = {};
  const std::wstring prompt = Wtf8ToWide(PromptOf(*this));
  info.pszDisplayName = display_name;
  info.lpszTitle = prompt.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS;
  if (m_bStatusText) info.ulFlags |= BIF_STATUSTEXT;
  info.lpfn = BrowseCallback;
  BrowseState state{this, m_strStartSel.empty() ? L"" : AbsolutePath(m_strStartSel), nullptr};
  if (state.start.size() >= MAX_PATH &&
      FAILED(SHParseDisplayName(state.start.c_str(), nullptr, &state.start_item, 0, nullptr))) {
    state.start_item = nullptr;
  }
  info.lParam = reinterpret_cast<LPARAM>(&state);

  bool chosen_folder = false;
  if (PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info)) {
    m_strFolder = display_name;
    m_nImage = info.iImage;
    const std::filesystem::path path = FileSystemPath(chosen);
    if (!path.empty()) {
      m_strFolder = path;
      chosen_folder = true;
    }
    free_item(chosen);
  }
  CoTaskMemFree(state.start_item);
  free_item(root);
  shell_malloc->Release();
  return chosen_folder;
}

}  // namespace kestrane
