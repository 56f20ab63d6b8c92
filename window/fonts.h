#pragma once
#include <QString>

// The window's font "宋体" mapped to an installed CJK family when it is missing,
// and the window's default font set to it, so every Chinese caption is drawn in
// Chinese glyph shapes on any platform. Safe to call more than once.
void installChineseFonts();

inline const QString kSongTi = QStringLiteral("宋体");
