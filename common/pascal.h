// Short-string helpers with 1-based positions, counted-text fields and
// little-endian integers of record buffers.
#pragma once
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

#include "common/errors.h"

namespace common {

// --- 1-based string routines; positions out of range never throw ---

// count characters from position index (1-based). An index below 1 counts as 1;
// an index past the end or a count below 1 gives the empty text.
std::string Copy(std::string_view s, int index, int count);
// The rest of s from position index (1-based).
std::string CopyFrom(std::string_view s, int index);
// 1-based position of the first sub in s at or after position from; 0 when absent
// or when sub is empty.
int Pos(std::string_view sub, std::string_view s, int from = 1);
// Removes count characters from position index; nothing when index is outside 1..size.
void Delete(std::string& s, int index, int count);
// Puts sub in front of position index (below 1 counts as 1, past the end appends).
void Insert(std::string_view sub, std::string& s, int index);

// --- little-endian values in record buffers ---

template <class T>
  requires(std::is_arithmetic_v<T>)
T LoadLE(const unsigned char* p) {
  using U = std::make_unsigned_t<std::conditional_t<std::is_floating_point_v<T>,
      std::conditional_t<sizeof(T) == 8, std::int64_t, std::int32_t>, T>>;
  U u = 0;
  for (std::size_t i = 0; i < sizeof(T); ++i) u |= static_cast<U>(static_cast<U>(p[i]) << (8 * i));
  return std::bit_cast<T>(u);
}

template <class T>
  requires(std::is_arithmetic_v<T>)
void StoreLE(unsigned char* p, T value) {
  using U = std::make_unsigned_t<std::conditional_t<std::is_floating_point_v<T>,
      std::conditional_t<sizeof(T) == 8, std::int64_t, std::int32_t>, T>>;
  U u = std::bit_cast<U>(value);
  for (std::size_t i = 0; i < sizeof(T); ++i) p[i] = static_cast<unsigned char>(u >> (8 * i));
}

// Throws RangeError unless size bytes at offset lie inside a buffer of bufSize bytes.
void CheckFieldRange(std::size_t bufSize, std::size_t offset, std::size_t size);

// A value of type T at byte offset of a record (uint8_t .. int64_t, float, double).
template <class T>
T GetLE(std::string_view rec, std::size_t offset) {
  CheckFieldRange(rec.size(), offset, sizeof(T));
  return LoadLE<T>(reinterpret_cast<const unsigned char*>(rec.data()) + offset);
}

template <class T>
void PutLE(std::string& rec, std::size_t offset, T value) {
  CheckFieldRange(rec.size(), offset, sizeof(T));
  StoreLE<T>(reinterpret_cast<unsigned char*>(rec.data()) + offset, value);
}

// --- counted texts: one length byte, then capacity character bytes ---

// The text of a counted field; a stored length above the capacity is read as the capacity.
std::string GetCounted(std::string_view rec, std::size_t offset, std::size_t capacity);
// Stores text (cut to capacity) with its length byte. The bytes after the text
// inside the field are left as they are.
void PutCounted(std::string& rec, std::size_t offset, std::string_view text, std::size_t capacity);

}  // namespace common
