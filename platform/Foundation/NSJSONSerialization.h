#pragma once

#include <Foundation/NSData.h>
#include <Foundation/NSObject.h>

#include <cstddef>
#include <string>
#include <string_view>

enum NSJSONReadingOptions : unsigned {
    // Arrays and dictionaries come back as NSMutableArray / NSMutableDictionary.
    NSJSONReadingMutableContainers = 1,
    // Strings come back as NSMutableString.
    NSJSONReadingMutableLeaves = 2,
    // The top level may be a string, number, true, false or null, not only an object or array.
    NSJSONReadingAllowFragments = 4,
    // Once the first top-level value is complete, the rest of the buffer is ignored,
    // whatever it holds. Without it, only blanks may follow the value.
    NSJSONReadingStopAfterFirstValue = 8,
};

// Reads and writes JSON text (RFC 8259, UTF-8).
//
// Objects become NSDictionary, arrays NSArray, strings NSString, numbers and booleans
// NSNumber (integers in 64 bits, unsigned above the signed range; a number with a fraction
// or an exponent as a double), null the NSNull singleton. Strings must be well-formed UTF-8
// without noncharacters (U+FDD0..U+FDEF, U+xFFFE, U+xFFFF), raw or escaped. A number outside
// those ranges is an error, and so is a non-zero number that reads as zero. A repeated key
// keeps its last value. Nesting deeper than maxNestingDepth is an error (nothing here
// recurses; the limit bounds what a hostile text can make a reader hold).
//
// Without the mutable options, the text is checked whole and kept, and values are made from
// it as they are asked for: a dictionary finds a key in its text, an array makes its members
// when first asked. A reply of megabytes costs little more than its text.
class NSJSONSerialization {
public:
    static constexpr std::size_t maxNestingDepth = 512;

    NSJSONSerialization() = delete;

    // The top-level value, or null on any error; `error` then receives why.
    static Ref<NSObject> JSONObjectWithData(const NSData* data, unsigned options,
                                            std::string* error = nullptr);
    static Ref<NSObject> JSONObjectWithBytes(std::string_view bytes, unsigned options,
                                             std::string* error = nullptr);

    // The object as compact JSON text, which reads back to an equal value: integers exactly,
    // doubles in the shortest form that reads back to the same double (-0.0 and subnormals
    // included, always with a point or an exponent), strings escaped. Empty, with `error`
    // set, when the object holds something JSON cannot carry: a class other than those the
    // reader makes, a NaN or infinite double, or a string that the reader would refuse.
    static std::string JSONStringFromObject(const NSObject* object, std::string* error = nullptr);
};
