#include "common/lockwire.h"

#include <algorithm>

namespace common {
namespace {

constexpr std::size_t kCommandMax = 16;
constexpr std::size_t kFolderMax = 255;
constexpr std::size_t kKindMax = 16;

bool Letters(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
  });
}

// Position of `sep` in `s` from `from`, or npos; `limit` bytes are searched at most.
std::size_t FindWithin(std::string_view s, char sep, std::size_t from, std::size_t limit) {
  std::size_t end = std::min(s.size(), from + limit + 1);
  for (std::size_t i = from; i < end; ++i)
    if (s[i] == sep) return i;
  return std::string_view::npos;
}

}  // namespace

std::string FormatLockRequest(const LockRequest& r) {
  std::string line;
  line.reserve(r.command.size() + r.part2.size() + r.part3.size() + r.part4.size() + r.part5.size() + 4);
  line += r.command;
  line += '<';
  line += r.part2;
  line += '>';
  line += r.part3;
  line += '#';
  line += r.part4;
  line += '$';
  line += r.part5;
  return line;
}

bool IsKeyedLockCommand(std::string_view command) {
  return command == kCmdLock || command == kCmdUnlock || command == kCmdIfVolny;
}

LockRequestParse ParseLockRequest(std::string_view b) {
  LockRequestParse out;
  auto incompleteOr = [&](bool tooLong) {
    out.status = tooLong ? LockRequestParse::kMalformed : LockRequestParse::kIncomplete;
    return out;
  };
  // Command up to "<".
  std::size_t lt = FindWithin(b, '<', 0, kCommandMax);
  if (lt == std::string_view::npos) {
    std::string_view head = b.substr(0, kCommandMax + 1);
    return incompleteOr(b.size() > kCommandMax || (!head.empty() && !Letters(head)));
  }
  out.request.command = std::string(b.substr(0, lt));
  if (!Letters(out.request.command)) return incompleteOr(true);
  // Folder up to ">" (a path cannot hold "<" or ">").
  std::size_t gt = FindWithin(b, '>', lt + 1, kFolderMax);
  if (gt == std::string_view::npos) return incompleteOr(b.size() - lt - 1 > kFolderMax);
  out.request.part2 = std::string(b.substr(lt + 1, gt - lt - 1));
  std::size_t p = gt + 1;
  const bool keyed = IsKeyedLockCommand(out.request.command);
  if (keyed) {
    if (b.size() < p + kLockKeyLength + 1) return incompleteOr(false);
    out.request.part3 = std::string(b.substr(p, kLockKeyLength));
    p += kLockKeyLength;
    if (b[p] != '#') return incompleteOr(true);
  } else {
    std::size_t hash = FindWithin(b, '#', p, kFolderMax);
    if (hash == std::string_view::npos) return incompleteOr(b.size() - p > kFolderMax);
    out.request.part3 = std::string(b.substr(p, hash - p));
    p = hash;
  }
  ++p;  // past "#"
  std::size_t dollar = FindWithin(b, '$', p, kKindMax);
  if (dollar == std::string_view::npos) return incompleteOr(b.size() - p > kKindMax);
  out.request.part4 = std::string(b.substr(p, dollar - p));
  p = dollar + 1;
  if (keyed) {
    if (b.size() < p + kLockUserLength) return incompleteOr(false);
    out.request.part5 = std::string(b.substr(p, kLockUserLength));
    p += kLockUserLength;
  }
  out.status = LockRequestParse::kComplete;
  out.consumed = p;
  return out;
}

}  // namespace common
