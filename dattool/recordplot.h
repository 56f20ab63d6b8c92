#pragma once
#include "logformat/columns.h"
#include "logformat/recording.h"

#include <QByteArray>
#include <QImage>
#include <QRectF>
#include <QString>

#include <vector>

class QPainter;

// A recording as a strip chart: one lane a channel, one above the other, on
// the plot's background with its grid and trace colours, every lane drawn
// from the recording's min/max levels (plot/lane.h), a time axis shared by all;
// with axes, each lane's millivolts and name ("ch3 ±5V") on the left, the
// times below and the file and its start in UTC above.
namespace recordplot {

// In pixels at 96 dpi; a scale multiplies them all.
inline constexpr int kPlotWidth = 1600;
inline constexpr int kLaneHeight = 110;
inline constexpr int kLaneGap = 10;
struct Margins
{
    int left, top, right, bottom;
};
inline constexpr Margins kAxisMargins{130, 40, 30, 56};

struct Chart
{
    QString title;            // the file, shown
    logformat::TimeSpan span; // the times shown
    bool axes = false;
    int scale = 1;
};

// The size of the picture of `recording`'s chart.
QSize pictureSize(const logformat::Recording &recording, const Chart &chart);
// The box of lane `lane` (0 the top one) in the picture.
QRectF laneBox(const Chart &chart, int lane);

// Draws the chart on `painter`, which works in the picture's pixels.
void draw(QPainter &painter, const logformat::Recording &recording, const Chart &chart);

QImage image(const logformat::Recording &recording, const Chart &chart);
QByteArray png(const logformat::Recording &recording, const Chart &chart);
// One page of vectors the size of the picture.
QByteArray pdf(const logformat::Recording &recording, const Chart &chart);

} // namespace recordplot
