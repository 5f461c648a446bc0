#include "app/app_base.h"

#ifdef _WIN32
#include "platform/text.h"
#endif

namespace kestrane {
namespace {

CApplication* current_app = nullptr;

}  // namespace

CApplication::CApplication() {
  if (current_app == nullptr) current_app = this;
}

CApplication::~CApplication() {
  if (current_app == this) current_app = nullptr;
}

std::string CApplication::Argument(std::size_t n) const {
  return n < m_args.size() ? m_args[n] : std::string();
}

std::filesystem::path CApplication::ArgumentPath(std::size_t n) const {
#ifdef _WIN32
  // A narrow string would be read in the ANSI code page.
  return std::filesystem::path(Wtf8ToWide(Argument(n)));
#else
  return std::filesystem::path(Argument(n));
#endif
}

CApplication* CApplication::Current() {
  return current_app;
}

int RunApplication(std::vector<std::string> args) {
  CApplication* app = CApplication::Current();
  if (app == nullptr) return 1;
  app->SetArguments(std::move(args));
  // Whatever the start-up answers, there is no window to keep alive: the program ends here.
  app->InitInstance();
  return 0;
}

}  // namespace kestrane
