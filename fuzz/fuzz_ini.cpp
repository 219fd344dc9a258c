// An INI file: reading and writing a key never crash, and a written key reads back.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/posix/IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  auto ini = quill::platform::posix::IniFile::Parse(text);
  (void)ini.Get("Backup", "backupfolder");
  ini.Set("General", "burndvd", "1");
  const auto back = quill::platform::posix::IniFile::Parse(ini.Serialize());
  if (back.Get("General", "burndvd") != std::optional<std::string>("1")) std::abort();
  return 0;
}
