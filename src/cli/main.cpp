#include "cli/cli.h"

int main(int argc, char** argv) {
  return kestrane::RunCli(kestrane::CommandLineArgs(argc, argv), kestrane::DefaultFileSystem(),
                          kestrane::SystemConsole());
}
