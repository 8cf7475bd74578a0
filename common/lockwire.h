// The lock-server wire format: one request per send, no terminator,
//   command "<" folder ">" key "#" kind "$" user
// and a reply that grants (or, for "IfVolny", reports the file free) when it
// begins with "OK". All text is Windows-1250 bytes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace common {

inline constexpr std::uint16_t kLockServerPort = 5050;
inline constexpr std::size_t kLockKeyLength = 12;   // file key, blank-padded
inline constexpr std::size_t kLockUserLength = 4;   // user code + blanks
inline constexpr std::size_t kLockDirLength = 80;   // folder text, cut
inline constexpr std::size_t kLockReplyMax = 255;   // one reply send

// The reply the client takes when none came in time.
inline constexpr std::string_view kNoLockReply = "ERR 50";
inline constexpr std::string_view kCmdLock = "Zamkni";
inline constexpr std::string_view kCmdUnlock = "Odemkni";
inline constexpr std::string_view kCmdIfVolny = "IfVolny";
inline constexpr std::string_view kCmdClient = "Client";

struct LockRequest {
  std::string command, part2, part3, part4, part5;
  friend bool operator==(const LockRequest&, const LockRequest&) = default;
};

// The bytes of one request as the client sends them.
std::string FormatLockRequest(const LockRequest& r);

// True for the commands whose key and user parts have fixed lengths.
bool IsKeyedLockCommand(std::string_view command);

// Reads one request from the front of a received byte stream (requests may
// arrive split or coalesced). The key and the user field of the keyed commands
// are taken by length, so they may hold "#", "$", "<" or ">".
struct LockRequestParse {
  enum Status { kComplete, kIncomplete, kMalformed } status = kIncomplete;
  std::size_t consumed = 0;  // bytes of the complete request
  LockRequest request;
};
LockRequestParse ParseLockRequest(std::string_view bytes);

// A reply grants when its first two bytes are "OK" (upper case).
inline bool LockReplyGrants(std::string_view reply) { return reply.starts_with("OK"); }

// The kind sent with a lock request: "W" for a write lock, empty for a read lock.
// Any non-empty kind counts as a write lock, as in the lock table.
inline std::string NormalLockKind(std::string_view kind) { return kind.empty() ? "" : "W"; }

}  // namespace common
