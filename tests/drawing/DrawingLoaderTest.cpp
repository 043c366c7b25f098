#include "TestSupport.h"

#include <Drawing/DrawingLoader.h>

#include <gtest/gtest.h>

namespace test {
namespace {

TEST(DrawingLoader, FindsTheModuleBesideThePlatform) {
    std::string error;
    EXPECT_NE(Drawing::loadModule((buildDir() / "lib").string(), &error), nullptr) << error;
}

TEST(DrawingLoader, AMissingOrBrokenModuleIsAnErrorNotACrash) {
    struct Case {
        const char* name;
        const char* content; // of a file in the module's place; null for none
    } cases[] = {{"no module", nullptr}, {"a file that is no library", "not a shared object"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir folder;
        if (c.content)
            writeFile(folder.path() / "libMarrowfinDrawing.so.0", c.content);
        std::string error;
        EXPECT_EQ(Drawing::loadModule(folder.str(), &error), nullptr);
        EXPECT_NE(error.find("libMarrowfinDrawing.so"), std::string::npos) << error;
    }
}

} // namespace
} // namespace test
