#pragma once
#include <QRect>
#include <QtGlobal>

// The window's design and the plot are laid out in twips, 1/1440 inch; on
// screen 15 twips make one logical pixel (96 dots per inch), and Qt's own
// scaling keeps the proportions on high-density screens.
namespace twips {

constexpr double kPerInch = 1440.0;
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
