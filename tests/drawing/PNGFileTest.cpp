#include "DrawingTestSupport.h"

#include <sys/stat.h>

#include <cmath>
#include <fstream>
#include <set>

namespace test {
namespace {

std::set<std::string> namesIn(const std::filesystem::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

using PNGFile = DrawingTest;

TEST_F(PNGFile, AnOldFileIsReplacedWholeNotWrittenOver) {
    const std::filesystem::path target = folder() / "widget.png";
    writeFile(target, "the old picture");
    // A reader that opened the old file goes on reading the old file, all of it.
    std::ifstream reader(target, std::ios::binary);

    Ref<UIView> container = makeContainer();
    addLabel(*container, CGRectMake(0, 40, 316, 21), "Average: 41,000.00");
    std::string error;
    ASSERT_TRUE(Drawing::drawPNG(container.get(), 2, target.string(), &error)) << error;

    std::string old((std::istreambuf_iterator<char>(reader)), std::istreambuf_iterator<char>());
    EXPECT_EQ(old, "the old picture");
    auto picture = Picture::read(target);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->width(), 632);
    EXPECT_EQ(namesIn(folder()), std::set<std::string>{"widget.png"});

    // A new file gets the usual mode for new files, not that of a private temporary one.
    mode_t mask = ::umask(022);
    ASSERT_TRUE(Drawing::drawPNG(container.get(), 2, (folder() / "new.png").string(), &error));
    ::umask(mask);
    struct stat info {};
    ASSERT_EQ(::stat((folder() / "new.png").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
}

TEST_F(PNGFile, AFileThatCannotBeWrittenIsAnErrorAndLeavesNothingBehind) {
    std::filesystem::create_directories(folder() / "taken" / "inside");
    struct Case {
        const char* name;
        std::filesystem::path target;
    } cases[] = {
        {"a folder that does not exist", folder() / "missing" / "widget.png"},
        {"a folder in the file's place", folder() / "taken"},
        {"a name that ends in a slash", folder().string() + "/"},
    };
    Ref<UIView> container = makeContainer();
    addLabel(*container, CGRectMake(0, 40, 316, 21), "Volume: 12 BTC (24h)");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        EXPECT_FALSE(Drawing::drawPNG(container.get(), 2, c.target.string(), &error));
        EXPECT_NE(error, "");
        EXPECT_EQ(namesIn(folder()), std::set<std::string>{"taken"});
        EXPECT_TRUE(std::filesystem::is_directory(folder() / "taken" / "inside"));
    }
}

TEST_F(PNGFile, WhatCannotBeDrawnIsAnErrorAndWritesNothing) {
    Ref<UIView> widget = makeContainer();
    Ref<UIView> empty = makeContainer(0, 110);
    Ref<UIView> tooLong = makeContainer(100000, 110);
    Ref<UIView> huge = makeContainer(8000, 8000);
    const std::string target = (folder() / "widget.png").string();
    struct Case {
        const char* name;
        const UIView* container;
        double scale;
        std::string path;
    } cases[] = {
        {"no view", nullptr, 2, target},
        {"a view of no width", empty.get(), 2, target},
        {"a picture too long", tooLong.get(), 2, target},
        {"a picture of too many pixels", huge.get(), 2, target},
        {"a scale of zero", widget.get(), 0, target},
        {"a negative scale", widget.get(), -2, target},
        {"a scale that is no number", widget.get(), std::nan(""), target},
        {"an infinite scale", widget.get(), HUGE_VAL, target},
        {"no file name", widget.get(), 2, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        EXPECT_FALSE(Drawing::drawPNG(c.container, c.scale, c.path, &error));
        EXPECT_NE(error, "");
        EXPECT_TRUE(std::filesystem::is_empty(folder()));
    }
    // The reason is optional for the caller.
    EXPECT_FALSE(Drawing::drawPNG(nullptr, 2, target, nullptr));
}

} // namespace
} // namespace test
