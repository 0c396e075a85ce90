// Window timings (run with QT_QPA_PLATFORM=offscreen):
//   window_bench            Calculate command to report painted, n = 1000
//                           and n = 32767 (medians), and peak memory.
//   window_bench --startup  exits as soon as the window has painted once;
//                           time whole runs of it for process start to window.
#include "bench/paint_counter.h"
#include "platform/desktop_fake.h"
#include "ui/qt/hdun.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

using pierqty::bench::MedianMs;
using pierqty::bench::PaintCounter;

} // namespace

int main(int argc, char **argv)
{
    QElapsedTimer sinceMain;
    sinceMain.start();
    QApplication app(argc, argv);
    // Nothing is shown or opened; an error box's message goes to stderr.
    pierqty::FakeDesktopServices services;
    services.onError = [](const std::string &message) { std::fprintf(stderr, "%s\n", message.c_str()); };
    pierqty::Hdun window(services);
    window.show();
    window.repaint();
    const double startupMs = static_cast<double>(sinceMain.nsecsElapsed()) / 1e6;
    if (argc > 1 && std::strcmp(argv[1], "--startup") == 0)
        return 0;
    std::printf("main() to window painted: %.1f ms\n", startupMs);

    PaintCounter counter;
    window.Text1()->viewport()->installEventFilter(&counter);
    for (const char *layers : {"1000", "32767"}) {
        window.CS(10)->setText(QString::fromLatin1(layers));
        std::vector<qint64> samples;
        for (int run = 0; run < 15; ++run) {
            window.Text1()->setPlainText(QStringLiteral("-"));
            QCoreApplication::processEvents();
            const int paintsBefore = counter.paints;
            QElapsedTimer timer;
            timer.start();
            if (!window.calculateCommand())
                return 1;
            // Paint what the command changed (the drawing is not touched).
            QCoreApplication::processEvents();
            samples.push_back(timer.nsecsElapsed());
            if (counter.paints == paintsBefore) {
                std::fprintf(stderr, "the report was not painted\n");
                return 1;
            }
        }
        std::printf("n = %s: Calculate to report painted, median %.2f ms over %zu runs\n", layers, MedianMs(samples),
                    samples.size());
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory after n = 32767: %.1f MB\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
    return 0;
}
