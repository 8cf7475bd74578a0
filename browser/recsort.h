// The record sort engine: an external merge sort of fixed-length keys.
//
// One RecordSort object per sort. SortRun(key length) calls the input hook, which
// hands every key over with SortPut; the keys are sorted by SortLess and the output
// hook takes them back with SortGet until SortEnd. Keys are gathered in a buffer of
// at most 32,000,000 bytes and 250,000 keys; a fuller sort spills each sorted load as
// a run to a work file of its own (common::CreateWorkFile, owner "SORT": a name no
// user's file has; one a killed sort left is erased by the next sort in that folder)
// and merges the runs while SortGet reads.
//
// Equal keys come out in the engine's fixed order (the reverse of their input order
// for a consistent SortLess): each load is sorted by a pair pass that exchanges equal
// neighbours, then bottom-up merges that take the right run's key on ties; the runs
// are merged pairwise, level by level, the same way. Callers that sort whole records
// store that order, so it must not change. Without a less hook (and in no derived
// class) keys are ordered by their bytes: equal keys are the same bytes, and a load is
// sorted by a radix pass over the keys' leading bytes instead.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace browser {

inline constexpr int kSortOk = 0;
inline constexpr int kSortBadKeyLength = 8;
inline constexpr int kSortTooManyKeys = 9;

struct SortLimits {
  std::int64_t bufferBytes = 32'000'000;
  std::int32_t maxKeysPerBuffer = 250'000;
  std::int32_t maxKeys = 10'000'000;
  // Folder of the work file (Windows form, ending in "\" or "/"); empty: the current folder.
  std::string workFolder;
};

// Ordinal comparison of two counted texts (length byte, then the characters): true when
// a comes strictly before b; a shorter text that is a prefix of the other comes first.
bool CountedTextLess(const char* a, const char* b);

// Byte-order sorting: a key's leading bytes as one number, and the key's offset.
struct SortPrefix {
  std::uint64_t prefix;
  std::uint32_t offset;
};

class RecordSort {
 public:
  using KeyLess = std::function<bool(const char* a, const char* b)>;

  explicit RecordSort(SortLimits limits = {});
  virtual ~RecordSort();
  RecordSort(const RecordSort&) = delete;
  RecordSort& operator=(const RecordSort&) = delete;

  // Hooks; a derived class may override the virtuals instead. Without a less hook keys
  // are ordered byte by byte over their whole length.
  std::function<void(RecordSort&)> onInput;
  std::function<void(RecordSort&)> onOutput;
  KeyLess less;

  // Runs the whole sort. 0, 8 (key length below 2; no hook runs), 9 (more keys than
  // the limit; the output hook gets nothing) or the I/O code of the work file. The
  // work file is erased and the memory released however the sort ends.
  int SortRun(std::int32_t keyLength);

  // Inside the input hook: one key of the key length (a longer text is cut; a shorter
  // one raises RangeError). Ignored once the status is not 0.
  void SortPut(std::string_view key);
  void SortPut(const void* key, std::size_t size) { SortPut(std::string_view(static_cast<const char*>(key), size)); }
  // Inside the output hook: the next key in order; false (key untouched) when none is left.
  bool SortGet(void* key);
  bool SortGet(std::string& key);
  // Every key given out, or the status is not 0.
  bool SortEnd() const;

  int status() const { return status_; }
  std::int32_t keyLength() const { return keyLength_; }
  std::int32_t keysPerBuffer() const { return keysPerBuffer_; }
  std::int64_t totalKeys() const { return totalKeys_; }
  std::int32_t runsWritten() const { return runsWritten_; }
  // The work file's name of the last sort that spilled (Windows form); empty when none did.
  const std::string& workFileName() const { return workName_; }

 protected:
  virtual void SortInput();
  virtual void SortOutput();
  virtual bool SortLess(const char* a, const char* b);

 private:
  struct WorkFile;
  struct MergeNode;

  void PutKey(const char* key);
  void SortMemoryBlock(std::int32_t n);
  void SortBytes(std::int32_t n);
  void SortWriteRun(std::int32_t n);
  void StartMerge();
  bool Refill(MergeNode& leaf);
  void Choose(MergeNode& node);
  void SetHead(MergeNode& leaf, const char* key);
  void Release();
  const char* Key(std::int32_t offsetIndex) const;

  SortLimits limits_;
  int status_ = kSortOk;
  std::int32_t keyLength_ = 0;
  std::int32_t keysPerBuffer_ = 0;
  std::int32_t keysInBuffer_ = 0;
  std::int64_t totalKeys_ = 0;
  std::int32_t runsWritten_ = 0;
  std::int64_t keysReturned_ = 0;
  std::int64_t keysInRuns_ = 0;
  bool running_ = false;
  bool byteOrder_ = false;  // no less hook: keys compare byte by byte

  std::vector<char> buffer_;              // the keys of one load
  std::vector<std::int32_t> a_, b_;       // key offsets: A holds the sorted order
  std::vector<SortPrefix> entries_, spare_;  // byte-order keys
  std::unique_ptr<WorkFile> work_;
  std::vector<std::unique_ptr<MergeNode>> nodes_;
  MergeNode* root_ = nullptr;
  std::string workName_;
};

}  // namespace browser
