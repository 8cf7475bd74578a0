// The DOS/Windows I/O codes that file messages show. errno is turned into one of
// these by IoCodeFromErrno (osfile.h), and nowhere else.
#pragma once

namespace common::io {

inline constexpr int kOk = 0;
inline constexpr int kFileNotFound = 2;
inline constexpr int kPathNotFound = 3;
inline constexpr int kTooManyOpenFiles = 4;
inline constexpr int kAccessDenied = 5;
inline constexpr int kInvalidHandle = 6;
inline constexpr int kInvalidData = 13;  // a file that is not of its kind (job file size, binary parameter file)
inline constexpr int kNotEnoughMemory = 8;
inline constexpr int kNotSameDevice = 17;
inline constexpr int kNoMoreFiles = 18;
inline constexpr int kGeneralFailure = 31;
inline constexpr int kSharingViolation = 32;
inline constexpr int kLockViolation = 33;
inline constexpr int kFileExists = 80;
inline constexpr int kInvalidParameter = 87;
inline constexpr int kDirNotEmpty = 145;
inline constexpr int kReadPastEnd = 100;    // also a short read
inline constexpr int kDiskWriteError = 101;  // also a full disk
inline constexpr int kFileNotOpen = 103;
// A step the file layer stopped before it touched a file whose unfinished rewrite could
// not be put back first (osfile.h); the refusal has been said, naming the file and its copy.
inline constexpr int kUnfinishedRewrite = 995;

}  // namespace common::io
