// The application object and its start-up. The program defines one global object of a class
// derived from CApplication; the platform's entry point hands the command line to
// RunApplication, which calls that object's InitInstance, and the process ends when it returns.
// There is no main window and no message loop: all the work happens inside InitInstance.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace kestrane {

class CApplication {
 public:
  // The first application object constructed becomes the program's (see Current).
  CApplication();
  virtual ~CApplication();
  CApplication(const CApplication&) = delete;
  CApplication& operator=(const CApplication&) = delete;

  // The start-up. Returning true would ask for a message loop, which this program never runs;
  // derived classes do their work here and return false. The base version only succeeds.
  virtual bool InitInstance() { return true; }

  // Argument n of the command line as UTF-8, 0 being the program; empty when there is none.
  std::string Argument(std::size_t n) const;
  std::size_t ArgumentCount() const { return m_args.size(); }
  // The same argument as a path: on Windows, where it came as UTF-16, the same name again.
  std::filesystem::path ArgumentPath(std::size_t n) const;
  void SetArguments(std::vector<std::string> args) { m_args = std::move(args); }

  // The program's application object, or null when none is alive.
  static CApplication* Current();

 private:
  std::vector<std::string> m_args;
};

// Runs the application's start-up with the command line (UTF-8, program first) and returns the
// process exit code: 0 once the start-up has returned, 1 when no application object exists.
int RunApplication(std::vector<std::string> args);

}  // namespace kestrane
