#include "Currencies.h"
#include "Market.h"
#include "MoneyFormat.h"
#include "TickerReply.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <unicode/locid.h>
#include <unicode/numfmt.h>
#include <unicode/unistr.h>

#include <memory>
#include <regex>
#include <string>

using nlohmann::json;
using ticker::Currency;
using ticker::MarketSnapshot;

namespace {

// 2024-03-01 12:34:56.789 UTC.
constexpr ticker::Micros kMoment = 1709296496789000;
const char* const kPriceMembers[] = {"last", "high", "low", "avg", "vwap", "buy", "sell"};

// ICU's own currency formatter for the locale, by its older road: what a reader of that
// locale expects to see.
std::string icuCurrencyText(const Currency& currency, double amount) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::NumberFormat> format(icu::NumberFormat::createCurrencyInstance(
        icu::Locale(std::string(currency.locale).c_str()), status));
    EXPECT_TRUE(U_SUCCESS(status)) << u_errorName(status);
    icu::UnicodeString text;
    format->format(amount, text);
    std::string utf8;
    text.toUTF8String(utf8);
    return utf8;
}

double number(const json& text) {
    const std::string s = text.get<std::string>();
    // A plain decimal: digits, one dot, digits; no sign, grouping or exponent.
    EXPECT_TRUE(std::regex_match(s, std::regex(R"(\d+\.\d+)"))) << s;
    return std::stod(s);
}

class TickerReply : public testing::Test {
protected:
    void SetUp() override {
        std::string error;
        format = ticker::MoneyFormat::create(error);
        ASSERT_TRUE(format) << error;
        snapshot = ticker::Market(77).snapshotAt(kMoment);
    }
    json replyFor(std::string_view code) {
        const Currency* currency = ticker::findCurrency(code);
        EXPECT_TRUE(currency);
        return json::parse(ticker::tickerReply(*currency, snapshot, *format));
    }

    std::unique_ptr<ticker::MoneyFormat> format;
    MarketSnapshot snapshot;
};

} // namespace

TEST(Currencies, SixteenCodesEachFoundByExactCode) {
    ASSERT_EQ(ticker::currencies().size(), 16u);
    for (const Currency& currency : ticker::currencies())
        EXPECT_EQ(ticker::findCurrency(currency.code), &currency);
    for (const char* code : {"eur", "EU", "EURO", "", "XBT", " USD"})
        EXPECT_EQ(ticker::findCurrency(code), nullptr) << code;
}

TEST_F(TickerReply, EveryCurrencyHasEveryMemberDisplayedAsItsLocaleDoes) {
    for (const Currency& currency : ticker::currencies()) {
        SCOPED_TRACE(std::string(currency.code));
        const json reply = replyFor(currency.code);
        EXPECT_EQ(reply["result"], "success");
        const json& data = reply.at("data");
        for (const char* name : kPriceMembers) {
            SCOPED_TRACE(name);
            const json& member = data.at(name);
            const double value = number(member.at("value"));
            EXPECT_EQ(member.at("currency"), currency.code);
            EXPECT_EQ(member.at("display"), icuCurrencyText(currency, value));
        }
        const double last = number(data["last"]["value"]);
        const double high = number(data["high"]["value"]);
        const double low = number(data["low"]["value"]);
        const double avg = number(data["avg"]["value"]);
        EXPECT_LE(low, avg);
        EXPECT_LE(avg, high);
        EXPECT_LE(low, last);
        EXPECT_LE(last, high);
        EXPECT_NEAR(last, snapshot.last * currency.perUsd, 1e-5);

        const json& vol = data.at("vol");
        EXPECT_NEAR(number(vol.at("value")), snapshot.volume, 1e-8);
        EXPECT_EQ(vol.at("currency"), "BTC");
        EXPECT_TRUE(vol.at("display").get<std::string>().ends_with(" BTC"));
        EXPECT_EQ(data.at("now"), std::to_string(kMoment));
        EXPECT_EQ(data.at("dataUpdateTime"), std::to_string(kMoment / 1000000 * 1000000));
    }
}

TEST_F(TickerReply, DisplaysFollowTheLocalesConventions) {
    // Exact texts for one amount, to catch a formatter that ICU builds but sets up wrongly
    // (wrong locale, no currency, dollar decimals for the yen). The spaces are no-break
    // spaces where the locale puts one.
    struct Case {
        const char* code;
        double amount;
        const char* display;
    } const cases[] = {
        {"USD", 43012.555, "$43,012.56"},
        {"EUR", 43012.55, "43.012,55\u00a0€"},
        {"JPY", 6344851.5, "￥6,344,852"},
        {"GBP", 1234.5, "£1,234.50"},
        {"CHF", 1234.5, "CHF\u00a01’234.50"},
        {"SEK", 1234.5, "1\u00a0234,50\u00a0kr"},
        {"RUB", 1234.5, "1\u00a0234,50\u00a0₽"},
        {"THB", 1234.5, "฿1,234.50"},
        {"HKD", 1234.5, "HK$1,234.50"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(format->price(*ticker::findCurrency(c.code), c.amount), c.display);
    }
    EXPECT_EQ(format->volume(*ticker::findCurrency("USD"), 1234.56789012), "1,234.57 BTC");
    EXPECT_EQ(format->volume(*ticker::findCurrency("EUR"), 1234.56789012), "1.234,57 BTC");
}

TEST_F(TickerReply, YenHasNoDecimalsAndEuroUsesGermanMarks) {
    const std::string yen = replyFor("JPY")["data"]["last"]["display"];
    EXPECT_TRUE(std::regex_match(yen, std::regex("￥\\d{1,3}(,\\d{3})*"))) << yen;
    const std::string euro = replyFor("EUR")["data"]["last"]["display"];
    EXPECT_TRUE(std::regex_match(euro, std::regex("\\d{1,3}(\\.\\d{3})*,\\d\\d\u00a0€"))) << euro;
}

TEST(TickerErrorReply, EscapesTheMessage) {
    const json reply = json::parse(ticker::errorReply("bad \"path\"\\\n"));
    EXPECT_EQ(reply["result"], "error");
    EXPECT_EQ(reply["error"], "bad \"path\"\\\n");
}
