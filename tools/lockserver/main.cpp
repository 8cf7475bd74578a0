// lockserver: the stand-in lock server.
//   lockserver [--port N] [--bind ADDR] [--log FILE|-] [--silent] [--delay MS]
//              [--refuse] [--keep-locks]
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <system_error>

#include "common/encoding.h"
#include "tools/lockserver/lockserver.h"

namespace {

lockserver::Server* g_server = nullptr;

void OnSignal(int) {
  if (g_server) g_server->Stop();
}

int Usage(const char* error) {
  if (error) std::cerr << "lockserver: " << error << "\n";
  std::cerr << "usage: lockserver [--port N] [--bind ADDR] [--log FILE|-] [--silent] [--delay MS]\n"
               "                  [--refuse] [--keep-locks]\n"
               "  --port N       TCP port (default 5050; 0 picks a free one)\n"
               "  --bind ADDR    IPv4 address to listen on (default 127.0.0.1)\n"
               "  --log FILE|-   write every request line (UTF-8) to FILE or standard output\n"
               "  --silent       never answer\n"
               "  --delay MS     answer MS milliseconds late\n"
               "  --refuse       refuse every lock, unlock and IfVolny request\n"
               "  --keep-locks   keep a connection's locks after it closes\n";
  return error ? 2 : 0;
}

bool ParseInt(const char* s, long lo, long hi, long& out) {
  char* end = nullptr;
  errno = 0;
  out = std::strtol(s, &end, 10);
  return errno == 0 && end != s && *end == 0 && out >= lo && out <= hi;
}

}  // namespace

int main(int argc, char** argv) {
  lockserver::Options opt;
  std::string logPath;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    long n = 0;
    if (a == "--help" || a == "-h") return Usage(nullptr);
    if (a == "--port") {
      const char* v = value();
      if (!v || !ParseInt(v, 0, 65535, n)) return Usage("--port needs a number 0..65535");
      opt.port = static_cast<std::uint16_t>(n);
    } else if (a == "--bind") {
      const char* v = value();
      if (!v) return Usage("--bind needs an address");
      opt.bindAddress = v;
    } else if (a == "--log") {
      const char* v = value();
      if (!v) return Usage("--log needs a file name or -");
      logPath = v;
    } else if (a == "--silent") {
      opt.silent = true;
    } else if (a == "--delay") {
      const char* v = value();
      if (!v || !ParseInt(v, 0, 3600000, n)) return Usage("--delay needs milliseconds");
      opt.delayMs = static_cast<int>(n);
    } else if (a == "--refuse") {
      opt.refuse = true;
    } else if (a == "--keep-locks") {
      opt.keepLocks = true;
    } else {
      return Usage(("unknown option " + a).c_str());
    }
  }

  std::unique_ptr<std::ofstream> file;
  std::ostream* log = nullptr;
  if (logPath == "-") {
    log = &std::cout;
  } else if (!logPath.empty()) {
    file = std::make_unique<std::ofstream>(logPath, std::ios::app | std::ios::binary);
    if (!*file) {
      std::cerr << "lockserver: cannot write the log " << logPath << "\n";
      return 1;
    }
    log = file.get();
  }
  if (log) opt.log = [log](const std::string& line) { *log << common::Win1250ToUtf8(line) << std::endl; };
  opt.historyMax = 0;  // the log is the history
  opt.notice = [](const std::string& text) { std::cerr << "lockserver: " << common::Win1250ToUtf8(text) << std::endl; };

  try {
    lockserver::Server server(opt);
    server.Listen();
    std::cerr << "lockserver: listening on " << opt.bindAddress << ":" << server.Port() << std::endl;
    g_server = &server;
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    server.Serve();
    g_server = nullptr;
  } catch (const std::system_error& e) {
    std::cerr << "lockserver: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
