// Code that Ref must refuse. The file is compiled once with no case chosen, and must
// compile: what every case shares is sound. Then once per case, each of which must fail
// on its own line.
#include <Foundation/Ref.h>
#include <UIKit/UIView.h>

#include <utility>

void useRefs() {
    Ref<UIView> view = make<UIView>();
    Ref<NSObject> object = view;            // an upcast converts
    Ref<NSObject> moved = make<UIView>();   // from a temporary too
    NSObject* raw = view;                   // a Ref that stays gives its pointer
    view->addSubview(make<UIView>().get()); // a temporary's pointer, asked for by name
    if (make<UIView>() && !Ref<UIView>())   // a temporary can be tested
        (void)raw;
    (void)moved;
#if defined(DOWNCAST_BY_COPY)
    Ref<UIView> back = object;
#elif defined(DOWNCAST_BY_MOVE)
    Ref<UIView> back = std::move(object);
#elif defined(POINTER_FROM_TEMPORARY)
    NSObject* dangling = make<UIView>();
#elif defined(POINTER_FROM_MOVED_REF)
    UIView* dangling = std::move(view);
#endif
}
