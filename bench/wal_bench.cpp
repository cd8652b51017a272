// Speed of reading the textures [WAL] names: a folder of 5,000 .wal files in 50 folders, and a pak of 400 MB
// with 5,000 entries, of which only the directory and the texture headers are read. The pak is written
// sparsely: only its headers and directory take room on disk.
// Run: build/brushup_bench --benchmark_filter=Wal
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/output.h"
#include "app/state.h"
#include "config/config.h"
#include "testing/texture_files.h"

namespace {

constexpr std::size_t TEXTURE_COUNT = 5000;
constexpr std::size_t PAK_ENTRY_LENGTH = 80000;  // 5,000 of them: 400 MB

std::string walBenchDir() { return (std::filesystem::temp_directory_path() / "brushup-wal-bench").string(); }

void writeBytes(const std::string& name, const std::string& bytes) { std::ofstream(name, std::ios::binary) << bytes; }

// The pak's entries, each a .wal header followed by nothing but a hole, then its directory.
void writeSparsePak(const std::string& name) {
    std::FILE* pak = std::fopen(name.c_str(), "wb");
    std::string directory;
    for (std::size_t i = 0; i < TEXTURE_COUNT; ++i) {
        const std::size_t offset = 12 + i * PAK_ENTRY_LENGTH;
        const std::string entryName = "textures/set" + std::to_string(i / 100) + "/tex" + std::to_string(i) + ".wal";
        directory +=
            entryName + std::string(56 - entryName.size(), '\0') + wordBytes(offset) + wordBytes(PAK_ENTRY_LENGTH);
        const std::string header = walBytes(static_cast<std::uint32_t>(i), 1, 0);
        std::fseek(pak, static_cast<long>(offset), SEEK_SET);
        std::fwrite(header.data(), 1, header.size(), pak);
    }
    const std::size_t directoryOffset = 12 + TEXTURE_COUNT * PAK_ENTRY_LENGTH;
    std::fseek(pak, static_cast<long>(directoryOffset), SEEK_SET);
    std::fwrite(directory.data(), 1, directory.size(), pak);
    const std::string header = "PACK" + wordBytes(directoryOffset) + wordBytes(directory.size());
    std::fseek(pak, 0, SEEK_SET);
    std::fwrite(header.data(), 1, header.size(), pak);
    std::fclose(pak);
}

// Writes the folder, the pak and a configuration naming each, once.
void prepareWalFiles() {
    static bool prepared = false;
    if (prepared) return;
    prepared = true;
    const std::string dir = walBenchDir();
    for (std::size_t i = 0; i < TEXTURE_COUNT; ++i) {
        const std::string folder = dir + "/textures/set" + std::to_string(i / 100);
        std::filesystem::create_directories(folder);
        writeBytes(folder + "/tex" + std::to_string(i) + ".wal", walBytes(static_cast<std::uint32_t>(i), 1, 0));
    }
    writeSparsePak(dir + "/pak0.pak");
    writeBytes(dir + "/folder.ini", "[WAL]\ntextures = " + dir + "/textures\n");
    writeBytes(dir + "/pak.ini", "[WAL]\npak = " + dir + "/pak0.pak\n");
}

void BM_LoadWal(benchmark::State& state, const std::string& configName) {
    prepareWalFiles();
    const std::string config = walBenchDir() + "/" + configName;
    for (auto _ : state) {
        resetState();
        loadConfig(config);
        if (textureDefs.size() != TEXTURE_COUNT) state.SkipWithError("not every texture was read");
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(TEXTURE_COUNT));
}

BENCHMARK_CAPTURE(BM_LoadWal, Folder, std::string("folder.ini"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadWal, Pak, std::string("pak.ini"))->Unit(benchmark::kMillisecond);

}  // namespace
