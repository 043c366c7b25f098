#pragma once

// Geometry in points: single-precision floats, origin at the parent's top-left corner.
struct CGPoint {
    float x = 0, y = 0;
};

struct CGSize {
    float width = 0, height = 0;
};

struct CGRect {
    CGPoint origin;
    CGSize size;
};

inline CGPoint CGPointMake(float x, float y) {
    return {x, y};
}
inline CGSize CGSizeMake(float width, float height) {
    return {width, height};
}
inline CGRect CGRectMake(float x, float y, float width, float height) {
    return {{x, y}, {width, height}};
}

// Half-open on both axes: x <= px < x + width and y <= py < y + height. An empty or
// negative-sized rectangle holds no point.
bool CGRectContainsPoint(CGRect rect, CGPoint point);
bool CGRectEqualToRect(CGRect a, CGRect b);
