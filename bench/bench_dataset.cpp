// Times loading, saving and batch-exporting a data set that covers the whole
// 64 KiB image with a few hundred maps, against copying the same data file with
// the standard library. Prints one line per step: median and best wall time,
// median CPU time, and the ratios of best wall time and CPU time to the copy's.
// On a busy machine the CPU time is the steadier measure of the work done.
//
//   bench_dataset [repetitions]      (default 30)
#include "data/batch_conversion.h"
#include "data/csv_export.h"
#include "data/ecu_data_set.h"
#include "platform/text_file.h"
#include "data/srecord.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <span>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace zlm;

namespace {

constexpr int kSharedAxisMaps = 100;  // kind 1, 16 x 16: 290 bytes each
constexpr int kOwnAxisMaps = 60;      // kind 2, 16 x 16: 530 bytes each
constexpr int kConstants = 512;       // after the maps, up to the checksum byte
constexpr int kPoints = 16;

struct Generated {
    fs::path definition;
    fs::path dataFile;
    int maps = 0;
};

// A definition of 160 free maps from 0x0000 and 512 constants, and a data file
// whose records cover every byte of the image.
Generated generate(const fs::path& dir)
{
    std::vector<std::uint8_t> image(65536);
    std::string def = "[Free Map]\r\n0000,FFFF,0000\r\n";
    unsigned address = 0;
    int maps = 0;
    const auto addMap = [&](int kind) {
        const int index = maps++;
        def += "Map " + std::to_string(index) + (kind == 1 ? ",0,0\r\n" : ",1,0\r\n");
        def += "THROT,0,100,x*0.5,x/0.5\r\nRPM,0,12750,x*50,x/50\r\n";
        def += index % 2 ? "FUEL,0,12.75,x*0.05,x/0.05,0.5,12\r\n" : "IGN,-10,60,x-40,x+40,0,50\r\n";
        image[address] = kPoints;
        image[address + 1] = kPoints;
        unsigned at = address + 2;
        for (int z = 0; z < kPoints; ++z)
            image[at++] = static_cast<std::uint8_t>(z * 13);
        const int axes = kind == 1 ? 1 : kPoints;
        for (int a = 0; a < axes; ++a)
            for (int x = 0; x < kPoints; ++x)
                image[at++] = static_cast<std::uint8_t>(20 + x * 14 + a);
        for (int cell = 0; cell < kPoints * kPoints; ++cell)
            image[at++] = static_cast<std::uint8_t>((cell * 7 + index) & 0xFF);
        address = at;
    };
    for (int i = 0; i < kSharedAxisMaps; ++i)
        addMap(1);
    for (int i = 0; i < kOwnAxisMaps; ++i)
        addMap(2);

    def += "[Calib]\r\n";
    const char* calcs[] = {"0", "2", "3", "0"};
    for (int i = 0; i < kConstants; ++i) {
        const bool word = i % 3 == 0;
        char line[160];
        std::snprintf(line, sizeof line, "%04X,%d,Constant %d,%s,%s,unit,%s\r\n", address,
                      word ? 2 : 1, i, word ? "0.01" : "0.5", i % 4 == 1 ? "360" : "0",
                      calcs[i % 4]);
        def += line;
        image[address] = static_cast<std::uint8_t>(i * 31);
        address += word ? 2 : 1;
    }
    if (address > 0xFFFF) {
        std::fprintf(stderr, "layout does not fit the image\n");
        std::exit(1);
    }
    for (unsigned a = address; a < 0xFFFF; ++a)
        image[a] = static_cast<std::uint8_t>(a);

    std::string data = "; generated for the benchmark\r\n[Data]\r\nCalib:\r\n";
    for (unsigned a = 0; a < 65536; a += 16)
        data += srec::encodeS1(static_cast<std::uint16_t>(a), std::span(image).subspan(a, 16)) + "\r\n";
    data += "S9030000FC\r\nFixed:\r\n[Title]\r\nCircuit,Benchmark\r\n";

    Generated out{dir / "bench.def", dir / "bench.lyn", maps};
    std::ofstream(out.definition, std::ios::binary) << def;
    std::ofstream(out.dataFile, std::ios::binary) << data;
    return out;
}

struct Timing {
    double medianMs = 0;
    double bestMs = 0;
    double cpuMs = 0; // median CPU time of the process
};

double cpuNow()
{
    timespec t {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

Timing measure(int repetitions, const std::function<void()>& step)
{
    std::vector<double> wall, cpu;
    step(); // warm the caches once
    for (int i = 0; i < repetitions; ++i) {
        const double cpu0 = cpuNow();
        const auto start = std::chrono::steady_clock::now();
        step();
        const auto end = std::chrono::steady_clock::now();
        cpu.push_back(cpuNow() - cpu0);
        wall.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    return {wall[wall.size() / 2], wall.front(), cpu[cpu.size() / 2]};
}

void require(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "benchmark step failed: %s\n", what);
        std::exit(1);
    }
}

} // namespace

int main(int argc, char** argv)
{
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    const fs::path dir = fs::temp_directory_path() / ("zlm-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const Generated files = generate(dir);

    const auto definition = readTextLines(files.definition.string());
    require(definition.has_value(), "read definition");
    EcuDataSet data(*definition);
    const LoadResult first = data.load(files.dataFile.string());
    if (!first.ok())
        std::fprintf(stderr, "load: %s\n", first.message.text.c_str());
    require(first.ok(), "load");
    require(static_cast<int>(data.maps().size()) == files.maps, "all maps parsed");
    require(data.lowest == 0 && data.highest == 0xFFFF, "whole image");

    const std::string copyTarget = (dir / "copy.lyn").string();
    const std::string saveTarget = (dir / "saved.lyn").string();
    const std::string csvTarget = (dir / "out.csv").string();
    const DisplayFormats formats;
    const std::tm now = currentLocalTime();

    const Timing copy = measure(repetitions, [&] {
        fs::copy_file(files.dataFile, copyTarget, fs::copy_options::overwrite_existing);
    });
    const Timing load = measure(repetitions, [&] { require(data.load(files.dataFile.string()).ok(), "load"); });
    const Timing save = measure(repetitions, [&] { require(data.save(saveTarget).ok(), "save"); });
    const Timing csv = measure(repetitions, [&] { (void)csvText(data, formats, now); });
    const Timing batch = measure(repetitions, [&] {
        EcuDataSet fresh(*definition);
        require(runBatchConversion(fresh, formats, files.dataFile.string(), csvTarget, now).empty(), "batch");
    });

    std::printf("data file %ju bytes, %d maps, %zu constants lines, CSV %ju bytes, %d repetitions\n",
                static_cast<std::uintmax_t>(fs::file_size(files.dataFile)), files.maps,
                static_cast<std::size_t>(kConstants),
                static_cast<std::uintmax_t>(fs::file_size(csvTarget)), repetitions);
    std::printf("%-28s %10s %10s %10s %10s %10s\n", "step", "median ms", "best ms", "cpu ms",
                "best/copy", "cpu/copy");
    const auto row = [&](const char* name, const Timing& t) {
        std::printf("%-28s %10.3f %10.3f %10.3f %10.1f %10.1f\n", name, t.medianMs, t.bestMs,
                    t.cpuMs, t.bestMs / copy.bestMs, t.cpuMs / copy.cpuMs);
    };
    row("copy data file (std)", copy);
    row("load data file", load);
    row("save data file (fsync)", save);
    row("CSV text in memory", csv);
    row("batch: load + CSV write", batch);

    fs::remove_all(dir);
    return 0;
}
