#pragma once
#include "plot/span.h"

#include <QLineF>

#include <cstddef>
#include <cstdint>
#include <vector>

// The trace in plot coordinates, by two rules kept on purpose. The window's
// sweep draws point r (1..8192) as one segment from x = r to x = r + 1, from
// the height of the point before it to its own, the first from the bottom
// line. A file measured in zk61ar-dat draws point p's vertex at x = p, where
// its axis, its cursors and its readout put it, with nothing before point 1.
// Heights count up from the bottom line y = 5000.

// Height of a code above the bottom of the plot: converter codes over the full
// 5000, unipolar 0 at the bottom, bipolar 0 in the middle.
double sweepHeight(std::int16_t adValue, int range);

// The segment of point `point`, from (point, 5000 - previousHeight) to
// (point + 1, 5000 - height), in single precision, as the sweep hands its
// coordinates to the plot area.
QLineF traceSegment(int point, double previousHeight, double height);

// The segments of `count` codes read in `range`, for points 1..count, as one
// pass of the sweep draws them: the first from (1, 5000). In a zoomed span,
// the segments of the points it shows, cut at its edges.
std::vector<QLineF> sweepTraceLines(const std::int16_t *codes, std::size_t count, int range,
                                    const PlotSpan &span = {});

// The same codes with point p's vertex at x = p: a segment from each point to
// the next, from point 1 to point `count`. In a zoomed span, those that reach
// into it, cut at its edges.
std::vector<QLineF> vertexTraceLines(const std::int16_t *codes, std::size_t count, int range,
                                     const PlotSpan &span = {});
