// Color.h - the colours text and outlines are drawn in.
#pragma once

struct ColorRGBA {
    float Red, Green, Blue, Alpha;
};

inline constexpr ColorRGBA White{1.0f, 1.0f, 1.0f, 1.0f};
inline constexpr ColorRGBA Green{0.0f, 1.0f, 0.0f, 1.0f};
