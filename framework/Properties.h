// Property records carried by streams and chunks.
#pragma once

#include <cstdint>

namespace Tork {

template <class T>
class Rect {
public:
    Rect() = default;
    Rect(T left, T top, T right, T bottom) : left(left), top(top), right(right), bottom(bottom) {}
    virtual ~Rect() = default;
    virtual T width() const = 0;
    virtual T height() const = 0;

    T left{}, top{}, right{}, bottom{};
};

/// Inclusive edges: a rectangle from 0 to 9 is 10 wide.
class RectInt : public Rect<std::int32_t> {
public:
    using Rect::Rect;
    std::int32_t width() const override { return right - left + 1; }
    std::int32_t height() const override { return bottom - top + 1; }
};

class RectFloat : public Rect<double> {
public:
    using Rect::Rect;
    double width() const override { return right - left; }
    double height() const override { return bottom - top; }
};

class Properties {
public:
    virtual ~Properties() = default;
};

class ImageProperties : public Properties {
public:
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t scale[3] = {1, 1, 1};
    RectFloat area;
    RectInt region{0, 0, 0, 0};
    std::int32_t value = 0;
    bool flag = false;
};

class AudioProperties : public Properties {
public:
    std::int32_t first = 0;
    std::int32_t second = 0;
};

}  // namespace Tork
