#include <Foundation/NSURL.h>

#include <gtest/gtest.h>

namespace {

TEST(NSURLTest, ReadsTheParts) {
    struct Case {
        const char* text;
        const char* scheme;
        const char* host;
        const char* path;
    };
    const Case cases[] = {
        {"http://example.com/api/2/BTCEUR/money/ticker", "http", "example.com",
         "/api/2/BTCEUR/money/ticker"},
        {"HTTPS://Example.com:8443/a%20b?q=1#f", "https", "Example.com", "/a b"},
        {"http://127.0.0.1:8080", "http", "127.0.0.1", "/"},
        // Any scheme is an address; the loading refuses what it cannot fetch.
        {"ftp://files.example.com/pub", "ftp", "files.example.com", "/pub"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Ref<NSURL> url = NSURL::URLWithString(c.text);
        ASSERT_TRUE(url);
        EXPECT_EQ(url->absoluteString(), c.text);
        EXPECT_EQ(url->description(), c.text);
        EXPECT_EQ(url->scheme(), c.scheme);
        EXPECT_EQ(url->host(), c.host);
        EXPECT_EQ(url->path(), c.path);
    }
}

TEST(NSURLTest, RefusesWhatIsNoURL) {
    using namespace std::string_view_literals;
    const std::string_view texts[] = {
        "",
        "not a url",
        "/api/2/BTCEUR/money/ticker",
        "http://",
        "http://exa mple.com/",
        "http://example.com:99999/",
        "http://example.com/\0hidden"sv, // curl would read only up to the NUL
    };
    for (std::string_view text : texts) {
        SCOPED_TRACE(std::string(text));
        EXPECT_FALSE(NSURL::URLWithString(text));
    }
}

} // namespace
