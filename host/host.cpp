#include "host/host.h"

#include <cstdio>
#include <cstdlib>

namespace host {
namespace {
Host* current = nullptr;
}

Host& Current() {
  if (!current) {
    std::fprintf(stderr, "ferrowyn: no host installed\n");
    std::abort();
  }
  return *current;
}

void Install(Host* host) {
  current = host;
}

}  // namespace host
