#pragma once

#include <Foundation/NSObject.h>

#include <cstddef>
#include <string>
#include <string_view>

// Property-list bytes (XML or binary) to platform values and back.
//
// Values: dictionary <-> NSDictionary, array <-> NSArray, string <-> NSString,
// integer <-> NSNumber (64 bits, unsigned above the signed range), real <-> NSNumber
// double, boolean <-> NSNumber bool, date <-> NSDate, data <-> NSData. A list holding
// anything else (a keyed-archive uid, say) is refused whole rather than read with gaps,
// so nobody rewrites it with entries missing.
namespace NSPropertyList {

enum class Format { XML, Binary };

// Limits that fit a settings file, a bundle's Info.plist or a specifier list many times
// over; a list beyond them is refused before it can stall or swell a host. Whatever fits
// them is read in time linear in its size.
//
// At most this many bytes.
inline constexpr std::size_t kMaxBytes = std::size_t{1} << 20;
// At most this many values, dictionary keys included. A binary list may share objects: a
// shared one counts at every place it appears, so a small file cannot stand for an
// exponentially large tree.
inline constexpr std::size_t kMaxValues = std::size_t{1} << 16;
// Containers nest at most this deep, reading and writing. The library that writes frees
// and writes by recursion, so a deeper tree is refused before it gets there.
inline constexpr std::size_t kMaxDepth = 512;

// The value the bytes hold, or null when they are no property list (or exceed the limits
// above). Strings are read whole: a NUL inside one is kept. With `mutableRoot`, a dictionary at the
// root is an NSMutableDictionary and an array an NSMutableArray; nested containers are immutable.
// `error`, if given, receives a short reason on failure.
Ref<NSObject> objectWithData(std::string_view bytes, bool mutableRoot,
                             std::string* error = nullptr);

// The bytes of `root` as a property list, or false when it holds a value that has no
// property-list form (NSNull, a string with a NUL, a date beyond the format's range) or
// nests deeper than kMaxDepth.
bool dataWithObject(const NSObject* root, Format format, std::string& out,
                    std::string* error = nullptr);

} // namespace NSPropertyList
