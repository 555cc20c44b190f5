// Shared by the fuzz targets: the headless host, and the input handed to loaders that only
// take a file name.
#pragma once
#include <cstddef>
#include <cstdint>

namespace fuzz {

// Installs this process's one headless host.
void InstallHost();

// Writes the input to this process's scratch file and returns its name.
const char* WriteInput(const uint8_t* data, size_t size);

}  // namespace fuzz
