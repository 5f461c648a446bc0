// The dialogs on GTK 3: GtkFileChooserDialog for both the open-file dialog and the folder
// picker. gtk_init_check must have succeeded before any of them is shown.
#include <gtk/gtk.h>

#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "app/dialogs.h"

namespace kestrane {
namespace {

// Lets GTK finish everything a destroyed dialog left behind, so that its window is really off
// the screen before a conversion keeps the program busy.
void DrainEvents() {
  while (gtk_events_pending())
    gtk_main_iteration();
}

void DestroyDialog(GtkWidget* dialog) {
  gtk_widget_destroy(dialog);
  DrainEvents();
}

// The chooser's file as a path; empty when it has none on disk (a remote location, say).
std::filesystem::path ChosenPath(GtkFileChooser* chooser) {
  std::unique_ptr<gchar, decltype(&g_free)> name(gtk_file_chooser_get_filename(chooser), g_free);
  return name ? std::filesystem::path(name.get()) : std::filesystem::path();
}

// GTK matches patterns with letter case, Windows without: "*.txt" becomes "*.[tT][xX][tT]".
std::string CaselessPattern(const std::string& pattern) {
  std::string out;
  for (char c : pattern) {
    if (g_ascii_isalpha(c)) {
      out += '[';
      out += g_ascii_tolower(c);
      out += g_ascii_toupper(c);
      out += ']';
    } else {
      out += c;
    }
  }
  return out;
}

std::vector<std::string> SplitPatterns(const std::string& patterns) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (std::size_t end; (end = patterns.find(';', start)) != std::string::npos; start = end + 1)
    out.push_back(patterns.substr(start, end - start));
  out.push_back(patterns.substr(start));
  return out;
}

class GtkOpenFileDialog : public ChosenFileDialog {
 public:
  explicit GtkOpenFileDialog(FileFilter filter) : m_filter(std::move(filter)) {}

  DialogResult DoModal() override {
    GtkWidget* dialog =
        gtk_file_chooser_dialog_new("Open", nullptr, GTK_FILE_CHOOSER_ACTION_OPEN, "_Cancel",
                                    GTK_RESPONSE_CANCEL, "_Open", GTK_RESPONSE_ACCEPT, nullptr);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    GtkFileFilter* filter = gtk_file_filter_new();
    gtk_file_filter_set_name(filter, m_filter.name.c_str());
    // GTK takes one pattern at a time where Windows takes them joined by ';'.
    for (const std::string& pattern : SplitPatterns(m_filter.pattern))
      gtk_file_filter_add_pattern(filter, CaselessPattern(pattern).c_str());
    gtk_file_chooser_add_filter(chooser, filter);
    gtk_file_chooser_set_local_only(chooser, TRUE);
    // Without a current folder the chooser opens in "Recent", which is rarely where subtitles are.
    std::unique_ptr<gchar, decltype(&g_free)> cwd(g_get_current_dir(), g_free);
    gtk_file_chooser_set_current_folder(chooser, cwd.get());
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);

    const gint response = gtk_dialog_run(GTK_DIALOG(dialog));
    const std::filesystem::path file = ChosenPath(chooser);
    DestroyDialog(dialog);

    // Escape and the window's close button answer GTK_RESPONSE_DELETE_EVENT: a cancel as well.
    if (response != GTK_RESPONSE_ACCEPT) return DialogResult::kCancel;
    if (file.empty()) return DialogResult::kError;
    return Chose(file);
  }

 private:
  FileFilter m_filter;
};

// What the selection-change handler needs besides the picker.
struct BrowseState {
  CDirDialog* picker;
  GtkWidget* dialog;
  GtkWidget* status;  // null without a status line
};

void OnSelectionChanged(GtkFileChooser* chooser, gpointer data) {
  auto* state = static_cast<BrowseState*>(data);
  std::string status;
  const bool ok = state->picker->OnSelChange(ChosenPath(chooser), status);
  if (state->status != nullptr) gtk_label_set_text(GTK_LABEL(state->status), status.c_str());
  gtk_dialog_set_response_sensitive(GTK_DIALOG(state->dialog), GTK_RESPONSE_ACCEPT, ok);
}

}  // namespace

void ShowMessageBox(const std::string& text) {
  GtkWidget* dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR,
                                             GTK_BUTTONS_OK, "%s", text.c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), "Kestrane");
  gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
  gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
  gtk_dialog_run(GTK_DIALOG(dialog));
  DestroyDialog(dialog);
}

Dialogs& PlatformDialogs() {
  static ToolkitDialogs<GtkOpenFileDialog> dialogs;
  return dialogs;
}

bool CDirDialog::Browse() {
  m_strStartSel = TrimStartSelection(m_strStartSel, [](const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
  });

  const char* title = m_strCaption.empty() ? "Browse for Folder" : m_strCaption.c_str();
  GtkWidget* dialog =
      gtk_file_chooser_dialog_new(title, nullptr, GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER, "_Cancel",
                                  GTK_RESPONSE_CANCEL, "_OK", GTK_RESPONSE_ACCEPT, nullptr);
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
  gtk_file_chooser_set_local_only(chooser, TRUE);

  // The prompt above the tree, and the status line under it.
  GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
  GtkWidget* prompt = gtk_label_new(PromptOf(*this).c_str());
  gtk_label_set_xalign(GTK_LABEL(prompt), 0);
  gtk_widget_set_margin_start(prompt, 6);
  gtk_widget_set_margin_top(prompt, 6);
  gtk_box_pack_start(GTK_BOX(content), prompt, FALSE, FALSE, 0);
  gtk_box_reorder_child(GTK_BOX(content), prompt, 0);
  gtk_widget_show(prompt);
  BrowseState state{this, dialog, nullptr};
  if (m_bStatusText) {
    state.status = gtk_label_new("");
    gtk_label_set_xalign(GTK_LABEL(state.status), 0);
    gtk_label_set_ellipsize(GTK_LABEL(state.status), PANGO_ELLIPSIZE_MIDDLE);
    gtk_widget_set_margin_start(state.status, 6);
    gtk_box_pack_start(GTK_BOX(content), state.status, FALSE, FALSE, 0);
    gtk_box_reorder_child(GTK_BOX(content), state.status, 1);
    gtk_widget_show(state.status);
  }
  g_signal_connect(chooser, "selection-changed", G_CALLBACK(OnSelectionChanged), &state);
  g_signal_connect(chooser, "current-folder-changed", G_CALLBACK(OnSelectionChanged), &state);

  // A folder chooser left in its "Recent" view cannot choose anything: always give it a folder.
  if (!m_strRoot.empty()) {
    gtk_file_chooser_set_current_folder(chooser, m_strRoot.c_str());
  } else if (m_strStartSel.empty()) {
    gtk_file_chooser_set_current_folder(chooser, g_get_home_dir());
  }
  if (!m_strStartSel.empty()) gtk_file_chooser_select_filename(chooser, m_strStartSel.c_str());

  gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER_ALWAYS);
  gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
  const gint response = gtk_dialog_run(GTK_DIALOG(dialog));
  const std::filesystem::path folder = ChosenPath(chooser);
  // The handlers point at this frame's state; no signal may reach them once it is gone.
  g_signal_handlers_disconnect_by_data(chooser, &state);
  DestroyDialog(dialog);

  if (response != GTK_RESPONSE_ACCEPT || folder.empty()) return false;
  m_strFolder = folder;
  m_nImage = -1;  // GTK has no image list to index
  return true;
}

}  // namespace kestrane
