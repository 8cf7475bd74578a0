#include "common/clock.h"

#include <gtest/gtest.h>

using namespace common;

namespace {

TEST(ClockTest, FakeClockMovesOnlyWhenAdvanced) {
  FakeClock fake({2024, 2, 28, 23, 59, 59, 900});
  EXPECT_EQ(fake.MonotonicMs(), 0);
  fake.Advance(50);
  EXPECT_EQ(fake.Now(), (DateTime{2024, 2, 28, 23, 59, 59, 950}));
  fake.Advance(100);  // over midnight into a leap day
  EXPECT_EQ(fake.Now(), (DateTime{2024, 2, 29, 0, 0, 0, 50}));
  fake.Advance(24LL * 3600 * 1000);
  EXPECT_EQ(fake.Now(), (DateTime{2024, 3, 1, 0, 0, 0, 50}));
  EXPECT_EQ(fake.MonotonicMs(), 150 + 24LL * 3600 * 1000);
  fake.Advance(-1000);  // never backwards
  EXPECT_EQ(fake.MonotonicMs(), 150 + 24LL * 3600 * 1000);
  fake.Set({2025, 12, 31, 23, 0, 0, 0});  // a new work date moves the wall clock only
  EXPECT_EQ(fake.MonotonicMs(), 150 + 24LL * 3600 * 1000);
  fake.Advance(3600 * 1000);
  EXPECT_EQ(fake.Now(), (DateTime{2026, 1, 1, 0, 0, 0, 0}));
}

TEST(ClockTest, CurrentClockIsReplaceable) {
  Clock* system = &CurrentClock();
  {
    FakeClock fake({2023, 5, 17, 9, 5, 7, 0});
    ScopedClock use(fake);
    EXPECT_EQ(Now(), (DateTime{2023, 5, 17, 9, 5, 7, 0}));
    const std::int64_t t0 = MonotonicMs();
    fake.Advance(50);
    EXPECT_EQ(MonotonicMs() - t0, 50);
    {
      FakeClock inner;
      ScopedClock nested(inner);
      EXPECT_EQ(Now(), inner.Now());
    }
    EXPECT_EQ(&CurrentClock(), &fake);  // the outer one is back
  }
  EXPECT_EQ(&CurrentClock(), system);
}

TEST(ClockTest, SystemClockRuns) {
  SystemClock c;
  const std::int64_t a = c.MonotonicMs();
  const std::int64_t b = c.MonotonicMs();
  EXPECT_LE(a, b);
  const DateTime now = c.Now();
  EXPECT_GE(now.year, 2020);
  EXPECT_TRUE(now.month >= 1 && now.month <= 12);
  EXPECT_TRUE(now.millisecond >= 0 && now.millisecond <= 999);
}

TEST(ClockTest, CalendarArithmetic) {
  EXPECT_EQ(DaysFromCivil(1970, 1, 1), 0);
  EXPECT_EQ(DaysFromCivil(2000, 3, 1), 11017);
  EXPECT_EQ(DaysFromCivil(1969, 12, 31), -1);
  for (std::int64_t d : {-800000LL, -1LL, 0LL, 59LL, 11016LL, 19782LL, 2932896LL})
    EXPECT_EQ(DaysFromCivil(CivilFromDays(d).year, CivilFromDays(d).month, CivilFromDays(d).day), d);
  EXPECT_EQ(DayOfWeek({2024, 1, 1}), 1);   // Monday
  EXPECT_EQ(DayOfWeek({1970, 1, 1}), 4);   // Thursday
  EXPECT_EQ(DayOfWeek({1900, 3, 4}), 0);   // Sunday
  EXPECT_EQ(AddMilliseconds({2024, 1, 1, 0, 0, 0, 0}, -1), (DateTime{2023, 12, 31, 23, 59, 59, 999}));
  EXPECT_EQ(AddMilliseconds({2023, 2, 28, 12, 0, 0, 0}, 86'400'000), (DateTime{2023, 3, 1, 12, 0, 0, 0}));
  EXPECT_EQ(AddMilliseconds({2100, 2, 28, 0, 0, 0, 0}, 86'400'000), (DateTime{2100, 3, 1, 0, 0, 0, 0}));
}

TEST(ClockTest, DosPackedDateTime) {
  const DateTime t{2024, 3, 5, 9, 5, 7, 0};
  const std::uint32_t packed = ToDosDateTime(t);
  EXPECT_EQ(packed >> 16, (44u << 9) | (3u << 5) | 5u);  // date in the high word
  EXPECT_EQ(packed & 0xFFFF, (9u << 11) | (5u << 5) | 3u);  // seconds halved
  EXPECT_EQ(FromDosDateTime(packed), (DateTime{2024, 3, 5, 9, 5, 6, 0}));
  EXPECT_EQ(FromDosDateTime(ToDosDateTime({1980, 1, 1, 0, 0, 0, 0})), (DateTime{1980, 1, 1, 0, 0, 0, 0}));
}

TEST(ClockTest, FileTimesToLocalAndBack) {
  for (const DateTime& t : {DateTime{2024, 7, 1, 12, 30, 15, 250}, DateTime{2001, 1, 31, 0, 0, 0, 0},
                            DateTime{2030, 12, 31, 23, 59, 59, 999}})
    EXPECT_EQ(LocalFromUnixNs(UnixNsFromLocal(t)), t);
  const DateTime before = LocalFromUnixNs(-1'000'000);  // 1 ms before the epoch
  EXPECT_EQ(before.millisecond, 999);
}

}  // namespace
