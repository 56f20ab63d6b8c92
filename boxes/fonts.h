#pragma once
#include <QFont>
#include <QString>

// The window's font "宋体" mapped to installed Chinese faces when it is missing,
// a Song face first, and the application's default font set to it, so every
// Chinese caption is drawn in Chinese glyph shapes on any platform. Must run
// before the first widget exists: a widget takes the default font when it is
// created. Safe to call more than once.
void installChineseFonts();

inline const QString kSongTi = QStringLiteral("宋体");

// 宋体 at `points`, normal weight, as installChineseFonts() maps it.
QFont songTi(double points);
