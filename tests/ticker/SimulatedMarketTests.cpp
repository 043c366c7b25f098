#include "Currencies.h"
#include "Market.h"
#include "MoneyFormat.h"
#include "SimulatedMarket.h"
#include "TickerReply.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using ticker::Micros;
using ticker::Reply;
using ticker::SimulatedMarket;

namespace {

constexpr Micros kSecond = 1'000'000;
// 2024-03-01 12:34:56 UTC, the start of a second.
constexpr Micros kMoment = 1709296496000000;
constexpr uint64_t kSeed = 11;

std::unique_ptr<ticker::MoneyFormat> moneyFormat() {
    std::string error;
    auto format = ticker::MoneyFormat::create(error);
    EXPECT_TRUE(format) << error;
    return format;
}

// The reply a market that never answered before gives at `moment`.
std::string freshReply(const ticker::Currency& currency, Micros moment) {
    ticker::Market market(kSeed);
    return ticker::tickerReply(currency, market.snapshotAt(moment), *moneyFormat());
}

} // namespace

TEST(SimulatedMarket, KeepsEachRepliesBytesUntilTheSecondChanges) {
    Micros now = kMoment + 100;
    SimulatedMarket market(kSeed, moneyFormat(), [&now] { return now; });
    const ticker::Currency& euro = *ticker::findCurrency("EUR");
    const ticker::Currency& yen = *ticker::findCurrency("JPY");

    const Reply first = market.replyNow(euro);
    ASSERT_EQ(first.status, 200);
    EXPECT_EQ(*first.body, freshReply(euro, now));

    // Later in the same second: the very same bytes, for this currency only.
    now = kMoment + kSecond - 1;
    EXPECT_EQ(market.replyNow(euro).body, first.body);
    EXPECT_EQ(*market.replyNow(yen).body, freshReply(yen, now));

    // Each new second, and a clock that goes back, make the reply again.
    for (const Micros moment : {kMoment + kSecond, kMoment + 90 * kSecond, kMoment - kSecond}) {
        SCOPED_TRACE(moment);
        now = moment;
        const Reply again = market.replyNow(euro);
        EXPECT_NE(again.body, first.body);
        EXPECT_EQ(*again.body, freshReply(euro, moment));
    }
}

TEST(SimulatedMarket, AnswersDuringTheCall) {
    SimulatedMarket market(kSeed, moneyFormat(), [] { return kMoment; });
    int answers = 0;
    market.ticker(*ticker::findCurrency("USD"), [&answers](Reply reply) {
        ++answers;
        EXPECT_EQ(reply.status, 200);
        EXPECT_TRUE(reply.retryAfter.empty());
    });
    EXPECT_EQ(answers, 1);
}
