// The program's one application object. Apart from the start-up code so that the tests, which
// build applications with their own file system and dialogs, need no toolkit.
#include "app/kestrane_app.h"

kestrane::CKestraneApp theApp(kestrane::DefaultFileSystem(), kestrane::PlatformDialogs());
