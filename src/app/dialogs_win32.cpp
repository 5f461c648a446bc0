// The dialogs on Windows: the shell's IFileOpenDialog, and the folder browser
// SHBrowseForFolderW behind CDirDialog. COM must be initialised, apartment-threaded, on the
// calling thread.
#include <shlobj.h>
#include <shobjidl.h>
#include <windows.h>

#include <memory>
#include <string>

#include "app/dialogs.h"
#include "platform/text.h"

namespace kestrane {
namespace {

// Releases a COM object at the end of its scope.
struct Releaser {
  void operator()(IUnknown* object) const { object->Release(); }
};
template <typename T>
using ComPtr = std::unique_ptr<T, Releaser>;

class Win32OpenFileDialog : public ChosenFileDialog {
 public:
  explicit Win32OpenFileDialog(FileFilter filter) : m_filter(std::move(filter)) {}

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

    const HRESULT shown = dialog->Show(nullptr);
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
};

int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM param, LPARAM data) {
  CDirDialog& picker = *reinterpret_cast<CDirDialog*>(data);
  switch (message) {
    case BFFM_INITIALIZED: {
      if (!picker.m_strStartSel.empty()) {
        SendMessageW(window, BFFM_SETSELECTIONW, TRUE,
                     reinterpret_cast<LPARAM>(picker.m_strStartSel.c_str()));
      }
      if (!picker.m_strCaption.empty())
        SetWindowTextW(window, Wtf8ToWide(picker.m_strCaption).c_str());
      // Centred on the client size the browser chose, then enlarged: its default is cramped.
      RECT client{};
      GetClientRect(window, &client);
      const int width = client.right - client.left;
      const int height = client.bottom - client.top;
      SetWindowPos(window, HWND_TOPMOST, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                   (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width + 25, height + 60,
                   SWP_SHOWWINDOW);
      break;
    }
    case BFFM_SELCHANGED: {
      wchar_t path[MAX_PATH] = {};
      if (!SHGetPathFromIDListW(reinterpret_cast<PCIDLIST_ABSOLUTE>(param), path)) path[0] = L'\0';
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
  static ToolkitDialogs<Win32OpenFileDialog> dialogs;
  return dialogs;
}

bool CDirDialog::Browse() {
  m_strStartSel = TrimStartSelection(m_strStartSel);

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

  wchar_t display_name[MAX_PATH] = {};
  const std::wstring prompt = Wtf8ToWide(PromptOf(*this));
  info.pszDisplayName = display_name;
  info.lpszTitle = prompt.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS;
  if (m_bStatusText) info.ulFlags |= BIF_STATUSTEXT;
  info.lpfn = BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(this);

  bool chosen_folder = false;
  if (PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info)) {
    m_strFolder = display_name;
    m_nImage = info.iImage;
    wchar_t path[MAX_PATH] = {};
    if (SHGetPathFromIDListW(chosen, path)) {
      m_strFolder = path;
      chosen_folder = true;
    }
    free_item(chosen);
  }
  free_item(root);
  shell_malloc->Release();
  return chosen_folder;
}

}  // namespace kestrane
