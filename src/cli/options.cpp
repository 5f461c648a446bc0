#include "cli/options.h"

#include <CLI/CLI.hpp>
#include <cstddef>
#include <string_view>

#include "cli/cli.h"
#include "cli/shown_name.h"
#include "convert/frame_rate.h"
#include "convert/source_names.h"

namespace kestrane {
namespace {

constexpr char kHint[] = " (see --help)\n";

std::string FirstLine(std::string_view text) {
  return std::string(text.substr(0, text.find('\n')));
}

// The options and their help: each option writes its field of `settings`, --fps writes `fps`,
// --offset `offset` and --sources `sources`,
// when `app` parses the arguments.
void DeclareOptions(CLI::App& app, Settings& settings, std::string& fps, std::string& offset,
                    std::string& sources) {
  app.description(
      "Converts SubRip subtitles saved as .txt into frame-timecode lists, in place: each "
      "name.txt receives the list and its original is kept as name.txt_original.");
  // Else, on Windows, a path such as /Subs would be taken for an option.
  app.allow_windows_style_options(false);
  app.add_option("PATH", settings.paths,
                 "A folder, converted with all its subfolders, or a single .txt, .srt or .vtt file")
      ->type_name("");
  app.add_flag("-n,--dry-run", settings.dry_run,
               "Read and convert everything but write nothing; report what would happen");
  app.add_flag("--restore", settings.restore,
               "Undo: put each name.txt_original under the paths back as name.txt, replacing "
               "the converted file when it is still exactly that");
  app.add_option("--encoding", settings.encoding,
                 "The code page of text that is not UTF-8: windows-1250, cp1251, gb18030, "
                 "shift_jis... By default (auto) the system's language gives it, unless the "
                 "text is plainly of another script")
      ->type_name("NAME");
  app.add_option(
         "--fps", fps,
         "The frame rate of the timecodes, that of your project: " + FrameRate::AcceptedNames() +
             ". Each timecode is then computed from the time, exactly. By default a "
             "frame is 33 ms (00 to 29) and hours, minutes and seconds are copied")
      ->type_name("RATE");
  app.add_option("--offset", offset,
                 "Place the lists on a timeline: TC (HH:MM:SS:FF, ';' accepted too) is added to "
                 "every start and end, in frames at the rate; a leading '-' subtracts. With "
                 "--fps 29.97 or 59.94 it is a drop-frame label; by default it counts 30 frames "
                 "a second. Every field of each timecode is then computed. A file with a cue "
                 "that would fall before 00:00:00:00 is skipped, naming the cue")
      ->type_name("TC")
      ->allow_extra_args(false);
  app.add_flag("--strip-tags", settings.strip_tags,
               "Remove the formatting tags importers show as text: <i>, <b>, <u>, <s>, "
               "<font ...> and their closing tags, and {\\...} override blocks");
  app.add_option("--sources", sources,
                 std::string("In folders, also convert these sources (") + kSourcesForm +
                     "), writing the list beside each as name.txt and leaving the source as it "
                     "is; a name.txt there already is never replaced. A .srt or .vtt file named "
                     "on its own is converted without it. With --restore, removes such a list "
                     "when it is still exactly the conversion of its source")
      ->type_name("KINDS");
  CLI::Option* verbose =
      app.add_flag("-v,--verbose", settings.verbose, "One line per file with its outcome");
  app.add_flag("-q,--quiet", settings.quiet, "Report failures only, without the summary")
      ->excludes(verbose);
  app.add_flag("--json", settings.json,
               "On standard output, one JSON object per file and folder error, then the counts "
               "(JSON Lines); standard error stays as it is")
      ->excludes(verbose);
  app.add_option("-j,--jobs", settings.jobs,
                 "Convert or restore N files at once (default: one per processor core)")
      ->type_name("N")
      ->check(CLI::Range(1u, 1024u));
  app.set_version_flag("--version", std::string(kCliName) + " " + KESTRANE_VERSION);
  app.footer(
      "A summary goes to standard error. Exit status: 0 when nothing failed, 1 when a file "
      "failed or a folder could not be read, 2 for a usage error.\n\n"
      "Examples:\n"
      "  kestrane-cli -n ~/Subtitles         show what would be converted\n"
      "  kestrane-cli ~/Subtitles            convert every .txt below ~/Subtitles\n"
      "  kestrane-cli --fps 25 ~/Subtitles   the same, for a 25 fps project\n"
      "  kestrane-cli --offset 01:00:00:00 ~/Subtitles\n"
      "                                      lists for a timeline that starts at one hour\n"
      "  kestrane-cli --offset -10:00:00:00 ~/Broadcast\n"
      "                                      a broadcast file's times back to zero\n"
      "  kestrane-cli --sources srt,vtt ~/Videos\n"
      "                                      also convert .srt and .vtt beside them\n"
      "  kestrane-cli --restore ~/Subtitles  put the originals back");
}

// Parses `args` into the fields `app`'s options write; the exit status when that ends the run.
std::optional<int> Parse(CLI::App& app, const std::vector<std::string>& args, Console& console) {
  std::vector<const char*> argv;
  argv.push_back(args.empty() ? kCliName : args[0].c_str());
  for (std::size_t i = 1; i < args.size(); ++i)
    argv.push_back(args[i].c_str());
  try {
    app.parse(static_cast<int>(argv.size()), argv.data());
  } catch (const CLI::CallForHelp&) {
    console.Out(app.help());
    return kExitOk;
  } catch (const CLI::CallForAllHelp&) {
    console.Out(app.help());
    return kExitOk;
  } catch (const CLI::CallForVersion& version) {
    console.Out(std::string(version.what()) + "\n");
    return kExitOk;
  } catch (const CLI::ParseError& error) {
    console.Err(std::string(kCliName) + ": " + ShownText(FirstLine(error.what())) + kHint);
    return kExitUsage;
  }
  return std::nullopt;
}

}  // namespace

std::optional<int> ParseOptions(const std::vector<std::string>& args, Console& console,
                                Settings* settings) {
  CLI::App app({}, kCliName);
  std::string fps, offset, sources;
  DeclareOptions(app, *settings, fps, offset, sources);
  if (const std::optional<int> status = Parse(app, args, console)) return status;
  // An empty rate given is an unknown one, not the classic frame.
  if (app.count("--fps") != 0) settings->fps = fps;
  if (app.count("--offset") != 0) settings->offset = offset;
  if (app.count("--sources") != 0) {
    const std::optional<SourceKinds> kinds = ParseSources(sources);
    if (!kinds) {
      console.Err(std::string(kCliName) + ": --sources: unknown value '" + ShownText(sources) +
                  "'; use " + kSourcesForm + "\n");
      return kExitUsage;
    }
    settings->sources = *kinds;
  }
  if (settings->paths.empty()) {
    console.Err(std::string(kCliName) + ": no PATH given" + kHint);
    return kExitUsage;
  }
  return std::nullopt;
}

}  // namespace kestrane
