// The program ended from outside: a signal (logout, a closed terminal, Ctrl+C) or its
// X server going away. The real program runs under its own Xvfb on a scratch start
// folder, opens code list 30 by keys, and is then ended; its lock entries must be gone
// and its exit status must tell how it ended.
#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xcbext.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "common/fottab.h"
#include "common/iocodes.h"
#include "common/jobfile.h"
#include "common/osfile.h"
#include "common/process.h"
#include "common/text.h"
#include "tests/common/os_tempdir.h"

namespace {

// Generous: the machine running the tests may be busy.
constexpr int kWaitMs = 60000;

bool PollUntil(const std::function<bool()>& done, int ms = kWaitMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

// An X server of the test's own, with keys typed through its test extension.
class XServer {
 public:
  // `extra`: more of the server's options ("-auth" and its cookie file, "-terminate"):
  // then the test connects only when it calls Connect.
  explicit XServer(std::vector<std::string> extra = {}) {
    // The server picks a free display itself and tells its number once it is ready.
    int fds[2];
    if (pipe(fds) != 0) return;
    common::RunOptions o;
    o.hidden = true;
    std::vector<std::string> args = {"-displayfd", std::to_string(fds[1]), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"};
    args.insert(args.end(), extra.begin(), extra.end());
    const bool started = server_.Start("Xvfb", args, o) == 0;
    close(fds[1]);
    std::string number;
    if (started) {
      pollfd p{fds[0], POLLIN, 0};
      char c = 0;
      while (number.find('\n') == std::string::npos && poll(&p, 1, kWaitMs) == 1 && read(fds[0], &c, 1) == 1)
        number += c;
    }
    close(fds[0]);
    if (number.empty() || number.back() != '\n') return;
    display_ = ":" + number.substr(0, number.size() - 1);
    if (extra.empty()) Connect();
  }
  ~XServer() { Stop(); }

  // The test's own connection, made by the constructor unless it had `extra` options.
  bool Connect() {
    conn_ = xcb_connect(display_.c_str(), nullptr);
    if (xcb_connection_has_error(conn_)) {
      xcb_disconnect(conn_);
      conn_ = nullptr;
    }
    if (!conn_) return false;
    root_ = xcb_setup_roots_iterator(xcb_get_setup(conn_)).data->root;
    xtest_ = Opcode("XTEST");
    return ok();
  }

  // The major opcode of an extension the server has; 0 when it has not.
  std::uint8_t Opcode(const std::string& extension) {
    xcb_query_extension_reply_t* ext = xcb_query_extension_reply(
        conn_, xcb_query_extension(conn_, static_cast<std::uint16_t>(extension.size()), extension.c_str()), nullptr);
    const std::uint8_t opcode = ext && ext->present ? ext->major_opcode : 0;
    free(ext);
    return opcode;
  }

  bool ok() const { return conn_ && xtest_; }
  const std::string& display() const { return display_; }
  void Stop() {
    if (conn_) xcb_disconnect(conn_);
    conn_ = nullptr;
    server_.Kill();
  }

  // Presses and releases the key of an X keysym.
  void Key(std::uint32_t keysym) {
    const std::uint8_t code = KeyCode(keysym);
    Fake(2, code);  // KeyPress
    Fake(3, code);  // KeyRelease
    xcb_aux_sync();
  }

  // A shown top-level window whose title holds `part` (UTF-8).
  bool Shown(const std::string& part) {
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(conn_, xcb_query_tree(conn_, root_), nullptr);
    if (!tree) return false;
    bool found = false;
    const xcb_window_t* w = xcb_query_tree_children(tree);
    for (int i = 0; i < xcb_query_tree_children_length(tree) && !found; ++i) {
      xcb_get_window_attributes_reply_t* a =
          xcb_get_window_attributes_reply(conn_, xcb_get_window_attributes(conn_, w[i]), nullptr);
      const bool viewable = a && a->map_state == XCB_MAP_STATE_VIEWABLE;
      free(a);
      if (viewable) found = Title(w[i]).find(part) != std::string::npos;
    }
    free(tree);
    return found;
  }

  // The window holding the keyboard has a title with `part` in it.
  bool Focused(const std::string& part) {
    xcb_get_input_focus_reply_t* f = xcb_get_input_focus_reply(conn_, xcb_get_input_focus(conn_), nullptr);
    xcb_window_t w = f ? f->focus : XCB_NONE;
    free(f);
    // Up to the top-level window.
    for (int depth = 0; w != XCB_NONE && w != root_ && depth < 16; ++depth) {
      xcb_query_tree_reply_t* t = xcb_query_tree_reply(conn_, xcb_query_tree(conn_, w), nullptr);
      const xcb_window_t parent = t ? t->parent : XCB_NONE;
      free(t);
      if (parent == root_) break;
      w = parent;
    }
    return w != XCB_NONE && w != root_ && Title(w).find(part) != std::string::npos;
  }

 private:
  void xcb_aux_sync() { free(xcb_get_input_focus_reply(conn_, xcb_get_input_focus(conn_), nullptr)); }

  std::string Title(xcb_window_t w) {
    xcb_intern_atom_reply_t* a = xcb_intern_atom_reply(conn_, xcb_intern_atom(conn_, 0, 12, "_NET_WM_NAME"), nullptr);
    const xcb_atom_t atom = a ? a->atom : static_cast<xcb_atom_t>(XCB_ATOM_WM_NAME);
    free(a);
    xcb_get_property_reply_t* p =
        xcb_get_property_reply(conn_, xcb_get_property(conn_, 0, w, atom, XCB_GET_PROPERTY_TYPE_ANY, 0, 256), nullptr);
    std::string title;
    if (p) title.assign(static_cast<const char*>(xcb_get_property_value(p)), xcb_get_property_value_length(p));
    free(p);
    return title;
  }

  std::uint8_t KeyCode(std::uint32_t keysym) {
    const xcb_setup_t* setup = xcb_get_setup(conn_);
    const std::uint8_t first = setup->min_keycode;
    const int count = setup->max_keycode - first + 1;
    xcb_get_keyboard_mapping_reply_t* m =
        xcb_get_keyboard_mapping_reply(conn_, xcb_get_keyboard_mapping(conn_, first, count), nullptr);
    std::uint8_t code = 0;
    if (m) {
      const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(m);
      for (int i = 0; i < count * m->keysyms_per_keycode && !code; ++i)
        if (syms[i] == keysym) code = static_cast<std::uint8_t>(first + i / m->keysyms_per_keycode);
    }
    free(m);
    return code;
  }

  // The test extension's FakeInput request.
  void Fake(std::uint8_t type, std::uint8_t detail) {
    std::uint8_t req[36] = {};
    req[1] = 2;  // X_XTestFakeInput
    req[4] = type;
    req[5] = detail;
    std::memcpy(req + 12, &root_, 4);
    req[35] = 0;  // no device
    iovec parts[4];
    parts[2].iov_base = req;
    parts[2].iov_len = sizeof req;
    parts[3].iov_base = nullptr;
    parts[3].iov_len = 0;
    xcb_protocol_request_t r{2, nullptr, xtest_, 1};
    xcb_send_request(conn_, 0, parts + 2, &r);
  }

  common::ChildProgram server_;
  xcb_connection_t* conn_ = nullptr;
  xcb_window_t root_ = 0;
  std::uint8_t xtest_ = 0;
  std::string display_;
};


// A display of the test's own on a local TCP port in front of an X server: each client
// connection is passed on to the server over one of its own. With EndsWithLastClient it
// ends (listens no more, drops every connection) as soon as a connection closes and
// leaves no client the server has taken, even one that never sent a word: as a server
// started with -terminate, but always at that point. With TakesOnlyFirst every client
// after the first one the server took is shut out without a word, as by a server that
// died between the program's display check and Qt's own connection. With EndsAtCut it
// ends as the cut's connection comes or sends the cut's request, as a server dying
// then; with ClosesEachAtItsSetUp it closes every connection without a word as its
// set-up request comes, and goes on listening. At the cut, GoesBehindItsListener drops
// every connection and from then on closes each new one at once (a forwarding listener
// outliving its server), ClosesTheCutsConnection closes that connection alone (a living
// server dropping one client), ResetsTheCutsConnection resets it (a server gone with
// its requests unread), HoldsAtCut keeps the cut's request until Release.
class XRelay {
 public:
  enum class Policy {
    EndsWithLastClient,
    TakesOnlyFirst,
    EndsAtCut,
    ClosesEachAtItsSetUp,
    GoesBehindItsListener,
    ClosesTheCutsConnection,
    ResetsTheCutsConnection,
    HoldsAtCut
  };
  // The connection (1 the first) and its request: -1 as it comes, 0 its set-up, n its
  // nth request (with an opcode, its nth of that major opcode).
  struct Cut {
    int connection, request;
    std::uint8_t opcode;
  };
  XRelay(const std::string& serverDisplay, Policy policy, Cut cut = {})
      : server_("/tmp/.X11-unix/X" + serverDisplay.substr(1)), policy_(policy), cut_(cut) {
    listen_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int reuse = 1;  // the ports of the relays just ended wait out their closes
    if (listen_ >= 0) setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    for (int n = 150; n < 250 && listen_ >= 0 && display_.empty(); ++n) {
      sockaddr_in a{};
      a.sin_family = AF_INET;
      a.sin_port = htons(static_cast<std::uint16_t>(6000 + n));
      a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      if (bind(listen_, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0 && listen(listen_, 8) == 0)
        display_ = "127.0.0.1:" + std::to_string(n);
    }
    if (!display_.empty()) serving_ = std::thread([this] { Serve(); });
  }
  ~XRelay() {
    stop_ = true;
    if (serving_.joinable()) serving_.join();
    if (listen_ >= 0) close(listen_);
  }
  const std::string& display() const { return display_; }
  bool ended() const { return ended_; }
  int taken() const { return taken_; }
  int shutOut() const { return shutOut_; }
  bool cutCame() const { return cutCame_; }
  // The cut's request: its number among all of its connection's requests (0 its set-up).
  int cutAt() const { return cutAt_; }
  // A held request goes on to the server.
  void Release() { released_ = true; }

 private:
  struct Link {
    int client = -1, server = -1;
    std::string toClient, toServer;
    bool replied = false, taken = false;  // the server answered the set-up, and took the client
    int number = 0;
    std::string fromClient;  // the client's requests not yet whole
    int requests = -1;       // passed on: -1 none, 0 the set-up, n requests after it
    std::map<std::uint8_t, int> ofOpcode;
    bool msbFirst = false;
  };

  // The length of the client's next request when it is there whole (its set-up first), else 0.
  static std::size_t NextRequest(const Link& l) {
    const std::string& in = l.fromClient;
    const auto byte = [&](std::size_t at) { return static_cast<std::size_t>(static_cast<std::uint8_t>(in[at])); };
    const auto u16 = [&](std::size_t at) { return l.msbFirst ? byte(at) << 8 | byte(at + 1) : byte(at + 1) << 8 | byte(at); };
    const auto pad4 = [](std::size_t n) { return (n + 3) / 4 * 4; };
    std::size_t length = 0;
    if (l.requests < 0) {
      length = in.size() >= 12 ? 12 + pad4(u16(6)) + pad4(u16(8)) : 0;
    } else if (in.size() >= 4) {
      length = 4 * u16(2);
      if (length == 0 && in.size() >= 8)  // a big request: its length in the next four bytes
        length = 4 * (l.msbFirst ? u16(4) << 16 | u16(6) : u16(6) << 16 | u16(4));
    }
    return length > 0 && in.size() >= length ? length : 0;
  }
  // Passes on the client's whole requests up to the cut; true at the cut.
  bool PassRequests(Link& l) {
    if (policy_ == Policy::EndsWithLastClient || policy_ == Policy::TakesOnlyFirst || released_) {
      l.toServer += l.fromClient;
      l.fromClient.clear();
      return false;
    }
    if (l.requests < 0 && !l.fromClient.empty()) l.msbFirst = l.fromClient[0] == 'B';
    for (std::size_t length; (length = NextRequest(l)) > 0;) {
      if (policy_ == Policy::ClosesEachAtItsSetUp) return true;
      const std::uint8_t opcode = l.requests < 0 ? 0 : static_cast<std::uint8_t>(l.fromClient[0]);
      const int nth = cut_.opcode ? ++l.ofOpcode[opcode] : l.requests + 1;
      if (l.number == cut_.connection && (!cut_.opcode || opcode == cut_.opcode) && nth == cut_.request) {
        cutAt_ = l.requests + 1;
        cutCame_ = true;
        return true;
      }
      l.toServer.append(l.fromClient, 0, length);
      l.fromClient.erase(0, length);
      ++l.requests;
    }
    return false;
  }

  int ConnectServer() const {
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::memcpy(a.sun_path, server_.c_str(), std::min(server_.size(), sizeof a.sun_path - 1));
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd >= 0 && connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0) return fd;
    if (fd >= 0) close(fd);
    return -1;
  }
  // Reads what fd has into `in` and writes `out` to it; false once it has closed.
  static bool Pass(int fd, short revents, std::string& in, std::string& out) {
    if (revents & (POLLIN | POLLHUP | POLLERR)) {
      char buf[65536];
      const ssize_t got = recv(fd, buf, sizeof buf, 0);
      if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR)) return false;
      if (got > 0) in.append(buf, static_cast<std::size_t>(got));
    }
    if (!out.empty()) {
      const ssize_t put = send(fd, out.data(), out.size(), MSG_NOSIGNAL);
      if (put < 0 && errno != EAGAIN && errno != EINTR) return false;
      if (put > 0) out.erase(0, static_cast<std::size_t>(put));
    }
    return true;
  }
  static void Close(Link& l) {
    close(l.client);
    close(l.server);
    l.client = -1;
  }

  void Serve() {
    std::vector<Link> links;
    int accepted = 0;
    // As a server that goes: it takes no more connections, then drops those it has.
    const auto end = [&] {
      if (listen_ >= 0) close(listen_);
      listen_ = -1;
      for (Link& l : links) Close(l);
      links.clear();
      ended_ = true;
    };
    while (!stop_) {
      std::vector<pollfd> p;
      if (listen_ >= 0) p.push_back({listen_, POLLIN, 0});
      const std::size_t first = p.size();
      for (const Link& l : links) {
        p.push_back({l.client, static_cast<short>(POLLIN | (l.toClient.empty() ? 0 : POLLOUT)), 0});
        p.push_back({l.server, static_cast<short>(POLLIN | (l.toServer.empty() ? 0 : POLLOUT)), 0});
      }
      if (poll(p.data(), p.size(), 50) <= 0) continue;
      bool closed = false, cut = false;
      for (std::size_t i = 0; i < links.size() && !cut; ++i) {
        Link& l = links[i];
        bool open = Pass(l.client, p[first + 2 * i].revents, l.fromClient, l.toClient);
        if (open && PassRequests(l)) {
          if (policy_ == Policy::EndsAtCut || policy_ == Policy::GoesBehindItsListener) {
            cut = true;
            break;
          }
          open = policy_ == Policy::HoldsAtCut;
          const linger reset{1, 0};
          if (policy_ == Policy::ResetsTheCutsConnection) setsockopt(l.client, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
        }
        open = open && Pass(l.server, p[first + 2 * i + 1].revents, l.toClient, l.toServer);
        if (open && !l.replied && !l.toClient.empty()) {
          l.replied = true;
          l.taken = l.toClient[0] == 1;  // Success
          taken_ += l.taken;
        }
        if (!open) {
          Close(l);
          closed = true;
        }
      }
      std::erase_if(links, [](const Link& l) { return l.client < 0; });
      if (cut && policy_ == Policy::GoesBehindItsListener) {
        for (Link& l : links) Close(l);
        links.clear();
        ended_ = true;
      } else if (cut || (closed && policy_ == Policy::EndsWithLastClient &&
                         std::none_of(links.begin(), links.end(), [](const Link& l) { return l.taken; }))) {
        end();
        continue;
      }
      if (listen_ < 0 || !p[0].revents) continue;
      const int fd = accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
      if (fd < 0) continue;
      const bool shut = (policy_ == Policy::TakesOnlyFirst && taken_ > 0) || (policy_ == Policy::GoesBehindItsListener && ended_);
      const int server = shut ? -1 : ConnectServer();
      if (server < 0) {
        ++shutOut_;
        close(fd);
      } else {
        Link& link = links.emplace_back();
        link.client = fd;
        link.server = server;
        link.number = ++accepted;
      }
      if (policy_ == Policy::EndsAtCut && accepted == cut_.connection && cut_.request < 0) end();
    }
    for (Link& l : links) Close(l);
  }

  std::string server_;
  Policy policy_;
  Cut cut_;
  int listen_ = -1;
  std::string display_;
  std::thread serving_;
  std::atomic<bool> stop_{false}, ended_{false}, released_{false}, cutCame_{false};
  std::atomic<int> taken_{0}, shutOut_{0}, cutAt_{0};
};

// A scratch start folder for user 01 with its data and program folders.
class Ending : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(x->ok()) << "no Xvfb with its test extension";
    std::filesystem::create_directories(dir / "data");
    std::filesystem::create_directories(dir / "prog");
    ostest::WriteRaw(dir / "data.adr", dir.path() + "/data/\r\n");
    ostest::WriteRaw(dir / "prog.adr", dir.path() + "/prog/\r\n");
    common::JobImage job{};
    common::SetJobValue(job, "UZIVATEL", "01");
    ostest::WriteRaw(dir / "master.job", std::string(job.begin(), job.end()));
    const std::string command = std::string(INSTALL_PROG) + " '" + (dir / "prog") + "' >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }

  // A key, then the window that must be shown after it (holding the keyboard when
  // `focused`), and one that must be gone.
  struct Step {
    std::uint32_t key;
    std::string shown, gone;
    bool focused = false;
  };
  void Press(const Step& step) {
    x->Key(step.key);
    ASSERT_TRUE(PollUntil([&] {
      return (step.shown.empty() || (step.focused ? x->Focused(step.shown) : x->Shown(step.shown))) &&
             (step.gone.empty() || !x->Shown(step.gone));
    })) << step.shown << step.gone << Said();
  }

  // Starts the program and opens list 30 from the code-list menu (both lists it keeps
  // open get a read entry); then the steps.
  void StartWithList30(const std::vector<Step>& then = {}) {
    // The choice list starts on its first row, not on the one chosen last.
    for (const auto& f : std::filesystem::recursive_directory_iterator(dir.path()))
      if (common::UpperCz(f.path().filename().string()) == "VYBER.IDX") std::filesystem::remove(f.path());
    StartProgram();
    ASSERT_TRUE(PollUntil([&] { return x->Focused("TAVONA 01"); })) << Said();
    Press({kSpace, "Aktualizace", "", true});  // on the focused button "Aktualizace číselníků"
    for (int i = 0; i < 15; ++i) x->Key(kDown);  // to " 30 Organizační struktura - střediska"
    Press({kEnter, "Střed Název", "Aktualizace", true});  // captioned by its header line
    ASSERT_TRUE(PollUntil([&] { return Entries().size() == 2; })) << Said();
    ASSERT_EQ(Entries(), (std::vector<std::string>{"CI10.DTA R", "CI30.DTA R"}));
    for (const Step& step : then) Press(step);
    ASSERT_TRUE(program.Running()) << Said();
  }
  // Sets an environment variable for the program (nullptr unsets it) until the test ends.
  void SetEnv(const char* name, const char* value) {
    if (!savedEnv_.count(name)) savedEnv_[name] = getenv(name) ? std::optional<std::string>(getenv(name)) : std::nullopt;
    if (value) setenv(name, value, 1);
    else unsetenv(name);
  }
  // For a start through a relay: no cookie for the display, no runtime folder (the
  // program's own is made in tmp/), and no shared memory (its memory goes with a
  // descriptor, which TCP does not pass).
  void StartOverTcpWithoutCookies() {
    ostest::WriteRaw(dir / "empty.auth", "");
    SetEnv("XAUTHORITY", (dir / "empty.auth").c_str());
    SetEnv("XDG_RUNTIME_DIR", nullptr);
    std::filesystem::create_directories(dir / "tmp");
    SetEnv("TMPDIR", (dir / "tmp").c_str());
    SetEnv("QT_XCB_NO_MITSHM", "1");
  }
  // Starts the program in the start folder on the X server `on` (the test's own by default).
  void StartProgram(const std::string& on = {}, const char* platform = "xcb") {
    SetEnv("DISPLAY", (on.empty() ? x->display() : on).c_str());
    SetEnv("QT_QPA_PLATFORM", platform);
    common::RunOptions o;
    o.workDir = dir.path();
    o.outputFile = dir / "stderr.txt";
    ASSERT_EQ(program.Start(CISELNIKY_BIN, {}, o), 0);
  }
  // Every file under the start folder with its size, but the program's standard error
  // and the program folder's installed files.
  std::map<std::string, std::uintmax_t> Files() const {
    std::map<std::string, std::uintmax_t> out;
    for (const auto& f : std::filesystem::recursive_directory_iterator(dir.path())) {
      const std::string name = std::filesystem::relative(f.path(), dir.path()).string();
      if (name != "stderr.txt" && !name.starts_with("prog/")) out[name] = f.is_regular_file() ? f.file_size() : 0;
    }
    return out;
  }
  // The lock entries in the data folder's table, as "KEY kind".
  std::vector<std::string> Entries() const {
    std::vector<std::string> out;
    const common::FotTable t = common::FotTable::Decode(ostest::ReadRaw(dir / "data/FOT.tab"));
    for (int n = 1; n <= common::FotTable::kEntries; ++n)
      if (!t.at(n).Free()) out.push_back(common::StripRightSp(t.at(n).Key()) + " " + t.at(n).Kind());
    return out;
  }
  std::string Said() const { return ostest::ReadRaw(dir / "stderr.txt"); }
  common::RunResult Ended(int ms = kWaitMs) {
    common::RunResult r;
    EXPECT_TRUE(PollUntil([&] { return program.Ended(r); }, ms)) << Said();
    return r;
  }
  void TearDown() override {
    program.Kill();
    for (const auto& [name, value] : savedEnv_)
      if (value) setenv(name.c_str(), value->c_str(), 1);
      else unsetenv(name.c_str());
  }

  static constexpr std::uint32_t kSpace = 0x20, kDown = 0xff54, kEnter = 0xff0d, kEsc = 0xff1b, kF4 = 0xffc1;
  std::unique_ptr<XServer> x = std::make_unique<XServer>();
  ostest::TempDir dir;
  common::ChildProgram program;
  std::map<std::string, std::optional<std::string>> savedEnv_;
};

// SIGTERM while the list is shown, SIGHUP back in the main window, SIGINT while a new
// record is being typed: every time the entries go, the record is not written, and
// the program ends by the signal it got.
TEST_F(Ending, ASignalRunsTheEndOfRunCloseAndEndsByTheSignal) {
  const struct {
    int signal;
    std::vector<Step> steps;
  } cases[] = {{SIGTERM, {}},
               {SIGHUP, {{kEsc, "Aktualizace", "Střed Název", true}, {kEsc, "", "Aktualizace"}}},
               {SIGINT, {{kF4, " CI30 "}, {'7'}}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.signal);
    StartWithList30(c.steps);
    const std::string list = ostest::ReadRaw(dir / "data/CI30.DTA");
    ASSERT_EQ(kill(program.pid(), c.signal), 0);
    const common::RunResult r = Ended();
    EXPECT_EQ(r.signal, c.signal) << Said();
    EXPECT_EQ(Entries(), std::vector<std::string>{}) << Said();
    EXPECT_EQ(ostest::ReadRaw(dir / "data/CI30.DTA"), list);
    EXPECT_EQ(Said(), "");
  }
}

// A second signal while the close waits for the lock table ends the program at once;
// the entries it could not release stay.
TEST_F(Ending, ASecondSignalEndsAtOnce) {
  StartWithList30();
  common::File held;
  ASSERT_EQ(held.Open(dir / "data/FOT.tab", common::kModeExclusive), 0);
  ASSERT_EQ(kill(program.pid(), SIGTERM), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  ASSERT_EQ(kill(program.pid(), SIGTERM), 0);
  const common::RunResult r = Ended(8000);  // well within the close's 10 s
  EXPECT_EQ(r.signal, SIGTERM);
  held.Close();
  EXPECT_EQ(Entries().size(), 2u);
}

// The X server goes away: with the lock table free the entries go at once; with the
// table held by another process for a while the close waits for it without a word.
// Either way the program ends with status 1 and without a core.
TEST_F(Ending, ALostDisplayRunsTheEndOfRunClose) {
  for (const bool held : {false, true}) {
    SCOPED_TRACE(held);
    if (held) x = std::make_unique<XServer>();
    StartWithList30();
    common::File table;
    if (held) ASSERT_EQ(table.Open(dir / "data/FOT.tab", common::kModeExclusive), 0);
    x->Stop();
    if (held) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1500));
      EXPECT_TRUE(program.Running());  // still waiting for the table
      table.Close();
    }
    const common::RunResult r = Ended();
    EXPECT_EQ(r.exitCode, 1) << r.signal << Said();
    EXPECT_EQ(Entries(), std::vector<std::string>{}) << Said();
  }
}

// A signal before the run settles: while a start-up message is open (a damaged
// UCPARAM.DTA or a bad drives.map line, before the main window exists) and while the
// first opening of the code-list menu waits for another workstation's "W" entry. Each
// time the run ends by the signal then and there, makes no file (not even the user-slot
// table that start-up makes after the message) and leaves only the other workstation's
// entry; the display going away during that wait ends it with status 1.
TEST_F(Ending, ASignalAtStartUpEndsTheRunThere) {
  common::FotTable other;
  other.at(1).Set("CIXXX       ", "02  ", 'W');
  const std::pair<const char*, std::string> messages[] = {{"UCPARAM.DTA", "UcRok : 24\r\n\x01\x02\r\n"},
                                                          {"drives.map", "X relative\n"}};
  // Well within the time the close may take, on a busy machine too.
  const auto signalled = [&](int signal) {
    ASSERT_EQ(kill(program.pid(), signal), 0);
    common::RunResult r;
    ASSERT_TRUE(PollUntil([&] { return program.Ended(r); }, 20000)) << "still running" << Said();
    EXPECT_EQ(r.signal, signal) << r.exitCode << Said();
  };
  for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
    for (const auto& [file, bytes] : messages) {
      SCOPED_TRACE(std::to_string(signal) + " " + file);
      std::filesystem::remove(dir / "data/UZIVATEL.tab");
      ostest::WriteRaw(dir / file, bytes);
      const auto files = Files();
      StartProgram();
      ASSERT_TRUE(PollUntil([&] { return x->Shown("") && !x->Shown("TAVONA"); })) << Said();
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      ASSERT_FALSE(x->Shown("TAVONA"));  // the message stays until it is answered
      ASSERT_NO_FATAL_FAILURE(signalled(signal));
      EXPECT_EQ(Files(), files);
      EXPECT_FALSE(std::filesystem::exists(dir / "data/UZIVATEL.tab"));
      EXPECT_EQ(Said(), "");
      std::filesystem::remove(dir / file);
    }

    SCOPED_TRACE(signal);
    ostest::WriteRaw(dir / "data/UZIVATEL.tab", std::string(200, '\0'));  // the suite's user slots, as installed
    ostest::WriteRaw(dir / "data/FOT.tab", other.Encode());
    StartProgram();
    ASSERT_TRUE(PollUntil([&] { return x->Focused("TAVONA 01"); })) << Said();
    Press({kSpace, "Počkejte"});
    auto files = Files();
    ASSERT_NO_FATAL_FAILURE(signalled(signal));
    EXPECT_EQ(Files(), files);
    EXPECT_EQ(Entries(), std::vector<std::string>{"CIXXX W"});
  }
  StartProgram();
  ASSERT_TRUE(PollUntil([&] { return x->Focused("TAVONA 01"); })) << Said();
  Press({kSpace, "Počkejte"});
  const auto files = Files();
  x->Stop();
  const common::RunResult r = Ended();
  EXPECT_EQ(r.exitCode, 1) << r.signal << Said();
  EXPECT_EQ(Files(), files);
  EXPECT_EQ(Entries(), std::vector<std::string>{"CIXXX W"});
}

// An X server that answers but does not take the program as its client (its cookie is
// not the user's): one line naming the display and why, status 2, and nothing made,
// not even the private runtime folder.
TEST_F(Ending, ADisplayThatRefusesTheProgramIsSaidInOneLine) {
  std::string cookie;  // FamilyWild, no address or number, "MIT-MAGIC-COOKIE-1", 16 bytes
  const auto counted = [&](const std::string& part) {
    cookie += static_cast<char>(part.size() >> 8);
    cookie += static_cast<char>(part.size() & 0xff);
    cookie += part;
  };
  cookie = "\xff\xff";
  for (const std::string& part : {std::string(), std::string(), std::string("MIT-MAGIC-COOKIE-1"), std::string(16, '\x5a')})
    counted(part);
  const std::string auth = dir / "server.auth";
  ostest::WriteRaw(auth, cookie);
  XServer refusing({"-auth", auth});
  ASSERT_FALSE(refusing.display().empty());
  ostest::WriteRaw(dir / "empty.auth", "");
  SetEnv("XAUTHORITY", (dir / "empty.auth").c_str());
  SetEnv("XDG_RUNTIME_DIR", nullptr);
  std::filesystem::create_directories(dir / "tmp");
  SetEnv("TMPDIR", (dir / "tmp").c_str());
  const auto files = Files();
  StartProgram(refusing.display());
  const common::RunResult r = Ended();
  EXPECT_EQ(r.exitCode, 2) << r.signal << Said();
  const std::string said = Said();
  EXPECT_EQ(said.find('\n'), said.size() - 1) << said;
  EXPECT_NE(said.find("DISPLAY=" + refusing.display() + " refuses it: Authorization required"), std::string::npos) << said;
  EXPECT_EQ(Files(), files);  // no runtime folder in tmp/ either
}

// A server that ends when its last client leaves, the program its first client (Xvfb
// -terminate, and a display that ends exactly when a closing connection leaves it no
// client, the probe's too): the display probe stays open until the check has connected,
// the check's connection until Qt has its own, so the program starts every time and
// runs until it is ended.
TEST_F(Ending, AServerThatEndsWithItsLastClientStartsTheProgram) {
  XServer terminating({"-terminate"});
  XRelay relay(x->display(), XRelay::Policy::EndsWithLastClient);
  const struct {
    const char* what;
    std::string display;
    XServer* shows;  // where the windows are
  } cases[] = {{"Xvfb -terminate", terminating.display(), &terminating},
               {"ends at the close", relay.display(), x.get()}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_FALSE(c.display.empty());
    std::filesystem::remove(dir / "data/UZIVATEL.tab");
    // Shared memory is handed over with its descriptor, which no TCP connection passes on.
    SetEnv("QT_XCB_NO_MITSHM", c.shows == x.get() ? "1" : nullptr);
    StartProgram(c.display);
    // Start-up makes the user-slot table after Qt has connected; only then may the test
    // connect to the server too, as a second client.
    common::RunResult r;
    ASSERT_TRUE(PollUntil([&] { return std::filesystem::exists(dir / "data/UZIVATEL.tab") || program.Ended(r); }));
    ASSERT_TRUE(program.Running()) << "status " << r.exitCode << ", signal " << r.signal << ": " << Said();
    if (!c.shows->ok()) ASSERT_TRUE(c.shows->Connect());
    ASSERT_TRUE(PollUntil([&] { return c.shows->Focused("TAVONA 01"); })) << Said();
    ASSERT_EQ(kill(program.pid(), SIGTERM), 0);
    r = Ended();
    EXPECT_EQ(r.signal, SIGTERM) << r.exitCode << Said();
    EXPECT_EQ(Said(), "");
  }
}

// The display answers the check, then shuts Qt's own connection out (a server dying
// during the start): one line naming it, status 2, and nothing of the run left, not
// even the runtime folder made for it; none of Qt's own text. A platform Qt has no
// plug-in for is said in one line too, with Qt's reason.
TEST_F(Ending, ADisplayLostBeforeQtConnectsIsSaidInOneLine) {
  XRelay relay(x->display(), XRelay::Policy::TakesOnlyFirst);
  ASSERT_FALSE(relay.display().empty());
  ostest::WriteRaw(dir / "empty.auth", "");
  SetEnv("XAUTHORITY", (dir / "empty.auth").c_str());
  SetEnv("XDG_RUNTIME_DIR", nullptr);
  std::filesystem::create_directories(dir / "tmp");
  SetEnv("TMPDIR", (dir / "tmp").c_str());
  const struct {
    std::string display, platform, said;
  } cases[] = {{relay.display(), "xcb",
                "ciselniky: needs a display: the X server at DISPLAY=" + relay.display() +
                    " stopped answering as the program started; ./run provides one (Xvfb when there is none)\n"},
               {x->display(), "nosuchplatform",
                "ciselniky: cannot show its windows: Could not find the Qt platform plugin \"nosuchplatform\" in \"\"\n"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.platform);
    const auto files = Files();
    StartProgram(c.display, c.platform.c_str());
    const common::RunResult r = Ended();
    EXPECT_EQ(r.exitCode, 2) << r.signal << Said();
    EXPECT_EQ(Said(), c.said);
    EXPECT_EQ(Files(), files);  // no runtime folder in tmp/ either
  }
  EXPECT_EQ(relay.taken(), 1);  // the check
  EXPECT_EQ(relay.shutOut(), 1);  // Qt
}

// The display goes as the program starts: at its probe, at its check, and at points of
// Qt's own connection (its set-up, the X library's start and XKB, Qt's atoms and
// extensions, RandR and its events, RENDER, Qt's XKB, the screens, the keymap, the
// clipboard's watch, and the program's own look at it once Qt has connected). Every
// time one line naming it, status 2, and nothing left, not even the runtime folder
// made for the run: never a crash, Qt's or the X library's words, or an extension
// blamed. A display that takes connections but closes the check's without a word is
// still one that refuses it. The line said into a pipe its reader has closed ends the
// program with its status too, not by SIGPIPE.
TEST_F(Ending, ADisplayGoneAsTheProgramStartsIsSaidInOneLine) {
  StartOverTcpWithoutCookies();
  constexpr std::uint8_t kQueryExtension = 98, kInternAtom = 16, kGetAtomName = 17, kGetInputFocus = 43;
  const std::uint8_t xkb = x->Opcode("XKEYBOARD"), randr = x->Opcode("RANDR"), render = x->Opcode("RENDER"),
                     xfixes = x->Opcode("XFIXES");
  ASSERT_TRUE(xkb && randr && render && xfixes);
  using P = XRelay::Policy;
  const struct {
    const char* what;
    P policy;
    XRelay::Cut cut;
  } cases[] = {{"the probe", P::EndsAtCut, {1, -1}},
               {"the check", P::EndsAtCut, {2, 0}},
               {"Qt's set-up", P::EndsAtCut, {3, 0}},
               {"the X library's start", P::EndsAtCut, {3, 1, kQueryExtension}},
               {"the X library's XKB", P::EndsAtCut, {3, 1, xkb}},
               {"Qt's atoms", P::EndsAtCut, {3, 60, kInternAtom}},
               {"Qt's extensions", P::EndsAtCut, {3, 3, kQueryExtension}},
               {"RandR", P::EndsAtCut, {3, 1, randr}},
               {"RandR's events", P::EndsAtCut, {3, 2, randr}},
               {"RENDER", P::EndsAtCut, {3, 1, render}},
               {"Qt's XKB", P::EndsAtCut, {3, 2, xkb}},
               {"the screens", P::EndsAtCut, {3, 4, randr}},
               {"the keymap", P::EndsAtCut, {3, 10, kGetAtomName}},
               {"the clipboard's watch", P::EndsAtCut, {3, 3, xfixes}},
               {"the program's look once Qt has connected", P::EndsAtCut, {3, 3, kGetInputFocus}},
               {"closes the check", P::ClosesEachAtItsSetUp, {}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    XRelay relay(x->display(), c.policy, c.cut);
    ASSERT_FALSE(relay.display().empty());
    const std::string display = "ciselniky: needs a display: the X server at DISPLAY=" + relay.display();
    const std::string useRun = "; ./run provides one (Xvfb when there is none)\n";
    const auto files = Files();
    StartProgram(relay.display());
    const common::RunResult r = Ended();
    EXPECT_EQ(r.exitCode, 2) << "signal " << r.signal << ": " << Said();
    if (c.policy == P::EndsAtCut)
      EXPECT_EQ(Said(), display + " stopped answering as the program started" + useRun);
    else
      EXPECT_EQ(Said(), display + " refuses it: not authorized (no cookie for it in " + (dir / "empty.auth") +
                            "); start it as the user of that display" + useRun);
    EXPECT_EQ(Files(), files);  // no runtime folder in tmp/ either
    EXPECT_EQ(relay.ended(), c.policy == P::EndsAtCut);  // the cut came
  }

  SetEnv("DISPLAY", nullptr);
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  close(fds[0]);
  const pid_t pid = fork();
  if (pid == 0) {
    signal(SIGPIPE, SIG_DFL);
    dup2(fds[1], STDERR_FILENO);
    execl(CISELNIKY_BIN, CISELNIKY_BIN, static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status)) << "signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 2);
}

// The toolkit's own connection closed after its set-up was answered and before start-up
// begins, at requests sampled across its whole connect up to the program's own look at
// it: behind a listener that outlives its server (every connection dropped, each new one
// closed at once), and by a living server that drops or resets that one client. Every time one line
// saying so, status 2 and nothing made, not even the runtime folder: never a crash, nor
// the toolkit's or the X library's words.
TEST_F(Ending, AConnectionClosedWhileTheDisplayStillListensIsSaidInOneLine) {
  StartOverTcpWithoutCookies();
  using P = XRelay::Policy;
  int looked = 0;  // the toolkit's requests up to the program's own look
  const auto closedAt = [&](P policy, XRelay::Cut cut) {
    SCOPED_TRACE(std::string(policy == P::GoesBehindItsListener ? "server gone"
                             : policy == P::ClosesTheCutsConnection ? "one client closed"
                                                                     : "one client reset") +
                 " at " + std::to_string(cut.request) + " of " + std::to_string(looked));
    XRelay relay(x->display(), policy, cut);
    ASSERT_FALSE(relay.display().empty());
    const auto files = Files();
    StartProgram(relay.display());
    const common::RunResult r = Ended();
    EXPECT_EQ(r.exitCode, 2) << "signal " << r.signal << ": " << Said();
    EXPECT_EQ(Said(), "ciselniky: needs a display: the X server at DISPLAY=" + relay.display() +
                          " closed the program's connection as it started; ./run provides one (Xvfb when there is none)\n");
    EXPECT_EQ(Files(), files);  // no runtime folder in tmp/ either
    EXPECT_TRUE(relay.cutCame());
    if (cut.opcode) looked = relay.cutAt();
  };
  constexpr std::uint8_t kGetInputFocus = 43;
  closedAt(P::ClosesTheCutsConnection, {3, 3, kGetInputFocus});
  ASSERT_GT(looked, 20) << "the program's look is not where it was";
  // Each way at its own points, together spread over the whole connect.
  const P ways[] = {P::GoesBehindItsListener, P::ClosesTheCutsConnection, P::ResetsTheCutsConnection};
  constexpr int kPoints = 18;
  for (int i = 0; i < kPoints; ++i) closedAt(ways[i % 3], {3, 1 + i * (looked - 1) / (kPoints - 1), 0});
}

// With the display and the toolkit's connection whole, SIGSEGV or SIGBUS sent while the
// toolkit waits for a reply in its connect (to get a core of a start that hangs) ends the
// run as the signal's default action does; nothing said of a display.
TEST_F(Ending, ACrashSignalWhileTheToolkitConnectsEndsTheRunByIt) {
  SetEnv("QT_XCB_NO_MITSHM", "1");
  rlimit noCore{0, 0}, saved{};  // the core is not looked at
  ASSERT_EQ(getrlimit(RLIMIT_CORE, &saved), 0);
  noCore.rlim_max = saved.rlim_max;
  ASSERT_EQ(setrlimit(RLIMIT_CORE, &noCore), 0);
  constexpr std::uint8_t kInternAtom = 16;
  const struct {
    int signal;
    XRelay::Cut heldAt;
  } cases[] = {{SIGSEGV, {3, 0, 0}}, {SIGBUS, {3, 30, kInternAtom}}, {SIGSEGV, {3, 1, x->Opcode("RANDR")}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.signal) + " at " + std::to_string(c.heldAt.request));
    XRelay relay(x->display(), XRelay::Policy::HoldsAtCut, c.heldAt);
    ASSERT_FALSE(relay.display().empty());
    StartProgram(relay.display());
    common::RunResult r;
    ASSERT_TRUE(PollUntil([&] { return relay.cutCame() || program.Ended(r); })) << Said();
    ASSERT_TRUE(program.Running()) << r.exitCode << " " << r.signal << Said();
    ASSERT_EQ(kill(program.pid(), c.signal), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    relay.Release();
    ASSERT_TRUE(PollUntil([&] { return program.Ended(r); }, 20000)) << "runs on" << Said();
    EXPECT_EQ(r.signal, c.signal) << r.exitCode << Said();
    EXPECT_EQ(Said(), "");
  }
  setrlimit(RLIMIT_CORE, &saved);
}

}  // namespace
