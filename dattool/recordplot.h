#pragma once
#include "logformat/columns.h"
#include "logformat/recording.h"
#include "plot/axes.h"

#include <QByteArray>
#include <QImage>
#include <QLineF>
#include <QRectF>
#include <QString>

#include <cstdint>
#include <limits>
#include <vector>

class PrinterPort;
class QPainter;

// A recording as a strip chart: one lane a channel, one above the other, on
// the plot's background with its grid and trace colours, every lane drawn
// from the recording's min/max levels (plot/lane.h), a time axis shared by all
// (plot/timeaxis.h); with axes, each lane's millivolts and name ("ch3 ±5V") on
// the left, the times below and the file and its start in UTC above. The same
// chart is the viewer's, a picture's and a printed page's.
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
inline constexpr std::int64_t kNoCursor = std::numeric_limits<std::int64_t>::min();

struct Chart
{
    QString title;            // the file, shown
    logformat::TimeSpan span; // the times shown
    bool axes = false;
    int scale = 1;
    int plotWidth = kPlotWidth; // at scale 1
    int laneHeight = kLaneHeight;
    std::vector<int> lanes; // the columns shown, top to bottom; every one when empty
    std::int64_t cursors[2] = {kNoCursor, kNoCursor}; // A's and B's time
};

// The columns a chart shows.
std::vector<int> lanesOf(const logformat::Recording &recording, const Chart &chart);

// The size of the picture of `recording`'s chart.
QSize pictureSize(const logformat::Recording &recording, const Chart &chart);
// The box of lane `lane` (0 the top one) in the picture.
QRectF laneBox(const Chart &chart, int lane);

// A chart laid out in the picture's pixels: what is drawn in which colour.
struct Sheet
{
    QSize size;
    int scale = 1;
    std::vector<QRectF> lanes;
    std::vector<QLineF> grid;
    std::vector<QLineF> trace;
    std::vector<QLineF> cursors[2];
    std::vector<QLineF> ticks; // in ink, as the labels
    std::vector<AxisLabel> labels;
};
Sheet sheet(const logformat::Recording &recording, const Chart &chart);

// Draws the sheet on `painter`, which works in the picture's pixels; the
// margins are left as they are, to be filled in the caller's colour.
void draw(QPainter &painter, const Sheet &sheet, const QColor &ink);
void draw(QPainter &painter, const logformat::Recording &recording, const Chart &chart);

QImage image(const logformat::Recording &recording, const Chart &chart);
QByteArray png(const logformat::Recording &recording, const Chart &chart);
// One page of vectors the size of the picture.
QByteArray pdf(const logformat::Recording &recording, const Chart &chart);

// The chart on one page in the page's colours and pens (plot/plotgrid.h),
// scaled to fill the printable width (or height, whichever is reached first).
// Throws PrintError.
void print(PrinterPort &printer, const Sheet &sheet);

} // namespace recordplot
