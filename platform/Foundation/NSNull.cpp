#include <Foundation/NSNull.h>

NSNull* NSNull::null() {
    // Never freed: a hold is kept for the life of the process.
    static NSNull* instance = new NSNull();
    return instance;
}
