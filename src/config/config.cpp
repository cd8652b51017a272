#include "config/config.h"

// PLACEHOLDER until the loader lands.
bool loadConfig(const std::string&) { return false; }
