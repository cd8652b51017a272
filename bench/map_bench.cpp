// Speed of the map steps on a large generated map, against the cost of
// copying the same file, and of the operations every face goes through.
// Run: build/brushup_bench [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/output.h"
#include "app/platform.h"
#include "app/run.h"
#include "app/state.h"
#include "config/config.h"
#include "fix/brush_contents.h"
#include "fix/face_contents.h"
#include "fix/surface_flags.h"
#include "map/face_line.h"
#include "map/inventory.h"
#include "map/map_file.h"
#include "text/text.h"

namespace {

constexpr int BRUSH_COUNT = 40000;  // six faces each: 240,000 faces, about 17 MB
const std::string TEXTURES[] = {"base/wall", "base/floor", "common/caulk", "gothic_block/blocks10",
                                "NULL", "e1u1/floor3_1", "custom/undefined", "liquids/water"};

std::string benchDir() { return (std::filesystem::temp_directory_path() / "brushup-bench").string(); }

// Writes brushup.ini and big.map into the bench folder and enters it.
void prepareFiles() {
    static bool prepared = false;
    if (prepared) return;
    prepared = true;
    std::filesystem::create_directories(benchDir());
    std::filesystem::current_path(benchDir());
    std::ofstream config("brushup.ini", std::ios::binary);
    config << "[SURFACE]\nFLAG1 = light\nFLAG3 = sky\nFLAG8 = nodraw\n[CONTENT]\nFLAG1 = solid\nFLAG6 = water\n"
              "FLAG28 = detail\n[TEXTURES]\nbase/wall = solid\nbase/floor = solid light\ncommon/caulk = nodraw\n"
              "gothic_block/blocks10 = solid\ncommon/0_sky1 = sky nodraw\ne1u1/floor3_1 = solid\n"
              "liquids/water = water\n";
    std::ofstream map("big.map", std::ios::binary);
    map << "{\r\n\"classname\" \"worldspawn\"\r\n";
    for (int brush = 0; brush < BRUSH_COUNT; ++brush) {
        map << "// brush " << brush << "\r\n{\r\n";
        for (int face = 0; face < 6; ++face) {
            const int x = brush * 16 + face;
            map << "( " << x << " 0 0 ) ( " << x << " 64 0 ) ( " << x + 64 << " 0 0.5 ) "
                << TEXTURES[static_cast<std::size_t>(brush + face) % 8] << " 0 0 0 0.500000 0.5 " << ((face == 3) ? 1 : 0) << " 0 0\r\n";
        }
        map << "}\r\n";
    }
    map << "}\r\n";
}

void loadAll() {
    resetState();
    loadConfig("brushup.ini");
    readMap("big.map");
}

void BM_CopyFile(benchmark::State& state) {
    prepareFiles();
    for (auto _ : state) {
        std::string bytes;
        readWholeFile("big.map", bytes);
        replaceFile("copy.map", bytes);
        benchmark::DoNotOptimize(bytes.data());
    }
}

void BM_ReadMap(benchmark::State& state) {
    prepareFiles();
    for (auto _ : state) {
        resetState();
        readMap("big.map");
    }
}

void BM_SplitEveryLine(benchmark::State& state) {
    prepareFiles();
    loadAll();
    for (auto _ : state) {
        std::size_t faces = 0;
        for (const std::string_view line : mapLines) faces += splitFaceLine(line) ? 1u : 0u;
        benchmark::DoNotOptimize(faces);
    }
}

void BM_CollectTextures(benchmark::State& state) {
    prepareFiles();
    for (auto _ : state) {
        state.PauseTiming();
        loadAll();
        state.ResumeTiming();
        collectTextures();
    }
}

// The passes rewrite mapLines, so every round starts from a fresh read.
template <auto pass>
void BM_Pass(benchmark::State& state) {
    prepareFiles();
    std::string console;
    captureConsole(&console);
    for (auto _ : state) {
        state.PauseTiming();
        loadAll();
        collectTextures();
        state.ResumeTiming();
        pass();
    }
    captureConsole(nullptr);
}

void BM_FormatMap(benchmark::State& state) {
    prepareFiles();
    loadAll();
    for (auto _ : state) benchmark::DoNotOptimize(formatMap());
}

void BM_WholeRun(benchmark::State& state) {
    prepareFiles();
    std::string console;
    captureConsole(&console);
    std::string original;
    readWholeFile("big.map", original);
    for (auto _ : state) {
        state.PauseTiming();
        replaceFile("run.map", original);
        state.ResumeTiming();
        runProgram({"brushup", "run", "-c"});
    }
    captureConsole(nullptr);
}

// Face lines of the usual forms: whole numbers, editor decimals, the Valve 220
// axis groups, and no flag fields.
const std::string FACE_LINES[] = {
    "( -2448 1664 -176 ) ( -2288 1664 -176 ) ( -2448 1504 -336 ) base_wall/rock24 0 0 0 0.5 0.5 1 0 0",
    "( 0 0 64 ) ( 64 0 64 ) ( 0 64 64 ) Walls/Brick_02 16.000000 -8 0 0.500000 0.500000 134217729 6 0",
    "( 0 0 0 ) ( 0 64 0 ) ( 64 0 0 ) base/wall [ 1 0 0 0 ] [ 0 -1 0 0 ] 0 1 1 0 0 0",
    "( 0 0 0 ) ( 0 64 0 ) ( 64 0 0 ) e1u1/floor3_1 0 0 0 1 1",
};

const std::string& faceLine(const benchmark::State& state) {
    return FACE_LINES[static_cast<std::size_t>(state.range(0))];
}

void BM_SplitFace(benchmark::State& state) {
    const std::string& line = faceLine(state);
    for (auto _ : state) benchmark::DoNotOptimize(splitFaceLine(line));
}

// Reading the eight numbers of a split face.
void BM_ReadFaceNumbers(benchmark::State& state) {
    splitFaceLine(faceLine(state));
    for (auto _ : state) {
        double sum = 0;
        for (std::size_t field = FIELD_TEXTURE + 1; field <= FACE_FIELD_COUNT; ++field) sum += fieldNumber(faceFields[field]);
        benchmark::DoNotOptimize(sum);
    }
}

void BM_RebuildFace(benchmark::State& state) {
    splitFaceLine(faceLine(state));
    for (auto _ : state) benchmark::DoNotOptimize(rebuildFaceLine());
}

const std::string NUMBER_TEXTS[] = {"0", "-16", "0.500000", "134217728", "1e2", "&H1F"};

void BM_TextToNumber(benchmark::State& state) {
    const std::string& text = NUMBER_TEXTS[static_cast<std::size_t>(state.range(0))];
    state.SetLabel(text);
    for (auto _ : state) benchmark::DoNotOptimize(textToNumber(text));
}

const double NUMBERS[] = {0, -16, 0.5, 134217728, 1.0 / 3, 1e20};

void BM_NumberText(benchmark::State& state) {
    const double number = NUMBERS[static_cast<std::size_t>(state.range(0))];
    state.SetLabel(numberText(number));
    for (auto _ : state) benchmark::DoNotOptimize(numberText(number));
}

// The key of each face's texture field looked up in mapTextures, face by face
// over the bench map.
void BM_TextureLookup(benchmark::State& state) {
    prepareFiles();
    loadAll();
    collectTextures();
    std::vector<std::string> fields;
    for (const std::string_view line : mapLines) {
        if (splitFaceLine(line)) fields.emplace_back(faceFields[FIELD_TEXTURE]);
    }
    for (auto _ : state) {
        std::size_t found = 0;
        for (const std::string& field : fields) found += findMapTexture(textureKey(field)) != nullptr ? 1u : 0u;
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(fields.size()));
}

BENCHMARK(BM_SplitFace)->DenseRange(0, 3);
BENCHMARK(BM_ReadFaceNumbers)->DenseRange(0, 3);
BENCHMARK(BM_RebuildFace)->DenseRange(0, 3);
BENCHMARK(BM_TextToNumber)->DenseRange(0, 5);
BENCHMARK(BM_NumberText)->DenseRange(0, 5);
BENCHMARK(BM_TextureLookup)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadMap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SplitEveryLine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CollectTextures)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pass<applySurfaceFlags>)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pass<applyFaceContents>)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pass<unifyBrushContents>)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FormatMap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholeRun)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
