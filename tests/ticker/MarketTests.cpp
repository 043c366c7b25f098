#include "Market.h"
#include "PricePath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

using ticker::Market;
using ticker::MarketSnapshot;
using ticker::Micros;
using ticker::PricePath;

namespace {

constexpr Micros kSecond = 1'000'000;
constexpr Micros kMinute = 60 * kSecond;
constexpr Micros kHour = 60 * kMinute;
constexpr Micros kDay = 24 * kHour;
// 2024-03-01 12:34:56.789 UTC: a moment in the middle of a minute and of a second.
constexpr Micros kMoment = 1709296496789000;

// The window the market claims to keep, summed the slow way straight from the trades:
// the open minute up to the current second and the 1439 whole minutes before it.
MarketSnapshot bruteForce(const PricePath& path, Micros now) {
    const int64_t second = now / kSecond;
    const int64_t first = (second / 60 - (Market::kWindowMinutes - 1)) * 60;
    MarketSnapshot expected;
    expected.high = -INFINITY;
    expected.low = INFINITY;
    double priceSum = 0;
    double priceVolumeSum = 0;
    for (int64_t s = first; s <= second; ++s) {
        const double price = path.priceAt(s);
        const double volume = path.volumeAt(s);
        expected.high = std::max(expected.high, price);
        expected.low = std::min(expected.low, price);
        priceSum += price;
        priceVolumeSum += price * volume;
        expected.volume += volume;
    }
    expected.last = path.priceAt(second);
    expected.avg = priceSum / static_cast<double>(second - first + 1);
    expected.vwap = priceVolumeSum / expected.volume;
    return expected;
}

void expectSame(const MarketSnapshot& a, const MarketSnapshot& b) {
    EXPECT_EQ(a.last, b.last);
    EXPECT_EQ(a.high, b.high);
    EXPECT_EQ(a.low, b.low);
    EXPECT_EQ(a.avg, b.avg);
    EXPECT_EQ(a.vwap, b.vwap);
    EXPECT_EQ(a.buy, b.buy);
    EXPECT_EQ(a.sell, b.sell);
    EXPECT_EQ(a.volume, b.volume);
    EXPECT_EQ(a.now, b.now);
    EXPECT_EQ(a.updated, b.updated);
}

} // namespace

TEST(PricePath, SameSeedAndSecondGiveTheSameTradeInAnyOrder) {
    const PricePath forward(7);
    std::vector<double> prices;
    for (int64_t s = 0; s < 100; ++s)
        prices.push_back(forward.priceAt(kMoment / kSecond + s));
    const PricePath backward(7);
    for (int64_t s = 99; s >= 0; --s)
        EXPECT_EQ(backward.priceAt(kMoment / kSecond + s), prices[static_cast<size_t>(s)]);
    EXPECT_NE(PricePath(8).priceAt(kMoment / kSecond), prices[0]);
}

TEST(PricePath, WalksInSmallStepsAndStaysPlausible) {
    // Across an anchor boundary (multiples of 2^22 s) too: 1707081728 is one.
    for (const uint64_t seed : {1ULL, 42ULL, 0xdeadbeefULL}) {
        SCOPED_TRACE(seed);
        const PricePath path(seed);
        int moves = 0;
        double previous = path.priceAt(1707081728 - 5000);
        for (int64_t s = 1707081728 - 4999; s < 1707081728 + 5000; ++s) {
            const double price = path.priceAt(s);
            ASSERT_GT(price, 5000.0);
            ASSERT_LT(price, 500000.0);
            ASSERT_LT(std::abs(std::log(price / previous)), 0.002) << "at second " << s;
            moves += price != previous;
            EXPECT_GT(path.volumeAt(s), 0.0);
            previous = price;
        }
        EXPECT_GT(moves, 9000);
    }
}

TEST(Market, SnapshotHoldsTogether) {
    for (const uint64_t seed : {1ULL, 99ULL, 123456789ULL}) {
        Market market(seed);
        for (const Micros at : {kMoment, kMoment + 37 * kMinute, kMoment + 5 * kDay}) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << " at " << at);
            const MarketSnapshot s = market.snapshotAt(at);
            EXPECT_LE(s.low, s.avg);
            EXPECT_LE(s.avg, s.high);
            EXPECT_LE(s.low, s.vwap);
            EXPECT_LE(s.vwap, s.high);
            EXPECT_LE(s.low, s.last);
            EXPECT_LE(s.last, s.high);
            EXPECT_LT(s.buy, s.last);
            EXPECT_GT(s.sell, s.last);
            EXPECT_LT(s.low, s.high); // a day of trading moves the price
            EXPECT_GT(s.volume, 100.0);
            EXPECT_EQ(s.now, at);
            EXPECT_EQ(s.updated, at / kSecond * kSecond);
        }
    }
}

TEST(Market, WindowRollsOverTheLast1440MinutesOfTrades) {
    const PricePath path(5);
    Market market(5);
    // A fresh window, then the window carried forward by the ring: by seconds, into the
    // next minute, over skipped minutes, by most of a day, and past the whole window.
    const Micros moments[] = {kMoment,
                              kMoment + kSecond,
                              kMoment + 40 * kSecond,
                              kMoment + kHour,
                              kMoment + kDay - kMinute,
                              kMoment + 3 * kDay,
                              kMoment + 3 * kDay + 59 * kSecond};
    for (const Micros at : moments) {
        SCOPED_TRACE(at);
        const MarketSnapshot got = market.snapshotAt(at);
        const MarketSnapshot want = bruteForce(path, at);
        EXPECT_EQ(got.last, want.last);
        EXPECT_EQ(got.high, want.high);
        EXPECT_EQ(got.low, want.low);
        EXPECT_NEAR(got.volume, want.volume, 1e-9 * want.volume);
        EXPECT_NEAR(got.avg, want.avg, 1e-9 * want.avg);
        EXPECT_NEAR(got.vwap, want.vwap, 1e-9 * want.vwap);
    }
}

TEST(Market, SameSeedAndClockGiveTheSameNumbersWhateverCameBefore) {
    // One market asked only at the target moment; the others got there by other roads,
    // including a clock that went back, within the minute and past it.
    const Micros target = kMoment + 2 * kHour + 13 * kSecond;
    Market direct(2024);
    const MarketSnapshot want = direct.snapshotAt(target);

    const std::vector<std::vector<Micros>> roads = {
        {kMoment, kMoment + kHour, target}, {target + 30 * kSecond, target},
        {target + 3 * kMinute, target},     {target - 2 * kDay, target - 5 * kSecond, target},
        {target, target, target},
    };
    for (size_t i = 0; i < roads.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "road " << i);
        Market market(2024);
        MarketSnapshot got;
        for (const Micros at : roads[i])
            got = market.snapshotAt(at);
        expectSame(got, want);
    }

    Market other(2025);
    EXPECT_NE(other.snapshotAt(target).last, want.last);
}

TEST(Market, MovesWithTheClockButNotWithinASecond) {
    Market market(3);
    const MarketSnapshot a = market.snapshotAt(kMoment);
    const MarketSnapshot b = market.snapshotAt(kMoment + 100000); // same second
    EXPECT_EQ(a.last, b.last);
    EXPECT_EQ(a.volume, b.volume);
    EXPECT_EQ(a.updated, b.updated);
    EXPECT_NE(a.now, b.now);
    const MarketSnapshot c = market.snapshotAt(kMoment + 10 * kMinute);
    EXPECT_NE(a.last, c.last);
    EXPECT_NE(a.volume, c.volume);
}
