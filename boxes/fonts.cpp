#include "boxes/fonts.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>

namespace {
// 宋体 is a Song (Ming) face: an installed Song face stands in for it first,
// simplified-Chinese forms before traditional ones. Other Chinese faces only
// when no Song face is installed: fontconfig's own fallback may pick Japanese
// shapes from a pan-CJK font.
const char *const kCandidates[] = {
    "SimSun",
    "NSimSun",
    "AR PL UMing CN",
    "Noto Serif CJK SC",
    "Source Han Serif SC",
    "AR PL UMing TW",
    "WenQuanYi Zen Hei",
    "WenQuanYi Micro Hei",
    "Noto Sans CJK SC",
    "Source Han Sans SC",
    "AR PL UKai CN",
    "Droid Sans Fallback",
};
constexpr double kWindowFontPoints = 9.0;

// The installed faces that stand in for 宋体 when it is missing.
QStringList g_standIns;
} // namespace

void installChineseFonts()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;

    const QStringList families = QFontDatabase::families();
    if (!families.contains(kSongTi)) {
        QStringList standIns;
        for (const char *candidate : kCandidates)
            if (families.contains(QLatin1String(candidate)))
                standIns << QLatin1String(candidate);
        if (standIns.isEmpty())
            return;
        QFont::insertSubstitutions(kSongTi, standIns);
        // The window's fonts name the first stand-in itself: a font whose
        // family is missing, or that names several, costs the font database a
        // search for fallback faces at each size it is drawn in, which the
        // window's start-up paid for.
        g_standIns = standIns;
    }
    // The window's default font is 宋体 as well, so every control draws its
    // captions in the same face.
    QApplication::setFont(songTi(kWindowFontPoints));
}

QFont songTi(double points)
{
    QFont font;
    font.setFamily(g_standIns.isEmpty() ? kSongTi : g_standIns.constFirst());
    font.setPointSizeF(points);
    font.setWeight(QFont::Normal);
    return font;
}
