// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QRect>

// Positions are kept in twips, as the layout was drawn; 15 twips make one pixel at 96 dpi.
inline constexpr int twipsPerPixel = 15;

inline QRect twips(int left, int top, int width, int height)
{
    return {left / twipsPerPixel, top / twipsPerPixel, width / twipsPerPixel,
            height / twipsPerPixel};
}
