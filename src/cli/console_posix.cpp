#include <unistd.h>

#include <cstdio>

#include "cli/console.h"

namespace kestrane {
namespace {

class PosixConsole : public Console {
 public:
  void Out(std::string_view text) override { Write(stdout, text); }
  void Err(std::string_view text) override { Write(stderr, text); }
  bool ErrIsTerminal() override { return isatty(STDERR_FILENO) == 1; }

 private:
  static void Write(std::FILE* stream, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
  }
};

}  // namespace

Console& SystemConsole() {
  static PosixConsole console;
  return console;
}

// Names are bytes here; they are passed on and shown as they are.
std::vector<std::string> CommandLineArgs(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

std::filesystem::path PathFromArg(std::string_view arg) {
  return std::filesystem::path(arg);
}

std::string PathText(const std::filesystem::path& path) {
  return path.native();
}

}  // namespace kestrane
