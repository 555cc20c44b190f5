#include "platform/fault.h"

#include <map>
#include <string>

namespace platform {
namespace {

struct Fault {
  int skip = 0;
  int times = 0;
};

std::map<std::string, Fault, std::less<>>& Faults() {
  static std::map<std::string, Fault, std::less<>> faults;
  return faults;
}

}  // namespace

void FailCall(const char* name, int times, int skip) { Faults()[name] = Fault{skip, times}; }

void ResetFaults() { Faults().clear(); }

bool ShouldFail(const char* name) {
  auto& faults = Faults();
  if (faults.empty()) return false;
  auto it = faults.find(std::string_view(name));
  if (it == faults.end()) return false;
  Fault& fault = it->second;
  if (fault.skip > 0) {
    --fault.skip;
    return false;
  }
  if (fault.times <= 0) return false;
  --fault.times;
  return true;
}

}  // namespace platform
