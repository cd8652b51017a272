// The configuration loader on any bytes, straight from memory: the bytes before the first NUL byte as
// brushup.ini (its [WAL] lines listed, never read from disk), the bytes after it as a pak, and as the .wal
// and the sidecar of a pak made around them. It ends with no sanitizer report; each texture from [WAL] is
// defined once, never where a definition came before, and the .wal's texture whenever its header is whole.
#include <algorithm>
#include <cstdint>
#include <unordered_set>

#include "config/config.h"
#include "config/texture_defaults.h"
#include "fuzz_support.h"
#include "testing/texture_files.h"

namespace {

void readPak(std::string_view pak, std::uint32_t lineNumber) {
    const PartReader readPart = [pak](std::uint64_t offset, std::size_t size, std::string& part) {
        part.assign(pak.substr(static_cast<std::size_t>(std::min<std::uint64_t>(offset, pak.size())), size));
        return true;
    };
    readPakTextures(WalSource{"fuzz.pak", true, lineNumber}, pak.size(), readPart, "BRUSHUP.INI");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string_view config = bytes.substr(0, bytes.find('\0'));
    const std::string files(bytes.substr(std::min(config.size() + 1, bytes.size())));
    std::string console;
    resetState();
    captureConsole(&console);
    std::vector<WalSource> sources;
    readConfigText(config, "BRUSHUP.INI", sources);
    const std::size_t configured = textureDefs.size();
    readPak(files, 1);
    readPak(pakBytes({{"textures/fuzz.wal", files}, {"textures/fuzz.wal_json", files}}), 2);
    captureConsole(nullptr);
    std::unordered_set<std::string> names;
    for (std::size_t i = 0; i < textureDefs.size(); ++i)
        require(names.insert(textureDefs[i].name).second || i < configured);
    require(walTextureCount == textureDefs.size() - configured);
    require(files.size() < WAL_HEADER_SIZE || names.contains("fuzz"));
    return 0;
}
