#pragma once
// Reading a rendered page: the dark runs along one row or one column of pixels,
// where the printed lines cross it.
#include <QImage>
#include <QList>

struct DarkRun
{
    int first = 0; // pixel index
    int last = 0;
    // The middle of the run in pixel units, pixel i covering [i, i + 1).
    double centre() const { return (first + last + 1) / 2.0; }
    int length() const { return last - first + 1; }
};

inline bool isDark(const QImage &image, int x, int y)
{
    return qGray(image.pixel(x, y)) < 128;
}

inline QList<DarkRun> darkRuns(const QImage &image, bool alongRow, int at)
{
    QList<DarkRun> runs;
    const int n = alongRow ? image.width() : image.height();
    bool inRun = false;
    for (int i = 0; i < n; ++i) {
        const bool dark = alongRow ? isDark(image, i, at) : isDark(image, at, i);
        if (dark && !inRun)
            runs.append({i, i});
        if (dark)
            runs.last().last = i;
        inRun = dark;
    }
    return runs;
}

inline QList<DarkRun> darkRunsInRow(const QImage &image, int y)
{
    return darkRuns(image, true, y);
}
inline QList<DarkRun> darkRunsInColumn(const QImage &image, int x)
{
    return darkRuns(image, false, x);
}

// Dark pixels outside `keep`.
inline int darkPixelsOutside(const QImage &image, const QRect &keep)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += !keep.contains(x, y) && isDark(image, x, y);
    return n;
}
