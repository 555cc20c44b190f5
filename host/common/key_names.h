// Names for the keys of a PC keyboard by physical position: DirectInput scan codes (set-1
// codes, extended keys with bit 7 set) and the names DirectInput gives them ("SPACE",
// "LCONTROL", "F1", "A"). Scripts, recordings and the settings file all name keys this way,
// so a binding means the same key on every layout.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace host::common {

struct KeyName {
  const char* name;
  uint8_t code;
};

// Every named key, in scan-code order.
const std::vector<KeyName>& KeyNames();

// The scan code of a name, any case ("space" = "SPACE"); -1 when unknown.
int ScanCodeOf(const std::string& name);

// The name of a scan code; empty when it has none.
std::string NameOfScanCode(int code);

}  // namespace host::common
