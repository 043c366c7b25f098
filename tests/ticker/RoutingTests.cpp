#include "Routing.h"

#include <gtest/gtest.h>

#include <string>

using ticker::Route;

TEST(Routing, MethodAndTargetChooseTheRoute) {
    struct Case {
        const char* method;
        const char* target;
        Route::Kind kind;
        const char* code; // the ticker's currency
    } const cases[] = {
        {"GET", "/api/2/BTCUSD/money/ticker", Route::Ticker, "USD"},
        {"HEAD", "/api/2/BTCJPY/money/ticker", Route::Ticker, "JPY"},
        {"GET", "/api/2/BTCUSD/money/ticker?x=1&y", Route::Ticker, "USD"},
        {"POST", "/api/2/BTCUSD/money/ticker", Route::MethodNotAllowed, nullptr},
        {"get", "/api/2/BTCUSD/money/ticker", Route::MethodNotAllowed, nullptr},
        {"GET", "/status", Route::Status, nullptr},
        {"DELETE", "/status", Route::MethodNotAllowed, nullptr},
        {"POST", "/nothing", Route::NotFound, nullptr},
        {"OPTIONS", "*", Route::NotFound, nullptr},
        // Absolute form: the authority is not the path.
        {"GET", "http://market.marrowfin.invalid/api/2/BTCEUR/money/ticker", Route::Ticker, "EUR"},
        {"GET", "HTTP://host:8080/api/2/BTCEUR/money/ticker?q", Route::Ticker, "EUR"},
        {"GET", "http://host/status", Route::Status, nullptr},
        {"GET", "http://host", Route::NotFound, nullptr},
        {"GET", "http://host?/api/2/BTCEUR/money/ticker", Route::NotFound, nullptr},
        {"GET", "http:/api/2/BTCEUR/money/ticker", Route::NotFound, nullptr},
        // Escapes are decoded after the query is split off.
        {"GET", "/api/2/BTC%55SD/money/ticker", Route::Ticker, "USD"},
        {"GET", "/api/2/BTCUSD/money/ticker%3Fx=1", Route::NotFound, nullptr},
        {"GET", "/api/2/BTCUS%4/money/ticker", Route::NotFound, nullptr},
        {"GET", "/api/2/BTCUSD/money/ticke%", Route::NotFound, nullptr},
        {"GET", "/api/2/BTC%FF%FE/money/ticker", Route::NotFound, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.method) + " " + c.target);
        const Route found = ticker::route(c.method, c.target);
        EXPECT_EQ(found.kind, c.kind);
        if (c.kind == Route::Ticker) {
            ASSERT_TRUE(found.currency);
            EXPECT_EQ(found.currency->code, c.code);
        }
        EXPECT_EQ(found.head, std::string(c.method) == "HEAD");
    }
}

TEST(Routing, HeadIsMarkedWhereverItGoes) {
    // The server must not send a body after HEAD, whatever the reply.
    for (const char* target : {"/api/2/BTCUSD/money/ticker", "/status", "/nothing"})
        EXPECT_TRUE(ticker::route("HEAD", target).head) << target;
}
