#include "app/display.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "common/encoding.h"

namespace app {

namespace {

constexpr int kConnectWaitMs = 3000;

// The check's own connection to the X server that took it, open until the toolkit has
// its own: a server whose only client leaves resets (or ends), and the toolkit's
// connection would meet that.
xcb_connection_t* g_checkConnection = nullptr;
// What answered the check, as said when the toolkit cannot connect to it after all.
std::string g_checkedDisplay;
// The runtime folder made by this run, empty when none was.
std::string g_madeRuntimeDir;

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// Connects a socket, waiting at most kConnectWaitMs; true when something answers.
bool Connects(int fd, const sockaddr* addr, socklen_t len) {
  const int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) (void)fcntl(fd, F_SETFL, flags | O_NONBLOCK);
  if (connect(fd, addr, len) == 0) return true;
  if (errno != EINPROGRESS) return false;
  pollfd p{fd, POLLOUT, 0};
  if (poll(&p, 1, kConnectWaitMs) != 1) return false;
  int err = 0;
  socklen_t errLen = sizeof err;
  return getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &errLen) == 0 && err == 0;
}

// A connected local socket by its path (`abstract`: the name in the abstract
// namespace); -1 when nothing answers there.
int LocalSocket(const std::string& path, bool abstract) {
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  const std::size_t at = abstract ? 1 : 0;
  if (path.empty() || path.size() + at >= sizeof addr.sun_path) return -1;
  std::memcpy(addr.sun_path + at, path.data(), path.size());
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  const auto len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + at + path.size() + (abstract ? 0 : 1));
  if (Connects(fd, reinterpret_cast<const sockaddr*>(&addr), len)) return fd;
  close(fd);
  return -1;
}

bool LocalSocketAnswers(const std::string& path, bool abstract) {
  const int fd = LocalSocket(path, abstract);
  if (fd >= 0) close(fd);
  return fd >= 0;
}

int TcpSocket(const std::string& host, int port) {
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return -1;
  int connected = -1;
  for (addrinfo* a = found; a && connected < 0; a = a->ai_next) {
    const int fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) continue;
    if (Connects(fd, a->ai_addr, a->ai_addrlen))
      connected = fd;
    else
      close(fd);
  }
  freeaddrinfo(found);
  return connected;
}

// A connected socket to the server of an X display "[host]:N[.S]" (its local socket, or
// port 6000 + N on the host); -1 when nothing answers there.
int XDisplaySocket(const std::string& display) {
  const std::size_t colon = display.rfind(':');
  if (colon == std::string::npos) return -1;
  const std::string host = display.substr(0, colon);
  const std::string rest = display.substr(colon + 1);
  const std::size_t digits = rest.find_first_not_of("0123456789");
  const std::string number = rest.substr(0, digits);
  if (number.empty() || number.size() > 5) return -1;
  if (host.empty() || host == "unix") {
    const std::string socketPath = "/tmp/.X11-unix/X" + number;
    const int fd = LocalSocket(socketPath, true);
    return fd >= 0 ? fd : LocalSocket(socketPath, false);
  }
  if (host.find('/') != std::string::npos) return LocalSocket(display.substr(0, colon), false);
  return TcpSocket(host, 6000 + std::atoi(number.c_str()));
}

// One connection to the X server: its error (0 when it takes the client) and what the
// library wrote to standard error meanwhile (the server's reason for a refusal). A
// connection taken stays open as g_checkConnection.
int TryXConnection(const std::string& display, std::string& reason) {
  int fds[2] = {-1, -1};
  int saved = -1;
  if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
    std::fflush(stderr);
    saved = dup(STDERR_FILENO);
    if (saved >= 0) (void)dup2(fds[1], STDERR_FILENO);
    close(fds[1]);
  }
  xcb_connection_t* c = xcb_connect(display.c_str(), nullptr);
  const int error = xcb_connection_has_error(c);
  if (error == 0) {
    CloseDisplayCheck();
    g_checkConnection = c;
  } else {
    xcb_disconnect(c);
  }
  if (saved >= 0) {
    (void)dup2(saved, STDERR_FILENO);
    close(saved);
  }
  reason.clear();
  if (fds[0] >= 0) {
    char buf[512];
    const ssize_t got = read(fds[0], buf, sizeof buf);
    if (got > 0) reason.assign(buf, static_cast<std::size_t>(got));
    close(fds[0]);
  }
  return error;
}

// Why an X server that answers does not take this program as its client (its
// setup refused, a screen it has not); empty when it does.
std::string XDisplayRefusal(const std::string& display) {
  // The library writes the server's reason for a refusal to standard error: it is
  // caught here, to be said in the one line. A server that closes the connection
  // without a word may be resetting (its last other client just left): it is asked
  // again, a moment later, twice at most.
  std::string reason;
  int error = TryXConnection(display, reason);
  for (int again = 0; again < 2 && error != 0 && error != XCB_CONN_CLOSED_INVALID_SCREEN && reason.empty(); ++again) {
    usleep(150 * 1000);
    error = TryXConnection(display, reason);
  }
  // The server's own words, its first line: printable text only, and not too long.
  if (const std::size_t nl = reason.find('\n'); nl != std::string::npos) reason.erase(nl);
  reason = common::PrintableUtf8(reason, 200);
  while (!reason.empty() && reason.back() == ' ') reason.pop_back();
  if (error == 0) return {};
  const std::string at = "the X server at DISPLAY=" + display;
  if (error == XCB_CONN_CLOSED_INVALID_SCREEN) return at + " has no such screen";
  std::string text = at + " refuses it: " + (reason.empty() ? "not authorized" : reason);
  if (reason.empty() || reason.find("uthoriz") != std::string::npos) {
    std::string cookies = Env("XAUTHORITY");
    if (cookies.empty()) cookies = Env("HOME") + "/.Xauthority";
    text += " (no cookie for it in " + cookies + "); start it as the user of that display";
  }
  return text;
}

bool WaylandAnswers(const std::string& name) {
  if (name.empty()) return false;
  if (name.front() == '/') return LocalSocketAnswers(name, false);
  const std::string runtime = Env("XDG_RUNTIME_DIR");
  return !runtime.empty() && LocalSocketAnswers(runtime + "/" + name, false);
}

constexpr char kUseRun[] = "; ./run provides one (Xvfb when there is none)";

}  // namespace

std::string DisplayProblem() {
  const std::string display = Env("DISPLAY"), wayland = Env("WAYLAND_DISPLAY");
  std::string platform = Env("QT_QPA_PLATFORM");
  platform = platform.substr(0, platform.find(':'));
  const bool x = platform.empty() || platform == "xcb";
  const bool w = platform.empty() || platform.starts_with("wayland");
  if (!x && !w) return {};  // offscreen, vnc, ...: a platform that needs no display
  std::string refusal;
  // The probe's socket stays open until the check has connected: a server whose
  // last client leaves resets (or ends), even one that never sent a word.
  if (const int probe = x && !display.empty() ? XDisplaySocket(display) : -1; probe >= 0) {
    refusal = XDisplayRefusal(display);
    close(probe);
    if (refusal.empty()) {
      g_checkedDisplay = "the X server at DISPLAY=" + display;
      return {};
    }
  }
  if (w && !wayland.empty() && WaylandAnswers(wayland)) {
    g_checkedDisplay = "the Wayland display at WAYLAND_DISPLAY=" + wayland;
    return {};
  }
  if (!refusal.empty()) return "needs a display: " + refusal + kUseRun;
  if ((!x || display.empty()) && (!w || wayland.empty()))
    return std::string("needs a display (DISPLAY is not set)") + kUseRun;
  std::string named;
  if (x && !display.empty()) named = "DISPLAY=" + display;
  if (w && !wayland.empty()) named += (named.empty() ? "" : ", ") + std::string("WAYLAND_DISPLAY=") + wayland;
  return "needs a display: none is running at " + named + "; start it from a desktop session, or unset DISPLAY" +
         kUseRun;
}

bool EnsureRuntimeDir() {
  if (!Env("XDG_RUNTIME_DIR").empty()) return true;
  std::string base = Env("TMPDIR");
  if (base.empty() || base.front() != '/') base = "/tmp";
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  const uid_t uid = getuid();
  const std::string own = base + "/ciselniky-runtime-" + std::to_string(uid);
  std::string chosen;
  const bool made = mkdir(own.c_str(), 0700) == 0;
  if (made || errno == EEXIST) {
    struct stat st {};
    if (lstat(own.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == uid &&
        ((st.st_mode & 0777) == 0700 || chmod(own.c_str(), 0700) == 0))
      chosen = own;
  }
  if (!chosen.empty() && made) g_madeRuntimeDir = chosen;
  if (chosen.empty()) {
    std::string pattern = own + "-XXXXXX";
    if (!mkdtemp(pattern.data())) return false;
    chosen = g_madeRuntimeDir = pattern;
  }
  return setenv("XDG_RUNTIME_DIR", chosen.c_str(), 1) == 0;
}

void CloseDisplayCheck() {
  if (g_checkConnection) xcb_disconnect(g_checkConnection);
  g_checkConnection = nullptr;
}

std::string DisplayLostAtStart(const std::string& toolkitSaid) {
  if (toolkitSaid.empty())
    return "needs a display: " + (g_checkedDisplay.empty() ? std::string("the display") : g_checkedDisplay) +
           " stopped answering as the program started" + kUseRun;
  return "cannot show its windows" + (g_checkedDisplay.empty() ? std::string() : " on " + g_checkedDisplay) + ": " +
         common::PrintableUtf8(toolkitSaid, 200);
}

void RemoveMadeRuntimeDir() {
  if (g_madeRuntimeDir.empty()) return;
  std::error_code ignored;
  std::filesystem::remove_all(g_madeRuntimeDir, ignored);
  g_madeRuntimeDir.clear();
}

}  // namespace app
