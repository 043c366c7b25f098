// Each source's reply turned into figures, and each kind of broken reply turned into that
// source (or that code of it) failing with a reason, never into a figure.

#include "BitstampReply.h"
#include "CbrReply.h"
#include "EcbReply.h"
#include "KrakenReply.h"
#include "LiveFixtures.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <functional>

using nlohmann::json;
using ticker::ByCode;
using ticker::Rate;
using ticker::Ticker;

namespace {

constexpr std::string_view kHtml =
    "<!DOCTYPE html>\n<html><head><title>502 Bad Gateway</title></head>\n"
    "<body><center><h1>502 Bad Gateway</h1></center><hr></body></html>\n";

std::string cutShort(std::string_view body) {
    return std::string(body.substr(0, body.size() / 2));
}

// The fixture with one change made to its JSON.
std::string edited(std::string_view fixture, const std::function<void(json&)>& edit) {
    json reply = json::parse(fixture);
    edit(reply);
    return reply.dump();
}

std::string codesOf(const auto& byCode) {
    std::string codes;
    for (const auto& [code, figure] : byCode.figures)
        codes += (codes.empty() ? "" : " ") + code;
    return codes;
}

std::string joined(const std::vector<std::string>& errors) {
    std::string text;
    for (const std::string& error : errors)
        text += (text.empty() ? "" : " | ") + error;
    return text;
}

std::string text(const std::optional<ticker::Decimal>& value) {
    return value ? value->text(5) : "none";
}

constexpr std::string_view kSevenCodes = "AUD CAD CHF EUR GBP JPY USD";

} // namespace

TEST(KrakenReply, MapsEachPairByItsFiatWhateverKrakenNamesIt) {
    const ByCode<Ticker> parsed = ticker::parseKrakenTicker(livefixture::kKraken);
    EXPECT_TRUE(parsed.errors.empty()) << joined(parsed.errors);
    EXPECT_EQ(codesOf(parsed), kSevenCodes);
    const Ticker& usd = parsed.figures.at("USD");
    EXPECT_EQ(usd.last.text(5), "60000.10000");     // c[0]
    EXPECT_EQ(usd.high.text(5), "61000.00000");     // h[1], the rolling 24 hours
    EXPECT_EQ(usd.low.text(5), "59000.50000");      // l[1]
    EXPECT_EQ(usd.volume.text(8), "1500.12345678"); // v[1]
    EXPECT_EQ(usd.vwap.text(5), "60100.25000");     // p[1]
    EXPECT_EQ(text(usd.bid), "60000.00000");
    EXPECT_EQ(text(usd.ask), "60000.20000");
    EXPECT_EQ(parsed.figures.at("CHF").last.text(5), "52000.25000"); // from "XBTCHF"
    EXPECT_EQ(text(parsed.figures.at("GBP").bid), "none");

    // Keys as requested, and pairs that only look like ours.
    const std::string renamed = edited(livefixture::kKraken, [](json& reply) {
        json& result = reply["result"];
        result["XBTUSD"] = result["XXBTZUSD"];
        result.erase("XXBTZUSD");
        result["XBTUSDT"] = result["XBTUSD"];
        result["XBTUSDT"]["c"][0] = "1.00000";
        result["XETHZEUR"] = result["XBTUSDT"];
    });
    const ByCode<Ticker> again = ticker::parseKrakenTicker(renamed);
    EXPECT_TRUE(again.errors.empty()) << joined(again.errors);
    EXPECT_EQ(codesOf(again), kSevenCodes);
    EXPECT_EQ(again.figures.at("USD").last.text(5), "60000.10000");
    EXPECT_EQ(again.figures.at("EUR").last.text(5), "55000.10000");
}

TEST(KrakenReply, BrokenRepliesGiveNoFigureForWhatTheyBreak) {
    const auto setUsd = [](const char* member, json value) {
        return edited(livefixture::kKraken,
                      [&](json& reply) { reply["result"]["XXBTZUSD"][member] = value; });
    };
    const struct {
        const char* what;
        std::string body;
        std::string_view codesLeft;
        std::string_view error; // part of the reason
    } cases[] = {
        {"an HTML page", std::string(kHtml), "", "not a JSON object"},
        {"a cut-short body", cutShort(livefixture::kKraken), "", "not a JSON object"},
        {"an empty body", "", "", "not a JSON object"},
        {"an error array", R"({"error":["EAPI:Rate limit exceeded"]})", "",
         "EAPI:Rate limit exceeded"},
        {"an error beside a result",
         edited(livefixture::kKraken,
                [](json& reply) { reply["error"] = {"EService:Unavailable"}; }),
         "", "EService:Unavailable"},
        {"no error member", edited(livefixture::kKraken, [](json& reply) { reply.erase("error"); }),
         "", "no \"error\" array"},
        {"a result that is an array",
         edited(livefixture::kKraken, [](json& reply) { reply["result"] = json::array(); }), "",
         "no \"result\" object"},
        {"a missing pair",
         edited(livefixture::kKraken, [](json& reply) { reply["result"].erase("XXBTZCAD"); }),
         "AUD CHF EUR GBP JPY USD", "no pair for CAD"},
        {"a price as a JSON number", setUsd("c", {60000.1, "0.01"}), "AUD CAD CHF EUR GBP JPY",
         "c[0]"},
        {"a price that is not a decimal", setUsd("h", {"1", "61,000.0"}), "AUD CAD CHF EUR GBP JPY",
         "h[1]"},
        {"a short array", setUsd("p", {"60100.25"}), "AUD CAD CHF EUR GBP JPY", "p[1]"},
        {"a last price of zero", setUsd("c", {"0.00000", "1"}), "AUD CAD CHF EUR GBP JPY", "c[0]"},
        {"a negative price", setUsd("l", {"1", "-5.0"}), "AUD CAD CHF EUR GBP JPY", "l[1]"},
        {"a bid of zero", setUsd("b", {"0", "1", "1"}), "AUD CAD CHF EUR GBP JPY", "b[0]"},
        {"a low above the high", setUsd("l", {"1", "62000.0"}), "AUD CAD CHF EUR GBP JPY",
         "low above its high"},
        {"a pair that is a string",
         edited(livefixture::kKraken, [](json& reply) { reply["result"]["XXBTZUSD"] = "1.0"; }),
         "AUD CAD CHF EUR GBP JPY", "not an object"},
        {"two pairs for one fiat",
         edited(livefixture::kKraken,
                [](json& reply) { reply["result"]["XBTUSD"] = reply["result"]["XXBTZUSD"]; }),
         "AUD CAD CHF EUR GBP JPY", "two pairs for USD"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const ByCode<Ticker> parsed = ticker::parseKrakenTicker(c.body);
        EXPECT_EQ(codesOf(parsed), c.codesLeft);
        ASSERT_FALSE(parsed.errors.empty());
        EXPECT_NE(joined(parsed.errors).find(c.error), std::string::npos) << joined(parsed.errors);
    }
}

TEST(BitstampReply, ReadsEachFigure) {
    const ByCode<Ticker> parsed = ticker::parseBitstampTicker("EUR", livefixture::kBitstampEur);
    EXPECT_TRUE(parsed.errors.empty()) << joined(parsed.errors);
    ASSERT_EQ(codesOf(parsed), "EUR");
    const Ticker& eur = parsed.figures.at("EUR");
    EXPECT_EQ(eur.last.text(5), "55010.00000");
    EXPECT_EQ(eur.high.text(5), "56010.00000");
    EXPECT_EQ(eur.low.text(5), "54010.00000");
    EXPECT_EQ(eur.volume.text(8), "800.25000000");
    EXPECT_EQ(eur.vwap.text(5), "55110.50000");
    EXPECT_EQ(text(eur.bid), "55009.00000");
    EXPECT_EQ(text(eur.ask), "55011.00000");
    EXPECT_EQ(ticker::bitstampPath("GBP"), "/api/v2/ticker/btcgbp/");
}

TEST(BitstampReply, BrokenRepliesGiveNoFigure) {
    const auto set = [](const char* member, json value) {
        return edited(livefixture::kBitstampUsd, [&](json& reply) { reply[member] = value; });
    };
    const struct {
        const char* what;
        std::string body;
        std::string_view error;
    } cases[] = {
        {"an HTML page", std::string(kHtml), "not a JSON object"},
        {"a cut-short body", cutShort(livefixture::kBitstampUsd), "not a JSON object"},
        {"over the rate limit",
         R"({"status":"error","reason":"Rate limit exceeded","response_code":"400.002"})",
         "\"last\""},
        {"a price as a JSON number", set("last", 60010.0), "\"last\""},
        {"a missing vwap",
         edited(livefixture::kBitstampUsd, [](json& reply) { reply.erase("vwap"); }), "\"vwap\""},
        {"a volume that is not a decimal", set("volume", "lots"), "\"volume\""},
        {"a last price of zero", set("last", "0.00"), "\"last\""},
        {"an ask of zero", set("ask", "0"), "\"ask\""},
        {"a low above the high", set("low", "70000.00"), "low is above its high"},
        {"an array", "[]", "not a JSON object"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const ByCode<Ticker> parsed = ticker::parseBitstampTicker("USD", c.body);
        EXPECT_EQ(codesOf(parsed), "");
        ASSERT_EQ(parsed.errors.size(), 1u);
        EXPECT_NE(parsed.errors[0].find(c.error), std::string::npos) << parsed.errors[0];
        EXPECT_TRUE(parsed.errors[0].starts_with("USD: ")) << parsed.errors[0];
    }
}

namespace {

constexpr std::string_view kEcbCodes[] = {"USD", "GBP", "SEK", "THB"};

std::string ecbWith(std::string_view from, std::string_view to) {
    std::string body(livefixture::kEcb);
    const size_t at = body.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return body.replace(at, from.size(), to);
}

} // namespace

TEST(EcbReply, ReadsTheRatesAskedFor) {
    const ByCode<Rate> parsed = ticker::parseEcbRates(livefixture::kEcb, kEcbCodes);
    EXPECT_TRUE(parsed.errors.empty()) << joined(parsed.errors);
    EXPECT_EQ(codesOf(parsed), "GBP SEK THB USD");
    EXPECT_EQ(parsed.figures.at("SEK").value.text(4), "11.2345");
    EXPECT_EQ(parsed.figures.at("THB").per, 1);
}

TEST(EcbReply, BrokenRepliesGiveNoRateForWhatTheyBreak) {
    const struct {
        const char* what;
        std::string body;
        std::string_view codesLeft;
        std::string_view error;
    } cases[] = {
        {"an HTML page", std::string(kHtml), "", "not XML"},
        {"a cut-short body", cutShort(livefixture::kEcb), "", "not XML"},
        {"an empty body", "", "", "not XML"},
        {"well-formed, without rates", "<gesmes:Envelope><Cube/></gesmes:Envelope>", "",
         "no rates"},
        {"a missing rate", ecbWith("<Cube currency='SEK' rate='11.2345'/>", ""), "GBP THB USD",
         "no rate for SEK"},
        {"a rate of zero", ecbWith("rate='11.2345'", "rate='0.0000'"), "GBP THB USD",
         "SEK is not above zero"},
        {"a rate that is not a decimal", ecbWith("rate='11.2345'", "rate='11,2345'"), "GBP THB USD",
         "SEK is not above zero"},
        {"a currency without a rate", ecbWith("rate='11.2345'", ""), "GBP THB USD",
         "SEK is not above zero"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const ByCode<Rate> parsed = ticker::parseEcbRates(c.body, kEcbCodes);
        EXPECT_EQ(codesOf(parsed), c.codesLeft);
        ASSERT_FALSE(parsed.errors.empty());
        EXPECT_NE(joined(parsed.errors).find(c.error), std::string::npos) << joined(parsed.errors);
    }
}

namespace {

std::string cbrWith(std::string_view from, std::string_view to) {
    std::string body = livefixture::kCbr;
    const size_t at = body.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return body.replace(at, from.size(), to);
}

} // namespace

TEST(CbrReply, ReadsTheDollarRateFromWindows1251) {
    const ByCode<Rate> parsed = ticker::parseCbrRates(livefixture::kCbr);
    EXPECT_TRUE(parsed.errors.empty()) << joined(parsed.errors);
    ASSERT_EQ(codesOf(parsed), "USD");
    EXPECT_EQ(parsed.figures.at("USD").value.text(4), "91.2345");
    EXPECT_EQ(parsed.figures.at("USD").per, 1);

    // Nominal counts: roubles for 100 dollars.
    const ByCode<Rate> per100 = ticker::parseCbrRates(
        cbrWith("<Nominal>1</Nominal><Name>\xC4", "<Nominal>100</Nominal><Name>\xC4"));
    ASSERT_EQ(codesOf(per100), "USD");
    EXPECT_EQ(per100.figures.at("USD").per, 100);

    // A reply in UTF-8, or with no declaration at all, needs no conversion.
    for (const char* declaration : {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>", ""}) {
        const ByCode<Rate> utf8 = ticker::parseCbrRates(
            std::string(declaration) +
            "<ValCurs><Valute ID=\"R01235\"><CharCode>USD</CharCode><Nominal>1</Nominal>"
            "<Name>Доллар США</Name><Value>90,5</Value></Valute></ValCurs>");
        ASSERT_EQ(codesOf(utf8), "USD") << declaration << joined(utf8.errors);
        EXPECT_EQ(utf8.figures.at("USD").value.text(1), "90.5");
    }
}

TEST(CbrReply, BrokenRepliesGiveNoRate) {
    const struct {
        const char* what;
        std::string body;
        std::string_view error;
    } cases[] = {
        {"an HTML page", std::string(kHtml), "not XML"},
        {"a cut-short body", cutShort(livefixture::kCbr), "not XML"},
        {"no dollar", cbrWith("<CharCode>USD</CharCode>", "<CharCode>XDR</CharCode>"),
         "no rate for USD"},
        {"two dollars", cbrWith("<CharCode>AUD</CharCode>", "<CharCode>USD</CharCode>"),
         "more than one rate for USD"},
        {"a point for a comma", cbrWith("<Value>91,2345</Value>", "<Value>91.2345</Value>"),
         "not above zero"},
        {"a rate of zero", cbrWith("<Value>91,2345</Value>", "<Value>0,0000</Value>"),
         "not above zero"},
        {"a nominal of zero",
         cbrWith("<Nominal>1</Nominal><Name>\xC4", "<Nominal>0</Nominal><Name>\xC4"),
         "not above zero"},
        {"a nominal that is not a number",
         cbrWith("<Nominal>1</Nominal><Name>\xC4", "<Nominal>one</Nominal><Name>\xC4"),
         "not above zero"},
        {"an encoding we do not read", cbrWith("windows-1251", "koi8-r"), "unknown encoding"},
        // 0x98 is the one byte windows-1251 leaves undefined.
        {"a byte outside the code page", cbrWith("\xC4\xEE\xEB", "\x98"), "not valid"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const ByCode<Rate> parsed = ticker::parseCbrRates(c.body);
        EXPECT_EQ(codesOf(parsed), "");
        ASSERT_EQ(parsed.errors.size(), 1u);
        EXPECT_NE(parsed.errors[0].find(c.error), std::string::npos) << parsed.errors[0];
    }
}
