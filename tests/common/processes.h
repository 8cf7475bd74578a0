// Other processes for tests: workstations as forked children, and command-line tools.
#pragma once
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "common/locking.h"
#include "common/session.h"

namespace ostest {

// Runs body(child) for child 0..n-1 in n forked processes at once; each child exits
// with what body returns (0 = fine). The count of children that did not exit with 0.
inline int RunInChildren(int n, const std::function<int(int child)>& body) {
  std::vector<pid_t> children;
  int bad = 0;
  for (int child = 0; child < n; ++child) {
    const pid_t pid = fork();
    if (pid == 0) _exit(body(child));
    if (pid < 0) ++bad;
    else children.push_back(pid);
  }
  for (const pid_t pid : children) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) ++bad;
  }
  return bad;
}

struct ToolRun {
  std::string out, err;  // standard output and error
  int rc = -1;           // exit code; -1 when it did not exit normally
};

// Runs the program exe with args in folder dir.
inline ToolRun RunTool(const std::string& exe, const std::string& dir, std::vector<std::string> args) {
  ToolRun r;
  int out[2], err[2];
  if (pipe(out) != 0) return r;
  if (pipe(err) != 0) {
    close(out[0]);
    close(out[1]);
    return r;
  }
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], 1);
    dup2(err[1], 2);
    close(out[0]);
    close(err[0]);
    if (chdir(dir.c_str()) != 0) _exit(126);
    std::vector<char*> argv{const_cast<char*>(exe.c_str())};
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(exe.c_str(), argv.data());
    _exit(127);
  }
  close(out[1]);
  close(err[1]);
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  std::string* into[2] = {&r.out, &r.err};
  for (int open = 2; open > 0;) {
    if (poll(fds, 2, -1) < 0) break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buf[512];
      const ssize_t n = read(fds[i].fd, buf, sizeof buf);
      if (n > 0) {
        into[i]->append(buf, static_cast<std::size_t>(n));
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  int status = 0;
  if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) r.rc = WEXITSTATUS(status);
  return r;
}

// Another workstation (user 02, a forked process) holding the lock of `kind` on `path`
// from the constructor until Release.
class LockHeldByOther {
 public:
  explicit LockHeldByOther(const std::string& path, const std::string& kind = "W") {
    int up[2], down[2];
    if (pipe(up) != 0) return;
    if (pipe(down) != 0) {
      close(up[0]);
      close(up[1]);
      return;
    }
    pid_ = fork();
    if (pid_ == 0) {
      close(up[0]);
      close(down[1]);
      common::CurrentSession().CurrentUser = "02";
      const bool held = common::LockFile(path, kind) == common::LockResult::Held;
      char c = held ? 'h' : 'x';
      if (write(up[1], &c, 1) != 1 || read(down[0], &c, 1) < 0) _exit(2);
      if (held && !common::UnlockFile(path)) _exit(3);
      _exit(held ? 0 : 1);
    }
    close(up[1]);
    close(down[0]);
    char c = 0;
    held_ = pid_ > 0 && read(up[0], &c, 1) == 1 && c == 'h';
    close(up[0]);
    release_ = down[1];
  }
  ~LockHeldByOther() { (void)Release(); }
  LockHeldByOther(const LockHeldByOther&) = delete;
  LockHeldByOther& operator=(const LockHeldByOther&) = delete;
  bool held() const { return held_; }
  // Lets it go; its exit code (0: taken and released).
  int Release() {
    if (release_ >= 0) close(release_);
    release_ = -1;
    if (pid_ <= 0) return -1;
    int status = 0;
    const pid_t pid = std::exchange(pid_, -1);
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = -1;
  int release_ = -1;
  bool held_ = false;
};

}  // namespace ostest
