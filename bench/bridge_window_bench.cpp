// The Qt bridge window at 1,000 piers (run with QT_QPA_PLATFORM=offscreen or
// under Xvfb): opening the file until the table has painted, and an edit of
// one H1 until the table and the totals have painted. Prints medians (ms).
//
//   pierqty_bridge_window_bench FILE [RUNS]
#include "bench/paint_counter.h"
#include "platform/desktop_fake.h"
#include "ui/qt/bridge_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

using pierqty::bench::MedianMs;
using pierqty::bench::PaintCounter;

// Runs work, then the event loop until the table has painted again.
qint64 TimeToPaint(PaintCounter &counter, const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    const int before = counter.paints;
    work();
    while (counter.paints == before)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    return timer.nsecsElapsed();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: pierqty_bridge_window_bench FILE [RUNS]\n");
        return 64;
    }
    const QString file = QString::fromLocal8Bit(argv[1]);
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 11;
    pierqty::FakeDesktopServices services;
    pierqty::BridgeWindow window(services);
    PaintCounter counter;
    window.table()->viewport()->installEventFilter(&counter);
    window.show();
    TimeToPaint(counter, [] {});

    std::vector<qint64> open, edit;
    for (int k = 0; k < runs; ++k)
        open.push_back(TimeToPaint(counter, [&] {
            if (!window.openFile(file))
                std::exit(1);
        }));
    const int h1 = pierqty::bridge::kFirstInputColumn + pierqty::kFieldH1;
    for (int k = 0; k < runs * 5; ++k)
        edit.push_back(TimeToPaint(counter, [&] { window.model().setCell(2, h1, std::to_string(3 + k % 9)); }));
    std::printf("bridge window, %d piers, medians of %d and %d runs:\n", window.model().rowCount(), runs, runs * 5);
    std::printf("  open the file until the table has painted: %.2f ms\n", MedianMs(open));
    std::printf("  edit one H1 until table and totals painted: %.2f ms\n", MedianMs(edit));
    return 0;
}
