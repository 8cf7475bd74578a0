#include "common/session.h"

#include "common/params.h"

namespace common {

Session::Session() = default;
Session::~Session() = default;

namespace {
std::unique_ptr<Session> g_session;
}

Session& CurrentSession() {
  if (!g_session) g_session = std::make_unique<Session>();
  return *g_session;
}

void ResetSession() { g_session = std::make_unique<Session>(); }

}  // namespace common
