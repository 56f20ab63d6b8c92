#pragma once
#include "files/samplefile.h"

#include <QString>
#include <QStringList>

// The words about a file's plot, the same above the viewer's plot, in its
// readout and as the title of a picture or a page.
namespace plottitle {

// "NAME    量程 R", with a rate (samples a second) "    采样率 RATE 次/秒" after.
QString heading(const QString &name, int range, double rate);

// A point's number, its time with a rate, its code and its exact millivolts:
// "点 1998（45.3061224 ms）  码值 1470  3588.8671875 mV".
QString pointText(const samplefile::Records &records, int range, double rate, int point);

// "整个文件：" or, with both cursors (points, 0 for none), "光标之间（点 a..b）：",
// then the millivolt figures there.
QString figuresText(const samplefile::Records &records, int range, int cursorA, int cursorB);

// "A：" and A's point, "B：" and B's, then with both "B−A：" and the distance
// and difference; empty without cursors.
QString cursorsText(const samplefile::Records &records, int range, double rate, int cursorA,
                    int cursorB);

// The heading, the figures and the cursors' line if there is one.
QStringList lines(const QString &name, const samplefile::Records &records, int range, double rate,
                  int cursorA, int cursorB);

} // namespace plottitle
