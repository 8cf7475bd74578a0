#include "common/clock.h"

#include <atomic>
#include <ctime>

namespace common {

namespace {
constexpr std::int64_t kMsPerDay = 86'400'000;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }
}  // namespace

// Days since 1970-01-01 in the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(int year, int month, int day) {
  std::int64_t y = year - (month <= 2);
  const std::int64_t era = FloorDiv(y, 400);
  const std::int64_t yoe = y - era * 400;
  const std::int64_t mp = (month + 9) % 12;
  const std::int64_t doy = (153 * mp + 2) / 5 + day - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

DateTime CivilFromDays(std::int64_t days) {
  days += 719468;
  const std::int64_t era = FloorDiv(days, 146097);
  const std::int64_t doe = days - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  DateTime t;
  t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  t.year = static_cast<int>(yoe + era * 400 + (t.month <= 2));
  return t;
}

int DayOfWeek(const DateTime& t) {
  const std::int64_t d = DaysFromCivil(t.year, t.month, t.day);
  return static_cast<int>(((d % 7) + 11) % 7);  // 1970-01-01 was a Thursday
}

DateTime AddMilliseconds(const DateTime& t, std::int64_t ms) {
  std::int64_t total = DaysFromCivil(t.year, t.month, t.day) * kMsPerDay +
                       ((t.hour * 60LL + t.minute) * 60 + t.second) * 1000 + t.millisecond + ms;
  const std::int64_t days = FloorDiv(total, kMsPerDay);
  std::int64_t rest = total - days * kMsPerDay;
  DateTime r = CivilFromDays(days);
  r.millisecond = static_cast<int>(rest % 1000);
  rest /= 1000;
  r.second = static_cast<int>(rest % 60);
  rest /= 60;
  r.minute = static_cast<int>(rest % 60);
  r.hour = static_cast<int>(rest / 60);
  return r;
}

DateTime LocalFromUnixNs(std::int64_t ns) {
  const std::int64_t ms = FloorDiv(ns, 1'000'000);
  const std::time_t secs = static_cast<std::time_t>(FloorDiv(ms, 1000));
  std::tm tm{};
  localtime_r(&secs, &tm);
  DateTime t;
  t.year = tm.tm_year + 1900;
  t.month = tm.tm_mon + 1;
  t.day = tm.tm_mday;
  t.hour = tm.tm_hour;
  t.minute = tm.tm_min;
  t.second = tm.tm_sec;
  t.millisecond = static_cast<int>(ms - FloorDiv(ms, 1000) * 1000);
  return t;
}

std::int64_t UnixNsFromLocal(const DateTime& t) {
  std::tm tm{};
  tm.tm_year = t.year - 1900;
  tm.tm_mon = t.month - 1;
  tm.tm_mday = t.day;
  tm.tm_hour = t.hour;
  tm.tm_min = t.minute;
  tm.tm_sec = t.second;
  tm.tm_isdst = -1;
  const std::time_t secs = mktime(&tm);
  return static_cast<std::int64_t>(secs) * 1'000'000'000 + t.millisecond * 1'000'000LL;
}

std::uint32_t ToDosDateTime(const DateTime& t) {
  const std::uint32_t date = (static_cast<std::uint32_t>(t.year - 1980) << 9) |
                             (static_cast<std::uint32_t>(t.month) << 5) | static_cast<std::uint32_t>(t.day);
  const std::uint32_t time = (static_cast<std::uint32_t>(t.hour) << 11) |
                             (static_cast<std::uint32_t>(t.minute) << 5) | static_cast<std::uint32_t>(t.second / 2);
  return (date << 16) | time;
}

DateTime FromDosDateTime(std::uint32_t packed) {
  const std::uint32_t date = packed >> 16, time = packed & 0xFFFF;
  DateTime t;
  t.year = 1980 + static_cast<int>(date >> 9);
  t.month = static_cast<int>((date >> 5) & 0x0F);
  t.day = static_cast<int>(date & 0x1F);
  t.hour = static_cast<int>(time >> 11);
  t.minute = static_cast<int>((time >> 5) & 0x3F);
  t.second = static_cast<int>((time & 0x1F) * 2);
  return t;
}

DateTime SystemClock::Now() const {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  return LocalFromUnixNs(static_cast<std::int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec);
}

std::int64_t SystemMonotonicMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1'000'000;
}

std::int64_t SystemClock::MonotonicMs() const { return SystemMonotonicMs(); }

void FakeClock::Advance(std::int64_t ms) {
  if (ms < 0) ms = 0;  // the monotonic clock never goes back
  now_ = AddMilliseconds(now_, ms);
  mono_ += ms;
}

namespace {
SystemClock g_systemClock;
std::atomic<Clock*> g_clock{&g_systemClock};
}  // namespace

Clock& CurrentClock() { return *g_clock.load(); }
void SetClock(Clock* clock) { g_clock.store(clock ? clock : &g_systemClock); }

}  // namespace common
