// Times a block operation of the table window on a whole 32 x 32 map (1,024
// cells): Ctrl+A, then Scale (alternately 103 % and 97 %) with its undo record,
// up to the finished repaint of both windows (the table's cells with their
// shading and the map window's graph with all 32 lines), in a 1920 x 1080
// frame, offscreen. The data set is generated in a temporary folder: one free
// map of 32 throttle points x 32 RPM points. Also times Undo and Redo of the
// same record, each with its repaint.
//
//   bench_block_ops [repetitions]      (default 200)
#include "app/vex_app.h"
#include "data/map_access.h"
#include "platform/scripted_prompts.h"
#include "views/block_commands.h"
#include "views/graph_pane.h"
#include "views/grid_pane.h"
#include "views/main_frame.h"
#include "views/map_window.h"
#include "views/table_selection.h"
#include "views/table_window.h"
#include "views/vex_doc.h"
#include "views/vex_view.h"
#include "bench/bench_support.h"
#include "data/srecord.h"
#include "bench/paint_counter.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace zlm;

namespace {

constexpr int kPoints = 32;
constexpr unsigned kMapAddress = 0x8000;

// A definition with one free 32 x 32 fuel map at 0x8000 and its data file.
void generate(const fs::path& definition, const fs::path& dataFile)
{
    std::vector<std::uint8_t> image(0x600, 0);
    image[0] = kPoints;
    image[1] = kPoints;
    unsigned at = 2;
    for (int z = 0; z < kPoints; ++z)
        image[at++] = static_cast<std::uint8_t>(z * 6);
    for (int x = 0; x < kPoints; ++x)
        image[at++] = static_cast<std::uint8_t>(10 + x * 7);
    for (int z = 0; z < kPoints; ++z)
        for (int x = 0; x < kPoints; ++x)
            image[at++] = static_cast<std::uint8_t>(40 + z * 3 + x * 2);
    std::ofstream(definition, std::ios::binary)
        << "[Free Map]\r\n8000,85FF,8600\r\nFuel Map1,0,0,FUEL\r\n"
           "THROT,0,100,x*0.5,x/0.5\r\nRPM,0,12750,x*50,x/50\r\n"
           "FUEL,0,12.75,x*0.05,x/0.05,0.5,12\r\n[Calib]\r\n8600,1,Idle,10,0,rpm,0\r\n";
    std::string data = "; generated for the benchmark\r\n[Data]\r\nCalib:\r\n";
    for (unsigned a = 0; a < image.size(); a += 16)
        data += srec::encodeS1(static_cast<std::uint16_t>(kMapAddress + a), std::span(image).subspan(a, 16)) + "\r\n";
    data += "S9030000FC\r\nFixed:\r\n[Title]\r\nCircuit,Benchmark\r\n";
    std::ofstream(dataFile, std::ios::binary) << data;
}

struct Figures {
    double medianMs = 0;
    double worstMs = 0;
    double bestMs = 0;
    double cpuMs = 0; // mean CPU time
};

template <typename Step> Figures measure(int count, Step step)
{
    std::vector<double> wall;
    const std::clock_t cpuStart = std::clock();
    for (int i = 0; i < count; ++i) {
        const auto start = std::chrono::steady_clock::now();
        step(i);
        wall.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    const double cpu = double(std::clock() - cpuStart) * 1e3 / CLOCKS_PER_SEC / count;
    std::sort(wall.begin(), wall.end());
    return { wall[wall.size() / 2], wall.back(), wall.front(), cpu };
}

void print(const char* name, const Figures& f)
{
    std::printf("%-40s median %6.2f ms  worst %6.2f ms  best %6.2f ms  cpu %6.2f ms\n", name,
        f.medianMs, f.worstMs, f.bestMs, f.cpuMs);
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication qapp(argc, argv);
    const int repetitions = argc > 1 ? std::max(10, std::atoi(argv[1])) : 200;

    char pattern[] = "/tmp/zlm-bench-XXXXXX";
    if (!::mkdtemp(pattern))
        return 1;
    const fs::path dir = pattern;
    generate(dir / "bench.def", dir / "bench.lyn");

    CVexApp app;
    auto prompts = std::make_unique<ScriptedPrompts>();
    ScriptedPrompts* script = prompts.get();
    app.setPrompts(std::move(prompts));
    std::ifstream definition(dir / "bench.def", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(definition)), {});
    app.definitionLines = LineList::fromText(text);
    app.undoSize = 1024;

    CMainFrame frame(app);
    frame.resize(1920, 1080);
    frame.show();
    script->queuePath((dir / "bench.lyn").string());
    frame.execute(cmd::kOpen);
    QApplication::processEvents();
    CVexDoc* doc = frame.document();
    if (!doc || !doc->viewOfKind(ViewKind::Table) || !doc->viewOfKind(ViewKind::Map)) {
        std::fprintf(stderr, "the windows did not open\n");
        return 1;
    }
    auto* table = qobject_cast<TableWindow*>(doc->viewOfKind(ViewKind::Table)->window());
    auto* mapWindow = qobject_cast<MapWindow*>(doc->viewOfKind(ViewKind::Map)->window());
    if (!table || !mapWindow)
        return 1;
    MapDefinition& map = *app.data().currentMap();
    map.edit.all = 1; // the graph draws every line
    mapWindow->redraw();
    QApplication::processEvents();
    std::printf("map %s: %d x %d cells; table %d x %d, graph %d x %d pixels\n", map.name.c_str(),
        map.z.count, map.x.count, table->width(), table->height(), mapWindow->graphPane()->width(),
        mapWindow->graphPane()->height());

    bench::PaintCounter cells;
    bench::PaintCounter graph;
    table->gridPane()->viewport()->installEventFilter(&cells);
    mapWindow->graphPane()->installEventFilter(&graph);
    TableSelection& selection = table->blockSelection();
    const Figures scale = measure(repetitions, [&](int i) {
        selection.selectAll();
        selection.runWith(BlockOperation::Scale, i % 2 ? 97.0 : 103.0);
        QApplication::processEvents(); // the repaints the operation asked for
    });
    print("Ctrl+A, Scale, record, both windows drawn", scale);
    std::printf("paints per step: table cells %.2f, graph %.2f; undo records %zu, last cost %d\n",
        double(cells.count) / repetitions, double(graph.count) / repetitions, map.edit.undo.size(),
        map.edit.undo.newest() ? map.edit.undo.newest()->cost() : 0);

    const Figures undo = measure(repetitions, [&](int i) {
        frame.execute(i % 2 ? cmd::kRedo : cmd::kUndo);
        QApplication::processEvents();
    });
    print("Undo or Redo of it, both windows drawn", undo);
    std::printf("goal: Scale with record and redraw under 20 ms: %s\n",
        scale.medianMs < 20.0 ? "met" : "NOT met");
    std::error_code ec;
    fs::remove_all(dir, ec);
    return 0;
}
