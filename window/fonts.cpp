#include "window/fonts.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>

namespace {
// Simplified-Chinese families first: fallback alone may pick Japanese shapes
// from a pan-CJK font.
const char *const kCandidates[] = {
    "SimSun",
    "NSimSun",
    "WenQuanYi Zen Hei",
    "WenQuanYi Micro Hei",
    "Noto Sans CJK SC",
    "Noto Serif CJK SC",
    "Source Han Sans SC",
    "AR PL UMing CN",
    "AR PL UKai CN",
    "Droid Sans Fallback",
};
constexpr double kWindowFontPoints = 9.0;
} // namespace

void installChineseFonts()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;

    const QStringList families = QFontDatabase::families();
    QString chosen = families.contains(kSongTi) ? kSongTi : QString();
    for (const char *candidate : kCandidates) {
        if (!chosen.isEmpty())
            break;
        if (families.contains(QLatin1String(candidate)))
            chosen = QLatin1String(candidate);
    }
    if (chosen.isEmpty())
        return;
    if (chosen != kSongTi)
        QFont::insertSubstitution(kSongTi, chosen);
    QFont windowFont(chosen);
    windowFont.setPointSizeF(kWindowFontPoints);
    QApplication::setFont(windowFont);
}
