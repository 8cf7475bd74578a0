// Line printer ports "LPT1".."LPT4": each maps, by the key "LPT<n>" of "sys.par",
// to a device path (/dev/usb/lp0), a file, or a command "|lp -d NAME -o raw" that
// gets the bytes on its input; without an entry, the file "LPT<n>.prn" of the start
// folder. Bytes pass raw and are appended, as a port takes successive pieces.
#pragma once
#include <string>
#include <string_view>

namespace reports {

class RawPort {
 public:
  ~RawPort();
  // The configured target of port n.
  static std::string TargetOf(int n);
  // 0, or the I/O code when a file target cannot be opened (a missing folder: 3).
  [[nodiscard]] int Open(int n);
  bool IsOpen() const { return open_; }
  void Write(std::string_view bytes) { buffer_ += bytes; }
  // Hands the bytes to the target: 0 or the I/O code (a command that fails: 31).
  [[nodiscard]] int Close();

 private:
  std::string target_, buffer_;
  bool open_ = false;
};

// The port of the job entry "LPT" (one digit, 0 means 1).
int JobPort();
// Sends "suple.txt" of the current folder (or the byte 7 when it is missing or empty)
// to the port; ports other than 1..4 do nothing. 0 or the I/O code.
int PrintFileToLpt(int port);
// Sends bytes to a port at once (Ctrl+F5, Alt+F5). 0 or the I/O code.
int SendToPort(int port, std::string_view bytes);

}  // namespace reports
