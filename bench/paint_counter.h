// For the Qt window harnesses: a count of a widget's paint events, so that
// each timed run ends with the widget painted, and the median of the runs.
#pragma once

#include <QEvent>
#include <QObject>

#include <algorithm>
#include <vector>

namespace pierqty::bench {

class PaintCounter final : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

// The median of the runs' nanoseconds, in milliseconds.
inline double MedianMs(std::vector<qint64> ns)
{
    std::sort(ns.begin(), ns.end());
    return static_cast<double>(ns[ns.size() / 2]) / 1e6;
}

} // namespace pierqty::bench
