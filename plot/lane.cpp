#include "plot/lane.h"

#include "readings/inputrange.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kCodes = 4096;

// `line` cut to x = left..right; false when nothing of it is inside.
bool clipped(QLineF &line, double left, double right)
{
    QPointF a = line.p1(), b = line.p2();
    if (a.x() > b.x())
        std::swap(a, b);
    if (b.x() < left || a.x() > right)
        return false;
    const auto at = [&](double x) {
        return b.x() == a.x() ? a
                              : QPointF(x, a.y() + (b.y() - a.y()) * (x - a.x()) / (b.x() - a.x()));
    };
    if (a.x() < left)
        a = at(left);
    if (b.x() > right)
        b = at(right);
    line = QLineF(a, b);
    return true;
}
} // namespace

double laneY(std::int16_t code, int range, const QRectF &lane)
{
    // In the middle of the code's share of the height, so that the lowest
    // code stays inside the lane's last row of pixels and the highest in its
    // first.
    const double offset = inputrange::isBipolar(range) ? kCodes / 2 : 0;
    return lane.bottom() - (code + offset + 0.5) * lane.height() / kCodes;
}

std::vector<QLineF> laneLines(const logformat::Recording &recording, int channel, int range,
                              const logformat::TimeSpan &span, const QRectF &lane)
{
    std::vector<QLineF> lines;
    const int columns = std::max(1, int(std::floor(lane.width())));
    const std::int64_t width = span.endNs - span.firstNs;
    if (width <= 0 || recording.rows() == 0)
        return lines;
    const logformat::RowSpan around = logformat::rowsAround(recording, span);
    const auto y = [&](std::int16_t code) { return laneY(code, range, lane); };

    if (around.count() <= columns) {
        const auto x = [&](std::int64_t row) {
            return lane.left() +
                   double(recording.timeNs(row) - span.firstNs) * lane.width() / double(width);
        };
        for (std::int64_t row = around.begin; row < around.end; ++row) {
            const QPointF here(x(row), y(recording.code(channel, row)));
            const bool joined = row > around.begin && !recording.skippedBetween(row - 1, row);
            const bool alone =
                !joined && (row + 1 >= around.end || recording.skippedBetween(row, row + 1));
            QLineF line =
                joined ? QLineF(QPointF(x(row - 1), y(recording.code(channel, row - 1))), here)
                       : QLineF(here, here);
            if ((joined || alone) && clipped(line, lane.left(), lane.right()))
                lines.push_back(line);
        }
        return lines;
    }

    const std::vector<logformat::ColumnRows> rows = logformat::columnRows(recording, span, columns);
    const std::vector<logformat::ColumnExtent> extents =
        logformat::columnExtents(recording, channel, rows);
    double previousX = 0;
    std::int16_t previousLast = 0;
    for (int c = 0; c < columns; ++c) {
        const logformat::ColumnExtent &e = extents[std::size_t(c)];
        if (e.extent.empty())
            continue;
        const double x = lane.left() + c + 0.5;
        if (e.joinsPrevious)
            lines.emplace_back(previousX, y(previousLast), x, y(e.first));
        lines.emplace_back(x, y(e.extent.lowest), x, y(e.extent.highest));
        previousX = x;
        previousLast = e.last;
    }
    return lines;
}
