// The entry point on Linux and other GTK systems.
#include <gtk/gtk.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/app_base.h"

int main(int argc, char** argv) {
  // Fails cleanly, instead of aborting, when there is no display to open.
  if (!gtk_init_check(&argc, &argv)) {
    std::fprintf(stderr, "kestrane: cannot open a display (is DISPLAY set?)\n");
    return 1;
  }
  // After gtk_init_check, which takes its own options (--display...) out of argv.
  return kestrane::RunApplication(std::vector<std::string>(argv, argv + argc));
}
