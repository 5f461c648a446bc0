#include "app/kestrane_app.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

#include "convert/source_names.h"
#include "platform/text.h"
#include "walk/convert_folder.h"

namespace kestrane {
namespace {

constexpr std::string_view kFpsPrefix = "/fps:";
constexpr std::string_view kOffsetPrefix = "/offset:";
constexpr std::string_view kStripTags = "/strip-tags";
constexpr std::string_view kSourcesPrefix = "/sources:";

bool HasPrefix(std::string_view arg, std::string_view prefix) {
  return EqualsIgnoringAsciiCase(arg.substr(0, prefix.size()), prefix);
}

// Whether `arg` sets the frame rate, known or not.
bool IsRateArgument(std::string_view arg) {
  return HasPrefix(arg, kFpsPrefix);
}

// Whether `arg` changes what is converted or how: a rate, an offset, the tags' removal or the
// sources a folder walk takes.
bool IsConversionArgument(std::string_view arg) {
  return IsRateArgument(arg) || HasPrefix(arg, kOffsetPrefix) ||
         EqualsIgnoringAsciiCase(arg, kStripTags) || HasPrefix(arg, kSourcesPrefix);
}

// The argument that may name the picker's start folder: the first after the program's that
// does not change the conversion; ArgumentCount() when there is none. Windows' entries name
// the folder last, so that a drive's root, which Explorer writes as C:\, cannot take the
// arguments before it into its quotes.
std::size_t FolderArgument(const CApplication& app) {
  std::size_t n = 1;
  while (n < app.ArgumentCount() && IsConversionArgument(app.Argument(n)))
    ++n;
  return n;
}

// What the message box says of an argument: itself when it is short, printable ASCII, else
// nothing, so that no stray bytes reach the dialog.
std::string Quoted(const std::string& arg) {
  const bool plain = arg.size() <= 40 && std::all_of(arg.begin(), arg.end(),
                                                     [](char c) { return c >= ' ' && c <= '~'; });
  return plain ? " " + arg : "";
}

}  // namespace

bool CKestraneApp::InitInstance() {
  CApplication::InitInstance();
  if (!TakeConversionArguments()) return false;

  if (EqualsIgnoringAsciiCase(Argument(1), "/file")) {
    // A source picked here is converted beside it whatever /sources: says: the user named it.
    const FileFilter filter{"Subtitle files (*.txt;*.srt;*.vtt)", "*.txt;*.srt;*.vtt"};
    // A fresh dialog for every file. Anything but a choice ends the loop: a dialog that cannot
    // open would otherwise fail again at once, forever.
    for (;;) {
      std::unique_ptr<OpenFileDialog> dialog = m_dialogs.NewOpenFileDialog(filter);
      if (dialog->DoModal() != DialogResult::kOk) break;
      ConvertFolder(dialog->GetFolderPath(), dialog->GetFileName());
    }
  } else {
    CDirDialog picker;
    picker.m_strCaption = "Browse to the starting folder:";
    // A folder named on the command line, as a file manager's Open With or right-click entry
    // names it, is where the picker starts; the user still confirms it with OK.
    const std::filesystem::path given = ArgumentPath(FolderArgument(*this));
    FileInfo given_info;
    if (!given.empty() && m_fs.Stat(given, &given_info).ok() &&
        given_info.kind == EntryKind::kDirectory) {
      picker.m_strStartSel = given;
    }
    if (m_dialogs.Browse(picker)) {
      FileInfo info;
      if (m_fs.Stat(picker.m_strFolder, &info).ok()) ConvertFolder(picker.m_strFolder, {});
    }
  }
  return false;
}

bool CKestraneApp::TakeConversionArguments() {
  // The rate first, wherever it is: an offset is read at it.
  for (std::size_t i = 1; i < ArgumentCount(); ++i) {
    const std::string arg = Argument(i);
    if (!IsRateArgument(arg)) continue;
    std::optional<FrameRate> rate = FrameRate::Parse(arg.substr(kFpsPrefix.size()));
    if (!rate) {
      // Converting at a rate nobody asked for would be worse than one dialog more.
      m_dialogs.ShowMessage("Kestrane does not know the frame rate" + Quoted(arg) +
                            ", so it converts nothing.\n\nGive /fps: one of " +
                            FrameRate::AcceptedNames() + ".");
      return false;
    }
    m_options.rate = *rate;
  }
  for (std::size_t i = 1; i < ArgumentCount(); ++i) {
    const std::string arg = Argument(i);
    if (EqualsIgnoringAsciiCase(arg, kStripTags)) m_options.strip_tags = true;
    if (HasPrefix(arg, kSourcesPrefix) && !TakeSources(arg)) return false;
    if (!HasPrefix(arg, kOffsetPrefix)) continue;
    m_options.offset = TimelineOffset::Parse(arg.substr(kOffsetPrefix.size()), m_options.rate);
    if (!m_options.offset) {
      // A list placed where nobody asked would be shifted by hand, item after item.
      m_dialogs.ShowMessage("Kestrane cannot read the timeline start" + Quoted(arg) + " at " +
                            m_options.rate.Describe() +
                            ", so it converts nothing.\n\nGive /offset: as " +
                            std::string(TimelineOffset::kAcceptedForm) + ".");
      return false;
    }
  }
  return true;
}

bool CKestraneApp::TakeSources(const std::string& arg) {
  const std::optional<SourceKinds> kinds = ParseSources(arg.substr(kSourcesPrefix.size()));
  if (!kinds) {
    // Lists written beside files nobody chose, or none where they were asked for, would both
    // surprise more than one dialog.
    m_dialogs.ShowMessage("Kestrane does not know the sources" + Quoted(arg) +
                          ", so it converts nothing.\n\nGive /sources: " + kSourcesForm + ".");
    return false;
  }
  m_walk.sources = *kinds;
  return true;
}

void CKestraneApp::ConvertFolder(const std::filesystem::path& folder,
                                 const std::filesystem::path& name) {
  kestrane::ConvertFolder(m_fs, folder, name, m_options, {}, m_walk);
}

}  // namespace kestrane
