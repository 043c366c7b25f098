#pragma once

#include "CaptureStderr.h"
#include "DeviceFixture.h"
#include "HttpPeer.h"
#include "MarrowfinController.h"

#include <Foundation/NSRunLoop+Host.h>
#include <Foundation/NSURLConnection+Host.h>
#include <UIKit/UIView+Host.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

// A widget controller in a device root of its own, whose market-data host is sent to a
// loopback peer.
class WidgetFixture : public ::testing::Test {
public:
    // The five lines' texts, in the order lbl, highLabel, lowLabel, volumeLabel, averageLabel,
    // and whether the waiting label is still shown.
    struct Screen {
        std::vector<std::string> lines;
        bool waiting;
        bool operator==(const Screen&) const = default;
    };

protected:
    WidgetFixture() {
        URLLoading::setConnectTo({peer.connectTo()});
        URLLoading::setIdleTimeoutForTesting(0);
        controller = make<MarrowfinController>();
    }
    ~WidgetFixture() override {
        controller = nullptr;
        waitForConnections();
        URLLoading::setConnectTo({});
        URLLoading::setIdleTimeoutForTesting(0);
    }

    // Runs the loop until no connection is in flight.
    bool waitForConnections(double seconds = 15) {
        return NSRunLoop::mainRunLoop()->runUntil(
            [] { return URLLoading::connectionsInFlight() == 0; }, seconds);
    }

    Screen screen() const {
        auto text = [](UILabel* label) {
            return label && label->text() ? label->text()->UTF8String() : std::string("<none>");
        };
        return {{text(controller->getLbl()), text(controller->getHighLabel()),
                 text(controller->getLowLabel()), text(controller->getVolumeLabel()),
                 text(controller->getAverageLabel())},
                controller->getLoadinglabel() && !controller->getLoadinglabel()->isHidden()};
    }

    std::vector<std::string> pathsRequested() const {
        std::vector<std::string> paths;
        for (const test::HttpRequest& request : peer.requests())
            paths.push_back(request.path);
        return paths;
    }

    test::DeviceFixture device;
    test::HttpPeer peer;
    Ref<MarrowfinController> controller;
};

// A ticker reply as the service writes it.
inline std::string tickerReply(const std::string& last, const std::string& high,
                               const std::string& low, const std::string& volume,
                               const std::string& average) {
    return R"({"result":"success","data":{"last":{"value":"1","display":")" + last +
           R"("},"high":{"display":")" + high + R"("},"low":{"display":")" + low +
           R"("},"vol":{"value":")" + volume + R"("},"avg":{"display":")" + average + R"("}}})";
}
