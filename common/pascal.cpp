#include "common/pascal.h"

#include <algorithm>

namespace common {

std::string Copy(std::string_view s, int index, int count) {
  if (index < 1) index = 1;
  const auto size = static_cast<long long>(s.size());
  if (count < 1 || index > size) return {};
  const long long n = std::min<long long>(count, size - index + 1);
  return std::string(s.substr(static_cast<std::size_t>(index - 1), static_cast<std::size_t>(n)));
}

std::string CopyFrom(std::string_view s, int index) {
  if (index < 1) index = 1;
  if (static_cast<std::size_t>(index) > s.size()) return {};
  return std::string(s.substr(static_cast<std::size_t>(index - 1)));
}

int Pos(std::string_view sub, std::string_view s, int from) {
  if (sub.empty()) return 0;
  if (from < 1) from = 1;
  if (static_cast<std::size_t>(from) > s.size()) return 0;
  const auto at = s.find(sub, static_cast<std::size_t>(from - 1));
  return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

void Delete(std::string& s, int index, int count) {
  if (index < 1 || count < 1 || static_cast<std::size_t>(index) > s.size()) return;
  s.erase(static_cast<std::size_t>(index - 1), static_cast<std::size_t>(count));
}

void Insert(std::string_view sub, std::string& s, int index) {
  if (index < 1) index = 1;
  const std::size_t at = std::min(static_cast<std::size_t>(index - 1), s.size());
  s.insert(at, sub);
}

void CheckFieldRange(std::size_t bufSize, std::size_t offset, std::size_t size) {
  if (offset > bufSize || size > bufSize - offset)
    throw RangeError("field of " + std::to_string(size) + " bytes at offset " + std::to_string(offset) +
                     " outside a record of " + std::to_string(bufSize) + " bytes");
}

std::string GetCounted(std::string_view rec, std::size_t offset, std::size_t capacity) {
  CheckFieldRange(rec.size(), offset, capacity + 1);
  const std::size_t len = std::min<std::size_t>(static_cast<unsigned char>(rec[offset]), capacity);
  return std::string(rec.substr(offset + 1, len));
}

void PutCounted(std::string& rec, std::size_t offset, std::string_view text, std::size_t capacity) {
  if (capacity > 255) throw RangeError("counted text capacity above 255");
  CheckFieldRange(rec.size(), offset, capacity + 1);
  const std::size_t len = std::min(text.size(), capacity);
  rec[offset] = static_cast<char>(len);
  rec.replace(offset + 1, len, text.substr(0, len));
}

}  // namespace common
