#pragma once

#include "TestSupport.h"

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

namespace plisttest {

// A device root in a fresh folder that every user may enter, so a case run as another
// user reaches exactly the rights the case sets up.
class DeviceRootTest : public ::testing::Test {
protected:
    DeviceRootTest();
    // The real path of a phone path inside the device root.
    std::filesystem::path real(std::string_view phonePath) const;
    // The phone path of a file in the preferences folder, its folder made.
    std::string prefsFile(std::string_view name) const;
    // The names in a real folder, sorted.
    static std::string listing(const std::filesystem::path& folder);

    test::TempDir m_root;
};

// The XML text of a property list with every value kind under its own key.
std::string everyKindXml();
// The same list in binary form, made by libplist itself.
std::string binaryFromXml(std::string_view xml);
// `depth` arrays nested inside each other, as XML.
std::string nestedArraysXml(std::size_t depth);

// Runs `body` as the unprivileged user nobody (uid 65534) in a forked child when the
// suite runs as root, so a rights check proves something; in-process otherwise.
// Answers what `body` answered.
bool runAsNobody(const std::function<bool()>& body);

} // namespace plisttest
