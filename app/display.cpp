#include "app/display.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <bitset>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <vector>

#include "app/ending.h"
#include "common/encoding.h"

namespace app {

namespace {

constexpr int kConnectWaitMs = 3000;

// A socket address a display is reached at.
struct Address {
  sockaddr_storage addr{};
  socklen_t len = 0;
};

// The check's own connection to the X server that took it, open until the toolkit has
// its own: a server whose only client leaves resets (or ends), and the toolkit's
// connection would meet that.
xcb_connection_t* g_checkConnection = nullptr;
// What answered the check, as said when the toolkit cannot connect to it after all,
// and where it answered.
std::string g_checkedDisplay;
std::vector<Address> g_checkedAt;
// The runtime folder made by this run, empty when none was.
std::string g_madeRuntimeDir;

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// Connects a socket, waiting at most kConnectWaitMs; true when something answers.
// Safe in a signal handler.
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

// A connected socket to the first of `at` that answers; -1 when none does. Safe in a
// signal handler.
int FirstAnswering(const std::vector<Address>& at) {
  for (const Address& a : at) {
    const int fd = socket(a.addr.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) continue;
    if (Connects(fd, reinterpret_cast<const sockaddr*>(&a.addr), a.len)) return fd;
    close(fd);
  }
  return -1;
}

bool Answers(const std::vector<Address>& at) {
  const int fd = FirstAnswering(at);
  if (fd >= 0) close(fd);
  return fd >= 0;
}

// Nothing takes a connection at `at`, now or within half a second: a server that ends
// may drop its clients before it stops listening. Safe in a signal handler.
bool Gone(const std::vector<Address>& at) {
  for (int look = 1;; ++look) {
    if (!Answers(at)) return true;
    if (look == 5) return false;
    const timespec pause{0, 100 * 1000 * 1000};
    nanosleep(&pause, nullptr);
  }
}

// A local socket by its path (`abstract`: the name in the abstract namespace).
void AddLocal(std::vector<Address>& at, const std::string& path, bool abstract) {
  Address a;
  auto& un = reinterpret_cast<sockaddr_un&>(a.addr);
  un.sun_family = AF_UNIX;
  const std::size_t from = abstract ? 1 : 0;
  if (path.empty() || path.size() + from >= sizeof un.sun_path) return;
  std::memcpy(un.sun_path + from, path.data(), path.size());
  a.len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + from + path.size() + (abstract ? 0 : 1));
  at.push_back(a);
}

void AddTcp(std::vector<Address>& at, const std::string& host, int port) {
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return;
  for (addrinfo* f = found; f; f = f->ai_next) {
    if (f->ai_addrlen > sizeof(sockaddr_storage)) continue;
    Address a;
    std::memcpy(&a.addr, f->ai_addr, f->ai_addrlen);
    a.len = f->ai_addrlen;
    at.push_back(a);
  }
  freeaddrinfo(found);
}

// Where the server of an X display "[host]:N[.S]" listens: its local socket, or port
// 6000 + N on the host.
std::vector<Address> XDisplayAddresses(const std::string& display) {
  std::vector<Address> at;
  const std::size_t colon = display.rfind(':');
  if (colon == std::string::npos) return at;
  const std::string host = display.substr(0, colon);
  const std::string rest = display.substr(colon + 1);
  const std::size_t digits = rest.find_first_not_of("0123456789");
  const std::string number = rest.substr(0, digits);
  if (number.empty() || number.size() > 5) return at;
  if (host.empty() || host == "unix") {
    const std::string socketPath = "/tmp/.X11-unix/X" + number;
    AddLocal(at, socketPath, true);
    AddLocal(at, socketPath, false);
  } else if (host.find('/') != std::string::npos) {
    AddLocal(at, host, false);
  } else {
    AddTcp(at, host, 6000 + std::atoi(number.c_str()));
  }
  return at;
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

std::string StoppedAnswering(const std::string& what) { return what + " stopped answering as the program started"; }
std::string ClosedAsItStarted(const std::string& what) {
  return what + " closed the program's connection as it started";
}

// Why an X server that answers does not take this program as its client (its
// setup refused, a screen it has not); empty when it does.
std::string XDisplayRefusal(const std::string& display) {
  // The library writes the server's reason for a refusal to standard error: it is
  // caught here, to be said in the one line. A server that closes the connection
  // without a word may be resetting (its last other client just left): it is asked
  // again, a moment later, twice at most; one that takes no connection at all any more
  // has gone since the probe.
  const std::string at = "the X server at DISPLAY=" + display;
  std::string reason;
  int error = TryXConnection(display, reason);
  for (int again = 0; error != 0 && error != XCB_CONN_CLOSED_INVALID_SCREEN && reason.empty(); ++again) {
    if (!Answers(XDisplayAddresses(display))) return StoppedAnswering(at);
    if (again == 2) break;
    usleep(150 * 1000);
    error = TryXConnection(display, reason);
  }
  // The server's own words, its first line: printable text only, and not too long.
  if (const std::size_t nl = reason.find('\n'); nl != std::string::npos) reason.erase(nl);
  reason = common::PrintableUtf8(reason, 200);
  while (!reason.empty() && reason.back() == ' ') reason.pop_back();
  if (error == 0) return {};
  if (error == XCB_CONN_CLOSED_INVALID_SCREEN) return at + " has no such screen";
  std::string text = at + " refuses it: " + (reason.empty() ? "not authorized" : reason);
  if (reason.empty() || reason.find("uthoriz") != std::string::npos) {
    std::string cookies = Env("XAUTHORITY");
    if (cookies.empty()) cookies = Env("HOME") + "/.Xauthority";
    text += " (no cookie for it in " + cookies + "); start it as the user of that display";
  }
  return text;
}

std::vector<Address> WaylandAddresses(const std::string& name) {
  std::vector<Address> at;
  const std::string runtime = Env("XDG_RUNTIME_DIR");
  if (!name.empty() && name.front() == '/')
    AddLocal(at, name, false);
  else if (!name.empty() && !runtime.empty())
    AddLocal(at, runtime + "/" + name, false);
  return at;
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
  if (const int probe = x && !display.empty() ? FirstAnswering(XDisplayAddresses(display)) : -1; probe >= 0) {
    refusal = XDisplayRefusal(display);
    close(probe);
    if (refusal.empty()) {
      g_checkedDisplay = "the X server at DISPLAY=" + display;
      g_checkedAt = XDisplayAddresses(display);
      return {};
    }
  }
  if (w && !wayland.empty() && Answers(WaylandAddresses(wayland))) {
    g_checkedDisplay = "the Wayland display at WAYLAND_DISPLAY=" + wayland;
    g_checkedAt = WaylandAddresses(wayland);
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

namespace {

// The line for the toolkit's connection lost as it started: `closed` when the display
// still takes connections.
std::string LostAtStart(bool closed) {
  const std::string what = g_checkedDisplay.empty() ? "the display" : g_checkedDisplay;
  return "needs a display: " + (closed ? ClosedAsItStarted(what) : StoppedAnswering(what)) + kUseRun;
}

}  // namespace

std::string DisplayLostAtStart(const std::string& toolkitSaid) {
  if (toolkitSaid.empty()) return LostAtStart(false);
  return "cannot show its windows" + (g_checkedDisplay.empty() ? std::string() : " on " + g_checkedDisplay) + ": " +
         common::PrintableUtf8(toolkitSaid, 200);
}

void RemoveMadeRuntimeDir() {
  if (g_madeRuntimeDir.empty()) return;
  std::error_code ignored;
  std::filesystem::remove_all(g_madeRuntimeDir, ignored);
  g_madeRuntimeDir.clear();
}

// ---- While the toolkit connects

namespace {

// Ready before the toolkit starts to connect, for a signal handler to use: the lines,
// and the runtime folder made for the run.
std::string g_lostLine, g_closedLine;
std::string g_runtimeDirAtConnect;
bool g_connecting = false;
struct sigaction g_savedSegv {}, g_savedBus {};
XIOErrorHandler g_savedXIOHandler = nullptr;
// The descriptors open before the toolkit began to connect: a socket opened since to
// the display that answered the check is the toolkit's connection.
constexpr int kFdsLooked = 4096;
std::bitset<kFdsLooked> g_openBefore;

// The bytes of a local socket's name without the NULs that may end it.
std::size_t LocalNameLength(const sockaddr_un& a, socklen_t len) {
  std::size_t n = len > offsetof(sockaddr_un, sun_path) ? len - offsetof(sockaddr_un, sun_path) : 0;
  n = std::min(n, sizeof a.sun_path);
  while (n > 0 && a.sun_path[n - 1] == '\0') --n;
  return n;
}

// `peer` is where the display answered the check. Safe in a signal handler.
bool AtCheckedDisplay(const sockaddr_storage& peer, socklen_t len) {
  for (const Address& a : g_checkedAt) {
    if (a.addr.ss_family != peer.ss_family) continue;
    if (peer.ss_family == AF_UNIX) {
      const auto& x = reinterpret_cast<const sockaddr_un&>(peer);
      const auto& y = reinterpret_cast<const sockaddr_un&>(a.addr);
      const std::size_t n = LocalNameLength(x, len);
      if (n > 0 && n == LocalNameLength(y, a.len) && std::memcmp(x.sun_path, y.sun_path, n) == 0) return true;
    } else if (peer.ss_family == AF_INET) {
      const auto& x = reinterpret_cast<const sockaddr_in&>(peer);
      const auto& y = reinterpret_cast<const sockaddr_in&>(a.addr);
      if (x.sin_port == y.sin_port && x.sin_addr.s_addr == y.sin_addr.s_addr) return true;
    } else if (peer.ss_family == AF_INET6) {
      const auto& x = reinterpret_cast<const sockaddr_in6&>(peer);
      const auto& y = reinterpret_cast<const sockaddr_in6&>(a.addr);
      if (x.sin6_port == y.sin6_port && std::memcmp(&x.sin6_addr, &y.sin6_addr, sizeof x.sin6_addr) == 0) return true;
    }
  }
  return false;
}

// A TCP connection of this process, once connected, that the other end has closed
// or reset: after a reset it has no peer's name any more, only its own port.
bool ResetTcpConnection(int fd) {
  sockaddr_storage own{};
  socklen_t len = sizeof own;
  int type = 0;
  socklen_t typeLen = sizeof type;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&own), &len) != 0 ||
      getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &typeLen) != 0 || type != SOCK_STREAM)
    return false;
  bool tcpDisplay = false;
  for (const Address& a : g_checkedAt) tcpDisplay = tcpDisplay || a.addr.ss_family == own.ss_family;
  if (!tcpDisplay) return false;
  if (own.ss_family == AF_INET) return reinterpret_cast<const sockaddr_in&>(own).sin_port != 0;
  if (own.ss_family == AF_INET6) return reinterpret_cast<const sockaddr_in6&>(own).sin6_port != 0;
  return false;
}

// The toolkit's own connection to the display has been closed from the other end, by
// the time of this look. Safe in a signal handler.
bool ToolkitConnectionClosed() {
  for (int fd = 0; fd < kFdsLooked; ++fd) {
    if (g_openBefore[static_cast<std::size_t>(fd)]) continue;
    pollfd p{fd, POLLRDHUP, 0};
    if (poll(&p, 1, 0) != 1 || (p.revents & POLLNVAL) || !(p.revents & (POLLRDHUP | POLLHUP | POLLERR))) continue;
    sockaddr_storage peer{};
    socklen_t len = sizeof peer;
    if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &len) == 0) {
      if (AtCheckedDisplay(peer, len)) return true;
    } else if (errno == ENOTCONN && ResetTcpConnection(fd)) {
      return true;
    }
  }
  return false;
}

// A crash, or SIGSEGV or SIGBUS sent, while the toolkit connects: with its connection
// closed or the display gone, the toolkit failed on the replies it never got, and the
// run ends in the one line. Otherwise it is not the handler's to speak for: it ends the
// run as the signal's default action does, whether a fault or sent (the two cannot be
// told apart).
void OnCrashWhileConnecting(int signal) {
  const bool closed = ToolkitConnectionClosed();
  const bool gone = Gone(g_checkedAt);
  if (closed || gone) {
    const std::string& line = gone ? g_lostLine : g_closedLine;
    (void)!write(STDERR_FILENO, line.data(), line.size());
    if (!g_runtimeDirAtConnect.empty()) (void)rmdir(g_runtimeDirAtConnect.c_str());
    _exit(2);
  }
  EndByDefaultAction(signal);
}

// The X library's end for a broken connection, in place of its own words and status.
int OnXConnectionBroken(Display*) { EndDisplayLostAtStart(); }

}  // namespace

void BeginToolkitConnect() {
  if (g_connecting || g_checkedAt.empty()) return;
  g_connecting = true;
  g_lostLine = "ciselniky: " + LostAtStart(false) + "\n";
  g_closedLine = "ciselniky: " + LostAtStart(true) + "\n";
  g_runtimeDirAtConnect = g_madeRuntimeDir;
  for (int fd = 0; fd < kFdsLooked; ++fd) g_openBefore[static_cast<std::size_t>(fd)] = fcntl(fd, F_GETFD) != -1;
  struct sigaction sa {};
  sa.sa_handler = OnCrashWhileConnecting;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGSEGV, &sa, &g_savedSegv);
  sigaction(SIGBUS, &sa, &g_savedBus);
  g_savedXIOHandler = XSetIOErrorHandler(OnXConnectionBroken);
}

void EndToolkitConnect() {
  if (!g_connecting) return;
  g_connecting = false;
  sigaction(SIGSEGV, &g_savedSegv, nullptr);
  sigaction(SIGBUS, &g_savedBus, nullptr);
  // The toolkit sets a handler of its own once it has opened the display: that one stays.
  if (XIOErrorHandler now = XSetIOErrorHandler(g_savedXIOHandler); now != OnXConnectionBroken)
    XSetIOErrorHandler(now);
}

bool ToolkitConnectionLost() {
  return !g_checkedAt.empty() && ((g_connecting && ToolkitConnectionClosed()) || Gone(g_checkedAt));
}

void EndDisplayLostAtStart(const std::string& toolkitSaid) {
  std::string line;
  if (!toolkitSaid.empty())
    line = DisplayLostAtStart(toolkitSaid);
  else
    line = LostAtStart(g_connecting && ToolkitConnectionClosed() && !Gone(g_checkedAt));
  std::fputs(("ciselniky: " + line + "\n").c_str(), stderr);
  std::fflush(stderr);
  RemoveMadeRuntimeDir();
  _exit(2);
}

}  // namespace app
