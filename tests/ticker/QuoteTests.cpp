// The sixteen codes from the sources' figures: which source each one comes from, its figures
// worked out by hand (the exact product, rounded once, half to even, to five decimals), and
// the fallback taken when a source fails or its figures grow old.

#include "BitstampReply.h"
#include "CbrReply.h"
#include "EcbReply.h"
#include "KrakenReply.h"
#include "LiveFixtures.h"
#include "LiveReply.h"
#include "Quotes.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <functional>

using nlohmann::json;
using ticker::Micros;
using ticker::Quote;
using ticker::SourceFigures;

namespace {

constexpr Micros kSecond = 1'000'000;
constexpr Micros kNow = 1'709'296'496 * kSecond;
const ticker::Ages kAges{600 * kSecond, 24 * 3600 * kSecond};

template <class Figure>
void store(std::map<std::string, ticker::Fetched<Figure>, std::less<>>& into,
           const ticker::ByCode<Figure>& parsed, Micros at) {
    for (const auto& [code, figure] : parsed.figures)
        into[code] = {figure, at};
}

// Every source answered with its fixture at `at`.
SourceFigures allSources(Micros at = kNow) {
    constexpr std::string_view kEcbCodes[] = {"USD", "GBP", "CAD", "JPY", "CHF", "AUD", "DKK",
                                              "SEK", "HKD", "CNY", "NZD", "PLN", "SGD", "THB"};
    SourceFigures figures;
    store(figures.kraken, ticker::parseKrakenTicker(livefixture::kKraken), at);
    store(figures.bitstamp, ticker::parseBitstampTicker("USD", livefixture::kBitstampUsd), at);
    store(figures.bitstamp, ticker::parseBitstampTicker("EUR", livefixture::kBitstampEur), at);
    store(figures.bitstamp, ticker::parseBitstampTicker("GBP", livefixture::kBitstampGbp), at);
    store(figures.ecb, ticker::parseEcbRates(livefixture::kEcb, kEcbCodes), at);
    store(figures.cbr, ticker::parseCbrRates(livefixture::kCbr), at);
    return figures;
}

struct Expected {
    std::string_view code;
    std::string_view source;
    std::string_view last, high, low, vwap;
};

void expectQuote(const std::optional<Quote>& quote, const Expected& e) {
    SCOPED_TRACE(std::string(e.code));
    ASSERT_TRUE(quote);
    EXPECT_EQ(quote->source, e.source);
    EXPECT_EQ(quote->ticker.last.text(5), e.last);
    EXPECT_EQ(quote->ticker.high.text(5), e.high);
    EXPECT_EQ(quote->ticker.low.text(5), e.low);
    EXPECT_EQ(quote->ticker.vwap.text(5), e.vwap);
}

} // namespace

TEST(Quotes, AllSixteenCodesWhenEverySourceAnswers) {
    const Expected table[] = {
        // Kraken's own pairs, as they came.
        {"USD", "kraken", "60000.10000", "61000.00000", "59000.50000", "60100.25000"},
        {"EUR", "kraken", "55000.10000", "56000.00000", "54000.50000", "55100.20003"},
        {"GBP", "kraken", "47000.50000", "47500.00000", "46500.00000", "47100.75000"},
        {"CAD", "kraken", "82000.00000", "83000.00000", "81000.00000", "82100.50000"},
        {"JPY", "kraken", "9000000.50000", "9100000.00000", "8900000.00000", "9050000.50000"},
        {"CHF", "kraken", "52000.25000", "52500.00000", "51500.00000", "52100.00000"},
        {"AUD", "kraken", "91000.00000", "92000.00000", "90000.00000", "91200.50000"},
        // Kraken's euro ticker times the ECB's units per euro: 55000.1 x 7.4604 = 410322.74604;
        // 55100.20003 x 7.4604 = 411069.532303812 -> .53230.
        {"DKK", "kraken+ecb", "410322.74604", "417782.40000", "402865.33020", "411069.53230"},
        {"SEK", "kraken+ecb", "617898.62345", "629132.00000", "606668.61725", "619023.19724"},
        {"HKD", "kraken+ecb", "467225.84950", "475720.00000", "458734.24750", "468076.19925"},
        {"CNY", "kraken+ecb", "429677.28123", "437488.80000", "421868.10615", "430459.29269"},
        {"NZD", "kraken+ecb", "97900.17800", "99680.00000", "96120.89000", "98078.35605"},
        {"PLN", "kraken+ecb", "237682.93215", "242004.00000", "233363.16075", "238115.51443"},
        {"SGD", "kraken+ecb", "80118.64567", "81575.20000", "78662.52835", "80264.46138"},
        {"THB", "kraken+ecb", "2139558.89010", "2178456.00000", "2100673.45050", "2143452.88137"},
        // Kraken's dollar ticker times the Bank of Russia's 91.2345 roubles per dollar.
        {"RUB", "kraken+cbr", "5474079.12345", "5565304.50000", "5382881.11725", "5483216.25862"},
    };
    const SourceFigures figures = allSources();
    ASSERT_EQ(std::size(table), ticker::currencies().size());
    for (const Expected& e : table)
        expectQuote(ticker::quoteFor(e.code, figures, kNow, kAges), e);

    const auto dkk = ticker::quoteFor("DKK", figures, kNow, kAges);
    EXPECT_EQ(dkk->ticker.volume.text(8), "900.50000000") << "the volume stays in BTC";
    EXPECT_EQ(dkk->ticker.bid->text(5), "410322.00000");
    EXPECT_EQ(dkk->ticker.ask->text(5), "410324.23812");
    EXPECT_EQ(dkk->fetchedAt, kNow);
}

TEST(Quotes, FallbacksWhenASourceFailsOrGrowsOld) {
    const struct {
        const char* what;
        std::function<void(SourceFigures&)> breakIt;
        Expected expected;
    } cases[] = {
        {"Kraken down: the dollar from Bitstamp",
         [](SourceFigures& f) { f.kraken.clear(); },
         {"USD", "bitstamp", "60010.00000", "61010.00000", "59010.00000", "60110.50000"}},
        {"Kraken down: the pound from Bitstamp",
         [](SourceFigures& f) { f.kraken.clear(); },
         {"GBP", "bitstamp", "47010.00000", "47510.00000", "46510.00000", "47110.50000"}},
        {"Kraken down: the yen from Bitstamp's euro and the ECB",
         [](SourceFigures& f) { f.kraken.clear(); },
         {"JPY", "bitstamp+ecb", "8884115.00000", "9045615.00000", "8722615.00000",
          "8900345.75000"}},
        {"Kraken down: the krone from Bitstamp's euro",
         [](SourceFigures& f) { f.kraken.clear(); },
         {"DKK", "bitstamp+ecb", "410396.60400", "417857.00400", "402936.20400", "411146.37420"}},
        {"Kraken down: the rouble from Bitstamp's dollar",
         [](SourceFigures& f) { f.kraken.clear(); },
         {"RUB", "bitstamp+cbr", "5474982.34500", "5566216.84500", "5383747.84500",
          "5484151.41225"}},
        // 55100.20003 x 161.50 = 8898682.3048450: a tie, to the even .30484.
        {"Kraken without its yen pair: Kraken's euro and the ECB",
         [](SourceFigures& f) { f.kraken.erase("JPY"); },
         {"JPY", "kraken+ecb", "8882516.15000", "9044000.00000", "8721080.75000", "8898682.30484"}},
        {"Kraken's figures past the stale limit",
         [](SourceFigures& f) {
             for (auto& [code, fetched] : f.kraken)
                 fetched.at = kNow - 601 * kSecond;
         },
         {"EUR", "bitstamp", "55010.00000", "56010.00000", "54010.00000", "55110.50000"}},
        {"Kraken's figures just at the stale limit",
         [](SourceFigures& f) {
             for (auto& [code, fetched] : f.kraken)
                 fetched.at = kNow - 600 * kSecond;
         },
         {"EUR", "kraken", "55000.10000", "56000.00000", "54000.50000", "55100.20003"}},
        {"a rouble rate for 100 dollars",
         [](SourceFigures& f) {
             f.cbr["USD"].figure = {*ticker::Decimal::parse("9123.45"), 100};
         },
         {"RUB", "kraken+cbr", "5474079.12345", "5565304.50000", "5382881.11725", "5483216.25862"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SourceFigures figures = allSources();
        c.breakIt(figures);
        expectQuote(ticker::quoteFor(c.expected.code, figures, kNow, kAges), c.expected);
    }
}

TEST(Quotes, NoQuoteWhenEveryWayIsClosed) {
    const struct {
        const char* what;
        std::function<void(SourceFigures&)> breakIt;
        std::vector<std::string_view> lost; // every other code still has a quote
    } cases[] = {
        {"both exchanges down",
         [](SourceFigures& f) {
             f.kraken.clear();
             f.bitstamp.clear();
         },
         {"USD", "EUR", "GBP", "CAD", "JPY", "CHF", "AUD", "DKK", "SEK", "HKD", "CNY", "NZD", "PLN",
          "SGD", "THB", "RUB"}},
        {"the ECB down",
         [](SourceFigures& f) { f.ecb.clear(); },
         {"DKK", "SEK", "HKD", "CNY", "NZD", "PLN", "SGD", "THB"}},
        {"the ECB's rates a day and a second old",
         [](SourceFigures& f) {
             for (auto& [code, fetched] : f.ecb)
                 fetched.at = kNow - (24 * 3600 + 1) * kSecond;
         },
         {"DKK", "SEK", "HKD", "CNY", "NZD", "PLN", "SGD", "THB"}},
        {"the Bank of Russia down", [](SourceFigures& f) { f.cbr.clear(); }, {"RUB"}},
        {"Kraken without its yen pair, and the ECB down",
         [](SourceFigures& f) {
             f.kraken.erase("JPY");
             f.ecb.clear();
         },
         {"JPY", "DKK", "SEK", "HKD", "CNY", "NZD", "PLN", "SGD", "THB"}},
        {"Kraken down, Bitstamp without its euro",
         [](SourceFigures& f) {
             f.kraken.clear();
             f.bitstamp.erase("EUR");
         },
         {"EUR", "CAD", "JPY", "CHF", "AUD", "DKK", "SEK", "HKD", "CNY", "NZD", "PLN", "SGD",
          "THB"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SourceFigures figures = allSources();
        c.breakIt(figures);
        for (const ticker::Currency& currency : ticker::currencies()) {
            const bool lost =
                std::find(c.lost.begin(), c.lost.end(), currency.code) != c.lost.end();
            EXPECT_EQ(ticker::quoteFor(currency.code, figures, kNow, kAges).has_value(), !lost)
                << currency.code;
        }
    }
}

TEST(Quotes, UsableUntilTheOlderOfTickerAndRateRunsOut) {
    SourceFigures figures = allSources();
    figures.ecb["SEK"].at = kNow - 24 * 3600 * kSecond + 5 * kSecond;
    EXPECT_EQ(ticker::quoteFor("SEK", figures, kNow, kAges)->usableUntil, kNow + 5 * kSecond);
    EXPECT_EQ(ticker::quoteFor("USD", figures, kNow, kAges)->usableUntil, kNow + 600 * kSecond);
}

TEST(LiveReply, CarriesTheQuoteAsDecimalsDisplayedByTheLocale) {
    std::string error;
    const auto format = ticker::MoneyFormat::create(error);
    ASSERT_TRUE(format) << error;
    const SourceFigures figures = allSources();
    const auto replyFor = [&](std::string_view code) {
        const ticker::Currency& currency = *ticker::findCurrency(code);
        const auto quote = ticker::quoteFor(code, figures, kNow, kAges);
        return json::parse(ticker::liveTickerReply(currency, *quote, kNow + 7, *format));
    };

    const json usd = replyFor("USD");
    EXPECT_EQ(usd["result"], "success");
    const json& data = usd["data"];
    EXPECT_EQ(data["last"],
              json({{"value", "60000.10000"}, {"display", "$60,000.10"}, {"currency", "USD"}}));
    EXPECT_EQ(data["avg"]["value"], "60100.25000");
    EXPECT_EQ(data["vwap"]["value"], "60100.25000");
    EXPECT_EQ(data["buy"]["value"], "60000.00000");
    EXPECT_EQ(data["sell"]["value"], "60000.20000");
    EXPECT_EQ(data["vol"],
              json({{"value", "1500.12345678"}, {"display", "1,500.12 BTC"}, {"currency", "BTC"}}));
    EXPECT_EQ(data["source"], "kraken");
    EXPECT_EQ(data["dataUpdateTime"], std::to_string(kNow));
    EXPECT_EQ(data["now"], std::to_string(kNow + 7));

    // The yen has no decimals: 9000000.5 is displayed to the even neighbour, as its value
    // was rounded.
    const json jpy = replyFor("JPY");
    EXPECT_EQ(jpy["data"]["last"]["value"], "9000000.50000");
    EXPECT_EQ(jpy["data"]["last"]["display"], format->price(*ticker::findCurrency("JPY"), 9e6));

    // Without the book, no buy or sell rather than a made-up one.
    const json gbp = replyFor("GBP");
    EXPECT_FALSE(gbp["data"].contains("buy"));
    EXPECT_FALSE(gbp["data"].contains("sell"));
    EXPECT_EQ(replyFor("RUB")["data"]["source"], "kraken+cbr");
}
