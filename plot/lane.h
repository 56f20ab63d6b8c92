#pragma once
#include "logformat/columns.h"
#include "logformat/recording.h"

#include <QLineF>
#include <QRectF>

#include <cstdint>
#include <vector>

// One channel of a recording drawn in a lane, a rectangle of its own: codes
// scaled as the sweep scales them (a unipolar range's 0 on the bottom edge, a
// bipolar one's in the middle, full scale the lane's height), time from the
// left edge to the right.
//
// Where a pixel column covers several rows it is a line from their lowest
// code to their highest, joined to the column before by a line from that
// one's last code to this one's first, unless scans were skipped between or
// within them: every row, a one-scan spike too, is in its column, and a gap is
// a break. Where the rows are fewer than the columns, the line runs through
// the rows themselves, broken where scans were skipped; a row alone between
// two gaps is a dot (a line of no length).

// Where `code` of `range` stands in the lane: y from the top, the middle of
// the code's 1/4096 of the lane's height.
double laneY(std::int16_t code, int range, const QRectF &lane);

// The lines of `channel` of `recording` over `span` in `lane`, one pixel
// column for each unit of the lane's width.
std::vector<QLineF> laneLines(const logformat::Recording &recording, int channel, int range,
                              const logformat::TimeSpan &span, const QRectF &lane);
