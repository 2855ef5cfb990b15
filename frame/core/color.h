#pragma once

#include <QtGlobal>

// A colour as one integer with red in the lowest byte, green in the next and blue in the third.
using ColorRef = quint32;

constexpr ColorRef RgbColor(quint32 red, quint32 green, quint32 blue) {
    return red | green << 8 | blue << 16;
}
