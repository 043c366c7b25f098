// The ticker display: what a finished reply in the buffer puts on screen.
#include "WidgetFixture.h"

namespace {

using WidgetDisplay = WidgetFixture;

// Puts the bytes in the controller's buffer and finishes, as the last callback of a request does.
void finishWith(MarrowfinController* controller, std::string_view body) {
    Ref<NSMutableData> buffer = NSMutableData::data();
    buffer->appendBytes(body.data(), body.size());
    controller->setResponseData(buffer.get());
    controller->connectionDidFinishLoading(nullptr);
}

const std::string kGood = tickerReply("$13.50", "$14.00", "$12.00", "742.6", "$13.10");

const WidgetFixture::Screen kGoodScreen = {{"Last price: $13.50 / BTC", "High: $14.00 / BTC",
                                            "Low: $12.00 / BTC", "Volume: 743 BTC (24h)",
                                            "Average: $13.10 / BTC"},
                                           false};

const WidgetFixture::Screen kWaiting = {{"", "", "", "", ""}, true};

TEST_F(WidgetDisplay, RepliesAndWhatTheyShow) {
    struct Case {
        const char* name;
        std::string body;
        Screen shown; // from a fresh view
    };
    auto withData = [](const std::string& data) { return R"({"data":)" + data + "}"; };
    const Case cases[] = {
        {"a whole reply", kGood, kGoodScreen},
        {"volume as a JSON number",
         withData(
             R"({"last":{"display":"$13.50"},"high":{"display":"$14.00"},)"
             R"("low":{"display":"$12.00"},"vol":{"value":742.6},"avg":{"display":"$13.10"}})"),
         kGoodScreen},
        {"volume 3.4999999 passes through single precision",
         tickerReply("a", "b", "c", "3.4999999", "d"),
         {{"Last price: a / BTC", "High: b / BTC", "Low: c / BTC", "Volume: 4 BTC (24h)",
           "Average: d / BTC"},
          false}},
        {"volume that is no number",
         tickerReply("a", "b", "c", "lots", "d"),
         {{"Last price: a / BTC", "High: b / BTC", "Low: c / BTC", "Volume: 0 BTC (24h)",
           "Average: d / BTC"},
          false}},
        {"volume with leading blanks and a tail",
         tickerReply("a", "b", "c", "  12.5e1 BTC", "d"),
         {{"Last price: a / BTC", "High: b / BTC", "Low: c / BTC", "Volume: 125 BTC (24h)",
           "Average: d / BTC"},
          false}},
        {"negative volume",
         tickerReply("a", "b", "c", "-2.6", "d"),
         {{"Last price: a / BTC", "High: b / BTC", "Low: c / BTC", "Volume: -3 BTC (24h)",
           "Average: d / BTC"},
          false}},
        {"volume as a JSON integer above 2^53 rounds to single precision once",
         withData(R"({"last":{"display":"a"},"high":{"display":"b"},"low":{"display":"c"},)"
                  R"("vol":{"value":1152921573326323713},"avg":{"display":"d"}})"),
         {{"Last price: a / BTC", "High: b / BTC", "Low: c / BTC",
           "Volume: 1152921642045800448 BTC (24h)", "Average: d / BTC"},
          false}},
        {"a display with a NUL keeps all of its text",
         tickerReply("a\\u0000b", "b", "c", "1", "d"),
         {{std::string("Last price: a\0b / BTC", 21), "High: b / BTC", "Low: c / BTC",
           "Volume: 1 BTC (24h)", "Average: d / BTC"},
          false}},
        {"no high",
         withData(R"({"last":{"display":"a"},"low":{"display":"c"},"vol":{"value":"1"},)"
                  R"("avg":{"display":"d"}})"),
         {{"Last price: a / BTC", "High: (null) / BTC", "Low: c / BTC", "Volume: 1 BTC (24h)",
           "Average: d / BTC"},
          false}},
        {"an empty data object",
         withData("{}"),
         {{"Last price: (null) / BTC", "High: (null) / BTC", "Low: (null) / BTC",
           "Volume: 0 BTC (24h)", "Average: (null) / BTC"},
          false}},
        {"members of the wrong kind count as absent",
         withData(R"({"last":"a","high":[1],"low":{"display":null},"vol":{"value":[1]},)"
                  R"("avg":{"display":7}})"),
         {{"Last price: (null) / BTC", "High: (null) / BTC", "Low: <null> / BTC",
           "Volume: 0 BTC (24h)", "Average: 7 / BTC"},
          false}},
        {"the first reply of two in the buffer", kGood + kGood, kGoodScreen},
        {"a reply followed by the start of another", kGood + R"({"data":{"last":)", kGoodScreen},
        {"a reply followed by text", kGood + "\r\n<html>", kGoodScreen},
        {"no data", R"({"result":"error","error":"no such ticker"})", kWaiting},
        {"data that is no object", withData(R"([1,2])"), kWaiting},
        {"a top-level array", "[" + kGood + "]", kWaiting},
        {"text before the reply", "ticker:" + kGood, kWaiting},
        {"an HTML page", "<html><body>502 Bad Gateway</body></html>", kWaiting},
        {"a reply cut short", kGood.substr(0, kGood.size() - 2), kWaiting},
        {"an empty buffer", "", kWaiting},
        {"a byte-order mark", "\xEF\xBB\xBF" + kGood, kWaiting},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        controller = make<MarrowfinController>();
        controller->view();
        ASSERT_TRUE(waitForConnections()); // its own request fails: no address chosen
        finishWith(controller.get(), c.body);
        EXPECT_EQ(screen(), c.shown);
    }
}

TEST_F(WidgetDisplay, ASecondGoodReplyReplacesEveryLine) {
    controller->view();
    finishWith(controller.get(), kGood);
    finishWith(controller.get(), tickerReply("1", "2", "3", "4", "5"));
    EXPECT_EQ(screen(), (Screen{{"Last price: 1 / BTC", "High: 2 / BTC", "Low: 3 / BTC",
                                 "Volume: 4 BTC (24h)", "Average: 5 / BTC"},
                                false}));
}

TEST_F(WidgetDisplay, AnUnusableReplyLeavesTheLastGoodOne) {
    controller->view();
    finishWith(controller.get(), kGood);
    finishWith(controller.get(), "<html>oops</html>");
    finishWith(controller.get(), R"({"nodata":1})");
    EXPECT_EQ(screen(), kGoodScreen);
}

TEST_F(WidgetDisplay, AReplyBeforeTheViewChangesNothing) {
    finishWith(controller.get(), kGood); // every label field is still empty
    controller->view();
    EXPECT_EQ(screen(), kWaiting);
}

TEST_F(WidgetDisplay, TheBufferIsReadAgainByALaterFinish) {
    controller->view();
    finishWith(controller.get(), kGood);
    controller->getLbl()->setText(NSString::stringWithUTF8String("scratched").get());
    controller->connectionDidFinishLoading(nullptr); // the same buffer, not emptied
    EXPECT_EQ(screen(), kGoodScreen);
}

} // namespace
