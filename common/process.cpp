#include "common/process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <mutex>

#include "common/iocodes.h"
#include "common/osfile.h"

extern char** environ;

namespace common {

namespace {

// Programs started without waiting; reaped once they have ended.
std::mutex g_detachedMutex;
std::vector<pid_t> g_detached;

void ReapDetached() {
  std::lock_guard<std::mutex> lock(g_detachedMutex);
  std::erase_if(g_detached, [](pid_t pid) {
    int status = 0;
    return waitpid(pid, &status, WNOHANG) != 0;  // ended, or not ours any more
  });
}

void Describe(int status, RunResult& result) {
  if (WIFEXITED(status)) {
    result.exitCode = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    result.signal = WTERMSIG(status);
  }
}

void SleepMs(int ms) {
  timespec ts{ms / 1000, (ms % 1000) * 1'000'000L};
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

// Waits for the child; after timeoutMs (>= 0) kills it and its process group.
void WaitFor(pid_t pid, int timeoutMs, RunResult& result) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
  int status = 0;
  int pause = 1;
  for (;;) {
    const pid_t r = waitpid(pid, &status, timeoutMs < 0 ? 0 : WNOHANG);
    if (r == pid) {
      Describe(status, result);
      return;
    }
    if (r < 0 && errno != EINTR) return;  // nothing to wait for
    if (r == 0 && Clock::now() >= deadline) {
      kill(-pid, SIGKILL);
      kill(pid, SIGKILL);
      while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
      result.timedOut = true;
      Describe(status, result);
      return;
    }
    if (r == 0) {
      SleepMs(pause);
      pause = std::min(pause * 2, 20);
    }
  }
}

// The program file a bare name means: the first in PATH that may be run. 0, 2 when there is
// none of that name, 5 when there is one but it may not be run.
int FindProgram(const std::string& name, std::string& path) {
  if (name.find('/') != std::string::npos) {
    path = name;
    return 0;
  }
  const char* env = getenv("PATH");
  const std::string dirs = env ? env : "/usr/local/bin:/usr/bin:/bin";
  int code = io::kFileNotFound;
  std::size_t pos = 0;
  for (;;) {
    const std::size_t colon = dirs.find(':', pos);
    const std::string dir = dirs.substr(pos, colon == std::string::npos ? std::string::npos : colon - pos);
    const std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + name;
    struct stat st {};
    if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
      if (access(candidate.c_str(), X_OK) == 0) {
        path = candidate;
        return 0;
      }
      code = io::kAccessDenied;
    }
    if (colon == std::string::npos) break;
    pos = colon + 1;
  }
  return code;
}

// Starts the program as the options say; 0 and its pid, or the I/O code.
int Spawn(const std::string& program, const std::vector<std::string>& args, const RunOptions& options, pid_t& pid) {
  ReapDetached();
  std::string path;
  if (int code = FindProgram(program, path)) return code;

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!options.outputFile.empty()) {
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, options.outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
  } else if (options.hidden) {
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
  }
  if (!options.workDir.empty()) posix_spawn_file_actions_addchdir_np(&actions, options.workDir.c_str());

  // Its own process group (so a time-out ends its children too), default signals, nothing blocked.
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &all);
  posix_spawnattr_setpgroup(&attr, 0);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  pid = 0;
  const int e = posix_spawn(&pid, path.c_str(), &actions, &attr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (e != 0) return e == ENOENT ? io::kFileNotFound : IoCodeFromErrno(e);
  return 0;
}

}  // namespace

int RunProgram(const std::string& program, const std::vector<std::string>& args, const RunOptions& options,
               RunResult& result) {
  result = RunResult{};
  pid_t pid = 0;
  if (int code = Spawn(program, args, options, pid)) return code;
  result.pid = pid;

  if (!options.wait) {
    std::lock_guard<std::mutex> lock(g_detachedMutex);
    g_detached.push_back(pid);
    return 0;
  }
  WaitFor(pid, options.timeoutMs, result);
  return 0;
}

int OpenDocument(std::string_view pathOrUrl) {
  RunOptions options;
  options.wait = false;
  options.hidden = true;
  RunResult result;
  return RunProgram("xdg-open", {std::string(pathOrUrl)}, options, result);
}

int ChildProgram::Start(const std::string& program, const std::vector<std::string>& args, const RunOptions& options) {
  Kill();
  pid_t pid = 0;
  if (int code = Spawn(program, args, options, pid)) return code;
  pid_ = pid;
  return 0;
}

bool ChildProgram::Ended(RunResult& result) {
  if (pid_ <= 0) return true;
  int status = 0;
  const pid_t r = waitpid(pid_, &status, WNOHANG);
  if (r == 0) return false;
  result = RunResult{};
  result.pid = pid_;
  if (r == pid_) Describe(status, result);
  pid_ = 0;
  return true;
}

void ChildProgram::Kill() {
  if (pid_ <= 0) return;
  kill(-pid_, SIGKILL);
  kill(pid_, SIGKILL);
  int status = 0;
  while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = 0;
}

}  // namespace common
