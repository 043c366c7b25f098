// Classes found by name, and methods found by selector text.
#include <Foundation/NSClassRegistry.h>
#include <Foundation/NSString.h>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class RegistryProbe : public NSObject {
public:
    const char* className() const override { return "RegistryProbe"; }

    int reloads = 0;
    Ref<NSObject> lastValue;

    void reload(NSObject*) { ++reloads; }
    void forget() { lastValue = nullptr; }
    // The specifier must be text; anything else arrives as null.
    Ref<NSObject> setValueForSpecifier(NSObject* value, NSString* specifier) {
        lastValue = value;
        return specifier;
    }

    const NSSelectorTable* selectorTable() const override {
        static const NSSelectorEntry entries[] = {
            NSSelectorMethod<&RegistryProbe::reload>("reload:"),
            NSSelectorMethod<&RegistryProbe::forget>("forget"),
            NSSelectorMethod<&RegistryProbe::setValueForSpecifier>("setValue:forSpecifier:"),
        };
        static const NSSelectorTable table{NSObject::selectorTable(), entries};
        return &table;
    }
};

NS_REGISTER_CLASS(RegistryProbe);

TEST(ClassRegistry, CreatesARegisteredClassByName) {
    NSClassFactory factory = NSClassFromString("RegistryProbe");
    ASSERT_NE(factory, nullptr);
    Ref<NSObject> object = factory();
    ASSERT_TRUE(NSCast<RegistryProbe>(object.get()));
    EXPECT_EQ(object->retainCount(), 1u);
    std::vector<std::string> names = NSRegisteredClassNames();
    EXPECT_NE(std::find(names.begin(), names.end(), "RegistryProbe"), names.end());
}

TEST(ClassRegistry, UnknownNameGivesNoFactory) {
    EXPECT_EQ(NSClassFromString("NoSuchClass"), nullptr);
    EXPECT_EQ(NSClassFromString(""), nullptr);
    EXPECT_EQ(NSClassFromString("registryprobe"), nullptr);
}

TEST(ClassRegistry, RegisteringAgainReplaces) {
    NSRegisterClass("ReplacedProbe", [] { return Ref<NSObject>(make<NSString>("first")); });
    NSRegisterClass("ReplacedProbe", [] { return Ref<NSObject>(make<NSString>("second")); });
    Ref<NSObject> object = NSClassFromString("ReplacedProbe")();
    EXPECT_EQ(object->description(), "second");
}

TEST(Selectors, AnswerByTextAndSayNoToUnknownOnes) {
    Ref<RegistryProbe> probe = make<RegistryProbe>();
    EXPECT_TRUE(probe->respondsToSelector("reload:"));
    EXPECT_FALSE(probe->respondsToSelector("reload"));
    EXPECT_FALSE(probe->respondsToSelector("noSuchMethod:"));

    EXPECT_TRUE(probe->performSelector("reload:"));
    EXPECT_EQ(probe->reloads, 1);
    EXPECT_FALSE(probe->performSelector("Reload:"));
    EXPECT_EQ(probe->reloads, 1);

    Ref<NSObject> value = make<NSString>("EUR"), specifier = make<NSString>("row");
    Ref<NSObject> result;
    EXPECT_TRUE(probe->performSelector("setValue:forSpecifier:", value, specifier, &result));
    EXPECT_EQ(probe->lastValue.get(), value.get());
    EXPECT_EQ(result.get(), specifier.get());

    // An argument of the wrong class reaches the method as null, not as a bad pointer.
    Ref<NSObject> notText = make<RegistryProbe>();
    EXPECT_TRUE(probe->performSelector("setValue:forSpecifier:", value, notText, &result));
    EXPECT_EQ(result.get(), nullptr);

    EXPECT_TRUE(probe->performSelector("forget", value, nullptr, &result));
    EXPECT_EQ(probe->lastValue.get(), nullptr);
    EXPECT_EQ(result.get(), nullptr);

    Ref<NSObject> plain = make<NSString>("x");
    EXPECT_FALSE(plain->performSelector("reload:", nullptr, nullptr, &result));
}

} // namespace
