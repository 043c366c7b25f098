#include <Preferences/PSSpecifier.h>

#include <Foundation/NSString.h>

std::string PSSpecifier::propertyString(std::string_view name) const {
    const NSString* value = NSCast<NSString>(m_properties->objectForKey(name));
    return value ? value->UTF8String() : std::string();
}

NSArray* PSSpecifier::values() const {
    return NSCast<NSArray>(m_properties->objectForKey("validValues"));
}

NSArray* PSSpecifier::titles() const {
    if (NSArray* titles = NSCast<NSArray>(m_properties->objectForKey("validTitles")))
        return titles;
    return values();
}

Ref<NSObject> PSSpecifier::performGetter() {
    Ref<NSObject> value;
    if (m_target && !m_getter.empty())
        m_target->performSelector(m_getter, this, nullptr, &value);
    return value;
}

bool PSSpecifier::performSetterWithValue(NSObject* value) {
    if (!m_target || m_setter.empty())
        return false;
    return m_target->performSelector(m_setter, value, this);
}

bool PSSpecifier::performAction() {
    if (!m_target || m_action.empty())
        return false;
    return m_target->performSelector(m_action, this);
}
