// Times one drag step of the map window: a mouse move over the graph that
// changes the dragged value, up to the finished repaint of the graph (the
// saved image restored where the rubber band was and is, the band drawn, the
// edit bar's Data field filled). The map is the standard data's 16 x 16
// "Fuel Fine" with ALL lines shown, in a 1920 x 1080 window, offscreen. Also
// times a full redraw of the graph (every curve drawn again), which a pick, a
// key step or a Reload costs.
//
//   bench_map_window [steps]      (default 2000)
#include "app/vex_app.h"
#include "data/map_access.h"
#include "platform/scripted_prompts.h"
#include "platform/text_file.h"
#include "views/graph_pane.h"
#include "views/main_frame.h"
#include "views/map_window.h"
#include "views/vex_doc.h"
#include "bench/paint_counter.h"

#include <QApplication>
#include <QMouseEvent>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

using namespace zlm;

namespace {

struct Figures {
    double medianUs = 0;
    double p99Us = 0;
    double bestUs = 0;
    double cpuUs = 0; // mean CPU time
};

template <typename Step> Figures measure(int count, Step step)
{
    std::vector<double> wall;
    wall.reserve(static_cast<std::size_t>(count));
    const std::clock_t cpuStart = std::clock();
    for (int i = 0; i < count; ++i) {
        const auto start = std::chrono::steady_clock::now();
        step(i);
        wall.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count());
    }
    const double cpu = double(std::clock() - cpuStart) * 1e6 / CLOCKS_PER_SEC / count;
    std::sort(wall.begin(), wall.end());
    return { wall[wall.size() / 2], wall[wall.size() * 99 / 100], wall.front(), cpu };
}

void print(const char* name, const Figures& f)
{
    std::printf("%-34s median %7.1f us  p99 %7.1f us  best %7.1f us  cpu %7.1f us\n", name,
        f.medianUs, f.p99Us, f.bestUs, f.cpuUs);
}

void mouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButton button,
    Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(at), target->mapToGlobal(QPointF(at)), button, buttons,
        Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication qapp(argc, argv);
    const int steps = argc > 1 ? std::max(10, std::atoi(argv[1])) : 2000;

    CVexApp app;
    app.setPrompts(std::make_unique<ScriptedPrompts>());
    auto lines = readTextLines(std::string(ZLM_RES_DIR) + "/ZLM350.def");
    if (!lines) {
        std::fprintf(stderr, "cannot read the definition\n");
        return 1;
    }
    app.definitionLines = std::move(*lines);
    const std::string data = std::string(ZLM_RES_DIR) + "/Standard_data.lyn";
    if (!app.data().load(data).ok()) {
        std::fprintf(stderr, "cannot load %s\n", data.c_str());
        return 1;
    }
    app.data().setPath(data);
    const int index = mapIndexByName(app.data().maps(), "Fuel Fine");
    if (index < 0)
        return 1;
    app.data().setCurrentMap(index);
    MapDefinition& map = *app.data().currentMap();
    map.edit.all = 1;

    CMainFrame frame(app);
    CVexDoc doc(app, frame);
    MapWindow window(app, doc);
    window.resize(1920, 1080);
    window.show();
    QApplication::processEvents();
    GraphPane* graph = window.graphPane();
    graph->repaint();

    std::printf("map %s: %d lines x %d points, ALL, graph %d x %d\n", map.name.c_str(),
        map.z.count, map.x.count, graph->width(), graph->height());

    // Full redraws.
    print("full redraw of the graph", measure(std::max(10, steps / 10), [&](int) {
        graph->invalidate();
        graph->repaint();
    }));

    // Pick a middle point, press again to start the drag, then move up and down.
    const auto points = window.geometry()->linePoints(map, app.data().image(), 8);
    const QPoint at(points[8].x, points[8].y);
    mouse(graph, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    mouse(graph, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    mouse(graph, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    if (!graph->dragging()) {
        std::fprintf(stderr, "the drag did not start\n");
        return 1;
    }
    const int span = graph->height() / 4;
    bench::PaintCounter paints;
    graph->installEventFilter(&paints);
    const Figures drag = measure(steps, [&](int i) {
        const QPoint to(at.x(), std::max(1, at.y() - 10 - (i * 7) % span));
        mouse(graph, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
        // The paint the move asked for (only where the band was and is), and the flush.
        QCoreApplication::processEvents();
    });
    print("drag step (move to repainted graph)", drag);
    std::printf("paints per drag step: %.2f\n", double(paints.count) / steps);
    mouse(graph, QEvent::MouseButtonPress, at, Qt::RightButton, Qt::LeftButton | Qt::RightButton);
    std::printf("goal: drag step under 2000 us: %s\n", drag.medianUs < 2000 ? "met" : "NOT met");
    return 0;
}
