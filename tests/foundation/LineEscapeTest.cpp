// Texts on one line of output: the widget host's `lines` and every log line.
#include <Foundation/LineEscape.h>
#include <Foundation/NSLog.h>
#include <Foundation/NSString.h>

#include "CaptureStderr.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;

namespace {

TEST(LineEscape, ControlCharactersAndBackslashAreEscaped) {
    struct Case {
        std::string text;
        std::string expected;
    } cases[] = {
        {"Last price: $13.50 / BTC", "Last price: $13.50 / BTC"},
        {"a\0b"s, "a\\x00b"},
        {"a\nb\r\tc", "a\\nb\\r\\tc"},
        {"\x1b[31m\x7f", "\\x1b[31m\\x7f"},
        // The backslash itself, so an escape in the text cannot pass for one of ours.
        {"a\\nb", "a\\\\nb"},
        // UTF-8, and bytes that are not, pass unchanged.
        {"1 234,50 \xe2\x82\xac \xff", "1 234,50 \xe2\x82\xac \xff"},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(LineEscaped(c.text), c.expected);
    }
}

TEST(LineEscape, ALogMessageIsOneLineWhateverItCarries) {
    test::CaptureStderr captured;
    Ref<NSString> currency = NSString::stringWithUTF8String("EU\0R\nnext"s);
    NSLog("currency %@ chosen", currency.get());
    std::string text = captured.text();
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.find('\n'), text.size() - 1) << text;
    EXPECT_EQ(text.find('\0'), std::string::npos);
    std::vector<std::string> messages = captured.logMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "currency EU\\x00R\\nnext chosen");
}

} // namespace
