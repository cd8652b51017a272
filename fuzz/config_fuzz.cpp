// The configuration loader on any bytes as brushup.ini: it ends, with no sanitizer report, and reads every file
// that is not empty.
#include <cstdint>

#include "config/config.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzRun run;
    writeFile("brushup.ini", std::string_view(reinterpret_cast<const char*>(data), size));
    require(loadConfig("brushup.ini") == (size > 0));
    return 0;
}
