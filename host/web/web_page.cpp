// What the web host asks of the page around the game: the browser's storage, the names the
// player's keyboard layout prints on keys, notes for the player, and the test hook's reports.
#include <emscripten.h>

#include <cstdlib>
#include <string>

#include "host/common/key_names.h"
#include "host/web/web_host.h"
#include "host/web/web_input.h"

EM_JS(void, web_report, (const char* name, const char* text),
      { FerrowynHost.reports[UTF8ToString(name)] = UTF8ToString(text); });
EM_JS(void, web_finished, (int status), { FerrowynHost.finished(status); });
EM_JS(void, web_note, (const char* text), { FerrowynHost.note(UTF8ToString(text)); });
EM_JS(void, web_publish_settings, (const char* text), {
  FerrowynHost.settingsText = UTF8ToString(text);
  FerrowynHost.tellPage('settings', FerrowynHost.settingsText);
});
EM_JS(char*, web_key_label, (const char* code), {
  const text = FerrowynHost.keyLabel(UTF8ToString(code));
  const size = lengthBytesUTF8(text) + 1;
  const copy = _malloc(size);
  stringToUTF8(text, copy, size);
  return copy;
});
EM_JS(void, web_store, (const char* name, const char* text),
      { FerrowynHost.store(UTF8ToString(name), UTF8ToString(text)); });
EM_JS(char*, web_stored, (const char* name), {
  const text = FerrowynHost.stored(UTF8ToString(name));
  const size = lengthBytesUTF8(text) + 1;
  const copy = _malloc(size);
  stringToUTF8(text, copy, size);
  return copy;
});

namespace host::web {

// What the player's keyboard layout prints on a key, as far as the browser says; else its
// DirectInput name.
std::string KeyLabel(uint8_t scan_code) {
  if (const char* code = KeyCodeOfScanCode(scan_code)) {
    char* label = web_key_label(code);
    std::string text = label;
    std::free(label);
    if (!text.empty()) return text;
  }
  return common::NameOfScanCode(scan_code);
}

void WebHost::Report(const char* name, const std::string& text) {
  web_report(name, text.c_str());
}

std::string WebHost::StoredText(const char* name) {
  char* stored = web_stored(name);
  std::string text = stored;
  std::free(stored);
  return text;
}

void WebHost::StoreText(const char* name, const std::string& text) {
  web_store(name, text.c_str());
}

std::string WebHost::StoredSettingsText() {
  return StoredText("ferrowyn-settings");
}

void WebHost::StoreSettingsText(const std::string& text) {
  StoreText("ferrowyn-settings", text);
  ShowSettingsText(text);
}

void WebHost::ShowSettingsText(const std::string& text) {
  web_publish_settings(text.c_str());
}

void WebHost::Note(const std::string& text) {
  web_note(text.c_str());
}

void WebHost::Finished(int status) {
  ReleaseAllKeys();
  web_finished(status);
}

}  // namespace host::web
