#include "cli/console.h"

namespace kestrane {

std::string WithoutPowerShellQuote(std::string arg) {
  if (arg.ends_with('"')) arg.back() = '\\';
  return arg;
}

}  // namespace kestrane
