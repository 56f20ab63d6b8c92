#pragma once
#include <QRect>
#include <QtGlobal>

// The window's design is laid out in twips; on screen 15 twips make one logical
// pixel, and Qt's own scaling keeps the proportions on high-density screens.
namespace twips {

constexpr double kPerPixel = 15.0;

inline int toPixels(int value)
{
    return qRound(value / kPerPixel);
}

inline QRect rect(int left, int top, int width, int height)
{
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

} // namespace twips
