#include <Foundation/NSObject.h>

#include <cstdio>
#include <vector>

NSSelectorImp NSSelectorTable::find(std::string_view selector) const {
    for (const NSSelectorTable* table = this; table; table = table->super) {
        for (const NSSelectorEntry& entry : table->entries) {
            if (entry.selector == selector)
                return entry.imp;
        }
    }
    return nullptr;
}

NSObject::~NSObject() = default;

namespace {
// Objects whose last hold went while another object was being deleted. The outermost
// release() deletes them one by one, so freeing a deep tree never recurses.
thread_local std::vector<const NSObject*>* t_pendingDeletes = nullptr;
} // namespace

void NSObject::release() const {
    if (--m_retainCount != 0)
        return;
    if (t_pendingDeletes) {
        t_pendingDeletes->push_back(this);
        return;
    }
    std::vector<const NSObject*> pending{this};
    t_pendingDeletes = &pending;
    while (!pending.empty()) {
        const NSObject* next = pending.back();
        pending.pop_back();
        delete next;
    }
    t_pendingDeletes = nullptr;
}

std::string NSObject::description() const {
    char text[64];
    std::snprintf(text, sizeof text, "<%s: %p>", className(), static_cast<const void*>(this));
    return text;
}

const NSSelectorTable* NSObject::selectorTable() const {
    static const NSSelectorTable table{nullptr, {}};
    return &table;
}

bool NSObject::respondsToSelector(std::string_view selector) const {
    return selectorTable()->find(selector) != nullptr;
}

bool NSObject::performSelector(std::string_view selector, NSObject* first, NSObject* second,
                               Ref<NSObject>* result) {
    NSSelectorImp imp = selectorTable()->find(selector);
    if (!imp)
        return false;
    Ref<NSObject> answer = imp(this, first, second);
    if (result)
        *result = std::move(answer);
    return true;
}

std::string NSDescription(const NSObject* object) {
    return object ? object->description() : std::string("(null)");
}
