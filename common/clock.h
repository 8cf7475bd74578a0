// Wall clock (local date and time with milliseconds) and monotonic milliseconds
// behind one small interface. Code asks the process-wide current clock; tests put
// a FakeClock in its place and advance it by hand.
#pragma once
#include <cstdint>

namespace common {

// A local calendar date and time. month 1..12, day 1..31, millisecond 0..999.
struct DateTime {
  int year = 1970, month = 1, day = 1;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
  friend bool operator==(const DateTime&, const DateTime&) = default;
};

// 0 = Sunday .. 6 = Saturday.
int DayOfWeek(const DateTime& t);
// Calendar arithmetic without time zones: adds (or with a negative count subtracts) milliseconds.
DateTime AddMilliseconds(const DateTime& t, std::int64_t ms);
// Days since 1970-01-01 of the date part, and back.
std::int64_t DaysFromCivil(int year, int month, int day);
DateTime CivilFromDays(std::int64_t days);

// Nanoseconds since the Unix epoch (file times) to local time and back.
DateTime LocalFromUnixNs(std::int64_t ns);
std::int64_t UnixNsFromLocal(const DateTime& t);

// The packed DOS date-and-time (date in the high word, seconds halved).
std::uint32_t ToDosDateTime(const DateTime& t);
DateTime FromDosDateTime(std::uint32_t packed);

class Clock {
 public:
  virtual ~Clock() = default;
  virtual DateTime Now() const = 0;               // local wall time
  virtual std::int64_t MonotonicMs() const = 0;  // never goes back
};

// The machine's monotonic milliseconds whatever clock is current: deadlines of
// real waits (sockets, poll).
std::int64_t SystemMonotonicMs();

// The real clocks of the machine.
class SystemClock : public Clock {
 public:
  DateTime Now() const override;
  std::int64_t MonotonicMs() const override;
};

// A clock that moves only when told to.
class FakeClock : public Clock {
 public:
  explicit FakeClock(DateTime start = {2024, 1, 1, 8, 0, 0, 0}) : now_(start) {}
  DateTime Now() const override { return now_; }
  std::int64_t MonotonicMs() const override { return mono_; }
  void Advance(std::int64_t ms);  // moves both clocks forward
  void Set(const DateTime& t) { now_ = t; }  // moves the wall clock only
 private:
  DateTime now_;
  std::int64_t mono_ = 0;
};

// The process-wide current clock (a SystemClock until replaced).
Clock& CurrentClock();
// Replaces the current clock; nullptr puts the system clock back. The caller keeps ownership.
void SetClock(Clock* clock);
inline DateTime Now() { return CurrentClock().Now(); }
inline std::int64_t MonotonicMs() { return CurrentClock().MonotonicMs(); }

// Puts a clock in place for one scope (tests).
class ScopedClock {
 public:
  explicit ScopedClock(Clock& c) : previous_(&CurrentClock()) { SetClock(&c); }
  ~ScopedClock() { SetClock(previous_); }
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;
 private:
  Clock* previous_;
};

}  // namespace common
