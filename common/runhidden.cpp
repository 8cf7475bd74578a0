#include "common/runhidden.h"

#include <chrono>
#include <thread>

#include "common/encoding.h"
#include "common/iocodes.h"
#include "common/process.h"
#include "common/winpath.h"

namespace common {

std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::vector<std::string> out;
  std::string word;
  bool quoted = false, inWord = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
      inWord = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (inWord) out.push_back(std::move(word));
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) out.push_back(std::move(word));
  return out;
}

int RunHidden(std::string_view commandLine, int settleMs) {
  std::vector<std::string> words = SplitCommandLine(commandLine);
  if (words.empty()) return io::kFileNotFound;
  std::string program;
  if (words[0].find_first_of("\\/") != std::string::npos) {
    if (int code = ResolveName(words[0], program)) return code;
  } else {
    program = Win1250ToUtf8(words[0]);
  }
  std::vector<std::string> args;
  for (std::size_t i = 1; i < words.size(); ++i) args.push_back(Win1250ToUtf8(words[i]));
  RunOptions options;
  options.wait = false;
  options.hidden = true;
  RunResult result;
  const int code = RunProgram(program, args, options, result);
  if (code == 0 && settleMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(settleMs));
  return code;
}

}  // namespace common
