#include "browser/recsort.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <typeinfo>

#include "common/errors.h"
#include "common/iocodes.h"
#include "common/osfile.h"
#include "common/winpath.h"

namespace browser {

namespace {

constexpr std::size_t kStagingBytes = 1 << 20;
constexpr char kWorkOwner[] = "SORT";  // the work files' owner name

// Up to eight key bytes from `at` as one number that orders as the bytes do; the
// bytes past the key's end count as zero (every key has the same length).
std::uint64_t Prefix(const char* key, std::size_t at, std::size_t len) {
  unsigned char b[8] = {};
  if (at + 8 <= len)
    std::memcpy(b, key + at, 8);
  else
    std::memcpy(b, key + at, len - at);
  std::uint64_t v = 0;
  for (unsigned char c : b) v = (v << 8) | c;
  return v;
}

using PrefixEntry = SortPrefix;

// How many leading bytes of a and b, at most n, are the same.
std::size_t SameBytes(const char* a, const char* b, std::size_t n) {
  std::size_t k = 0;
  for (std::uint64_t x, y; k + 8 <= n; k += 8) {
    std::memcpy(&x, a + k, 8);
    std::memcpy(&y, b + k, 8);
    if (x != y) break;
  }
  while (k < n && a[k] == b[k]) ++k;
  return k;
}

// Sorts entries by prefix, least significant byte first; a byte that all entries share
// costs no pass. The sorted entries end in `e`.
void RadixSort(PrefixEntry* e, PrefixEntry* tmp, std::size_t n) {
  if (n < 64) {
    std::sort(e, e + n, [](const PrefixEntry& a, const PrefixEntry& b) { return a.prefix < b.prefix; });
    return;
  }
  std::vector<std::array<std::uint32_t, 256>> count(8);
  for (auto& c : count) c.fill(0);
  for (std::size_t j = 0; j < n; ++j)
    for (int byte = 0; byte < 8; ++byte) ++count[static_cast<std::size_t>(byte)][(e[j].prefix >> (8 * byte)) & 0xFF];
  PrefixEntry* from = e;
  PrefixEntry* to = tmp;
  for (int byte = 0; byte < 8; ++byte) {
    auto& c = count[static_cast<std::size_t>(byte)];
    if (c[(from[0].prefix >> (8 * byte)) & 0xFF] == n) continue;
    std::uint32_t sum = 0;
    for (auto& k : c) {
      const std::uint32_t here = k;
      k = sum;
      sum += here;
    }
    for (std::size_t j = 0; j < n; ++j) to[c[(from[j].prefix >> (8 * byte)) & 0xFF]++] = from[j];
    std::swap(from, to);
  }
  if (from != e) std::copy(from, from + n, e);
}

}  // namespace

bool CountedTextLess(const char* a, const char* b) {
  const std::size_t la = static_cast<unsigned char>(a[0]);
  const std::size_t lb = static_cast<unsigned char>(b[0]);
  const int c = std::memcmp(a + 1, b + 1, std::min(la, lb));
  return c != 0 ? c < 0 : la < lb;
}

// The work file: created exclusively, erased when the sort lets it go.
struct RecordSort::WorkFile {
  common::File file;
  std::string name;
  ~WorkFile() {
    if (!file.IsOpen()) return;
    file.Close();
    (void)common::EraseFile(name);
  }
};

// One node of the merge of the spilled runs. A leaf reads one run through its slice
// of the key buffer; an inner node merges the outputs of its two children exactly as a
// merge pass over the whole file would: the left key when it is less, else the right.
struct RecordSort::MergeNode {
  const char* head = nullptr;  // the node's next key, nullptr when it has none left
  std::uint64_t prefix = 0;    // byte-order keys: the head's first eight bytes
  // Leaf.
  char* slice = nullptr;
  std::int64_t sliceKeys = 0, inSlice = 0, pos = 0;
  std::int64_t nextRecord = 0, remaining = 0;
  // Inner node.
  MergeNode* left = nullptr;
  MergeNode* right = nullptr;
  bool fromLeft = false;
};

RecordSort::RecordSort(SortLimits limits) : limits_(std::move(limits)) {}

RecordSort::~RecordSort() { Release(); }

void RecordSort::SortInput() {
  if (onInput) onInput(*this);
}

void RecordSort::SortOutput() {
  if (onOutput) onOutput(*this);
}

bool RecordSort::SortLess(const char* a, const char* b) {
  if (less) return less(a, b);
  return std::memcmp(a, b, static_cast<std::size_t>(keyLength_)) < 0;
}

const char* RecordSort::Key(std::int32_t offset) const { return buffer_.data() + offset; }

int RecordSort::SortRun(std::int32_t keyLength) {
  Release();
  status_ = kSortBadKeyLength;
  keyLength_ = keyLength;
  keysInBuffer_ = 0;
  totalKeys_ = 0;
  runsWritten_ = 0;
  keysReturned_ = 0;
  keysInRuns_ = 0;
  keysPerBuffer_ = 0;
  workName_.clear();
  if (keyLength <= 1) return status_;
  keysPerBuffer_ = static_cast<std::int32_t>(
      std::min<std::int64_t>(limits_.bufferBytes / keyLength, limits_.maxKeysPerBuffer));
  if (keysPerBuffer_ < 1) return status_;

  struct Cleanup {
    RecordSort* sort;
    ~Cleanup() { sort->Release(); }
  } cleanup{this};

  status_ = kSortOk;
  running_ = true;
  // Keys in byte order (no order of a hook or of a derived class) sort by their bytes.
  byteOrder_ = !less && typeid(*this) == typeid(RecordSort);
  SortInput();
  if (keysInBuffer_ > 0) SortMemoryBlock(keysInBuffer_);
  if (runsWritten_ > 0) {
    if (keysInBuffer_ > 0 && status_ == kSortOk) SortWriteRun(keysInBuffer_);
    if (status_ != kSortOk) return status_;
    StartMerge();
  }
  keysReturned_ = 0;
  SortOutput();
  return status_;
}

void RecordSort::SortPut(std::string_view key) {
  if (static_cast<std::int64_t>(key.size()) < keyLength_)
    throw common::RangeError("sort key shorter than the key length");
  PutKey(key.data());
}

void RecordSort::PutKey(const char* key) {
  if (!running_ || status_ != kSortOk) return;
  if (keysInBuffer_ == keysPerBuffer_) {
    SortMemoryBlock(keysInBuffer_);
    SortWriteRun(keysInBuffer_);
    keysInBuffer_ = 0;
    if (status_ != kSortOk) return;
  }
  const std::size_t need = static_cast<std::size_t>(keysInBuffer_ + 1) * static_cast<std::size_t>(keyLength_);
  if (buffer_.size() < need) {
    const std::size_t full = static_cast<std::size_t>(keysPerBuffer_) * static_cast<std::size_t>(keyLength_);
    buffer_.resize(std::min(full, std::max(need, 2 * buffer_.size() + 65536)));
  }
  std::memcpy(buffer_.data() + need - static_cast<std::size_t>(keyLength_), key,
              static_cast<std::size_t>(keyLength_));
  ++keysInBuffer_;
  if (totalKeys_ >= limits_.maxKeys)
    status_ = kSortTooManyKeys;  // the key stays in the buffer but is not counted
  else
    ++totalKeys_;
}

void RecordSort::SortMemoryBlock(std::int32_t n) {
  if (byteOrder_) return SortBytes(n);
  a_.resize(static_cast<std::size_t>(n));
  b_.resize(static_cast<std::size_t>(n));
  std::int32_t* a = a_.data();
  std::int32_t* b = b_.data();
  for (std::int32_t j = 0; j < n; ++j) a[j] = j * keyLength_;
  // Pair pass: equal neighbours are exchanged too.
  for (std::int32_t j = 0; j + 1 < n; j += 2)
    if (!SortLess(Key(a[j]), Key(a[j + 1]))) std::swap(a[j], a[j + 1]);
  if (n <= 2) return;
  for (std::int64_t w = 2; w < n; w *= 2) {
    for (std::int64_t s = 0; s < n; s += 2 * w) {
      const std::int64_t mid = std::min<std::int64_t>(s + w, n), end = std::min<std::int64_t>(s + 2 * w, n);
      std::int64_t i = s, k = mid, o = s;
      while (i < mid && k < end) b[o++] = SortLess(Key(a[i]), Key(a[k])) ? a[i++] : a[k++];
      while (i < mid) b[o++] = a[i++];
      while (k < end) b[o++] = a[k++];
    }
    std::swap(a, b);  // the merged pass becomes A
  }
  if (a != a_.data()) std::copy(a, a + n, a_.data());
}

// Byte-order keys: equal keys are equal bytes, so any order of them gives the same
// output. The offsets are sorted by eight key bytes at a time: a radix pass over
// (bytes, offset) pairs, then each group of equal bytes by the next eight bytes.
void RecordSort::SortBytes(std::int32_t n) {
  const auto count = static_cast<std::size_t>(n);
  const auto len = static_cast<std::size_t>(keyLength_);
  // Kept from load to load: a new array each time would be new pages each time.
  std::vector<PrefixEntry>& entries = entries_;
  std::vector<PrefixEntry>& tmp = spare_;
  entries.resize(count);
  tmp.resize(count);
  for (std::size_t j = 0; j < count; ++j)
    entries[j] = {Prefix(buffer_.data() + j * len, 0, len), static_cast<std::uint32_t>(j * len)};
  struct Group {
    std::size_t begin, end, at;
  };
  std::vector<Group> todo{{0, count, 0}};
  while (!todo.empty()) {
    const Group g = todo.back();
    todo.pop_back();
    PrefixEntry* e = entries.data() + g.begin;
    const std::size_t size = g.end - g.begin;
    std::size_t at = g.at;
    if (at > 0) {
      // The bytes all keys of the group share are passed over at once; keys equal
      // to the end need nothing more.
      const char* first = buffer_.data() + e[0].offset;
      std::size_t same = len - at;
      for (std::size_t j = 1; j < size && same > 0; ++j)
        same = SameBytes(first + at, buffer_.data() + e[j].offset + at, same);
      if (same == len - at) continue;
      at += same / 8 * 8;
      for (std::size_t j = 0; j < size; ++j) e[j].prefix = Prefix(buffer_.data() + e[j].offset, at, len);
    }
    RadixSort(e, tmp.data(), size);
    if (at + 8 >= len) continue;
    for (std::size_t j = 0; j < size;) {
      std::size_t k = j + 1;
      while (k < size && e[k].prefix == e[j].prefix) ++k;
      if (k - j > 1) todo.push_back({g.begin + j, g.begin + k, at + 8});
      j = k;
    }
  }
  a_.resize(count);
  b_.clear();
  for (std::size_t j = 0; j < count; ++j) a_[j] = static_cast<std::int32_t>(entries[j].offset);
}

void RecordSort::SortWriteRun(std::int32_t n) {
  if (!work_) {
    work_ = std::make_unique<WorkFile>();
    status_ = common::CreateWorkFile(limits_.workFolder, kWorkOwner, work_->file, work_->name);
    if (status_ != kSortOk) {
      work_.reset();
      ++runsWritten_;
      return;
    }
    workName_ = work_->name;
  }
  const std::size_t len = static_cast<std::size_t>(keyLength_);
  std::vector<char> staging(std::max(len, kStagingBytes - kStagingBytes % len));
  std::uint64_t offset = static_cast<std::uint64_t>(keysInRuns_) * len;
  std::size_t used = 0;
  auto flush = [&] {
    if (used == 0) return true;
    if (int code = work_->file.WriteAt(offset, staging.data(), used)) {
      status_ = code;
      return false;
    }
    offset += used;
    used = 0;
    return true;
  };
  for (std::int32_t j = 0; j < n; ++j) {
    if (used + len > staging.size() && !flush()) break;
    if (j + 8 < n) __builtin_prefetch(Key(a_[static_cast<std::size_t>(j + 8)]));
    std::memcpy(staging.data() + used, Key(a_[static_cast<std::size_t>(j)]), len);
    used += len;
  }
  if (status_ == kSortOk) flush();
  keysInRuns_ += n;
  ++runsWritten_;
}

void RecordSort::StartMerge() {
  const std::int64_t len = keyLength_;
  const std::int64_t runs = (keysInRuns_ + keysPerBuffer_ - 1) / keysPerBuffer_;
  // The key buffer is free now: it holds the read slices of the runs.
  std::int64_t perRun = std::max<std::int64_t>(1, static_cast<std::int64_t>(buffer_.size()) / len / runs);
  if (static_cast<std::int64_t>(buffer_.size()) < perRun * runs * len)
    buffer_.resize(static_cast<std::size_t>(perRun * runs * len));
  a_.clear();
  a_.shrink_to_fit();
  b_.clear();
  b_.shrink_to_fit();

  std::vector<MergeNode*> level;
  for (std::int64_t r = 0; r < runs; ++r) {
    auto leaf = std::make_unique<MergeNode>();
    leaf->slice = buffer_.data() + r * perRun * len;
    leaf->sliceKeys = perRun;
    leaf->nextRecord = r * keysPerBuffer_;
    leaf->remaining = std::min<std::int64_t>(keysPerBuffer_, keysInRuns_ - leaf->nextRecord);
    level.push_back(leaf.get());
    nodes_.push_back(std::move(leaf));
  }
  // Neighbouring runs are paired level by level; an odd last one goes up as it is.
  while (level.size() > 1) {
    std::vector<MergeNode*> up;
    for (std::size_t i = 0; i < level.size(); i += 2) {
      if (i + 1 == level.size()) {
        up.push_back(level[i]);
        break;
      }
      auto node = std::make_unique<MergeNode>();
      node->left = level[i];
      node->right = level[i + 1];
      up.push_back(node.get());
      nodes_.push_back(std::move(node));
    }
    level = std::move(up);
  }
  root_ = level.front();

  // Prime every node from the leaves up (children were created before their parents).
  for (auto& node : nodes_) {
    if (node->left)
      Choose(*node);
    else if (!Refill(*node))
      return;
  }
}

bool RecordSort::Refill(MergeNode& leaf) {
  leaf.head = nullptr;
  leaf.pos = leaf.inSlice = 0;
  if (leaf.remaining == 0) return true;
  const std::int64_t take = std::min(leaf.sliceKeys, leaf.remaining);
  const std::uint64_t len = static_cast<std::uint64_t>(keyLength_);
  if (int code = work_->file.ReadAt(static_cast<std::uint64_t>(leaf.nextRecord) * len, leaf.slice,
                                    static_cast<std::size_t>(static_cast<std::uint64_t>(take) * len))) {
    status_ = code;
    return false;
  }
  leaf.nextRecord += take;
  leaf.remaining -= take;
  leaf.inSlice = take;
  SetHead(leaf, leaf.slice);
  return true;
}

void RecordSort::SetHead(MergeNode& leaf, const char* key) {
  leaf.head = key;
  if (byteOrder_) leaf.prefix = Prefix(key, 0, static_cast<std::size_t>(keyLength_));
}

void RecordSort::Choose(MergeNode& m) {
  const MergeNode& l = *m.left;
  const MergeNode& r = *m.right;
  if (l.head && r.head) {
    if (!byteOrder_)
      m.fromLeft = SortLess(l.head, r.head);
    else if (l.prefix != r.prefix)
      m.fromLeft = l.prefix < r.prefix;
    else
      m.fromLeft = keyLength_ > 8 && std::memcmp(l.head + 8, r.head + 8, static_cast<std::size_t>(keyLength_ - 8)) < 0;
  } else {
    m.fromLeft = l.head != nullptr;  // one side is exhausted: the other is copied
  }
  const MergeNode& from = m.fromLeft ? l : r;
  m.head = from.head;
  m.prefix = from.prefix;
}

bool RecordSort::SortEnd() const {
  if (status_ != kSortOk) return true;
  if (runsWritten_ > 0) return root_ == nullptr || root_->head == nullptr;
  return keysReturned_ >= keysInBuffer_;
}

bool RecordSort::SortGet(std::string& key) {
  std::string k(static_cast<std::size_t>(keyLength_), '\0');
  if (!SortGet(k.data())) return false;
  key = std::move(k);
  return true;
}

bool RecordSort::SortGet(void* key) {
  if (!running_ || SortEnd()) return false;
  const std::size_t len = static_cast<std::size_t>(keyLength_);
  if (runsWritten_ == 0) {
    std::memcpy(key, Key(a_[static_cast<std::size_t>(keysReturned_)]), len);
    ++keysReturned_;
    return true;
  }
  std::memcpy(key, root_->head, len);
  ++keysReturned_;
  // Advance along the path the key came from, then choose again on the way back up.
  MergeNode* path[64];
  int depth = 0;
  MergeNode* m = root_;
  while (m->left) {
    path[depth++] = m;
    m = m->fromLeft ? m->left : m->right;
  }
  if (++m->pos < m->inSlice)
    SetHead(*m, m->slice + m->pos * keyLength_);
  else if (!Refill(*m))
    return true;
  while (depth > 0) Choose(*path[--depth]);
  return true;
}

void RecordSort::Release() {
  running_ = false;
  root_ = nullptr;
  nodes_.clear();
  work_.reset();
  std::vector<char>().swap(buffer_);
  std::vector<std::int32_t>().swap(a_);
  std::vector<std::int32_t>().swap(b_);
  std::vector<PrefixEntry>().swap(entries_);
  std::vector<PrefixEntry>().swap(spare_);
}

}  // namespace browser
