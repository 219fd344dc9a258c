// Registry text imported into a key: any file imports or is refused, without a crash, and a
// refused file leaves the registry file as it was.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "FuzzFile.h"
#include "platform/Prompter.h"
#include "platform/posix/WineRegistry.h"
#include "registry/RegistryKeys.h"
#include "registry/RegistryText.h"

namespace {

struct SilentPrompter : quill::platform::Prompter {
  quill::platform::MessageAnswer Message(const std::string&, quill::platform::MessageIcon,
                                         quill::platform::MessageButtons,
                                         const std::string&) override {
    return quill::platform::MessageAnswer::Ok;
  }
  std::optional<std::string> SaveFileName(const std::string&, const std::string&,
                                          const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> OpenFileName(const std::string&, const std::string&) override {
    return std::nullopt;
  }
  std::string ChooseFolder(const std::string&) override { return std::string(); }
  std::optional<std::string> AskPassword() override { return std::nullopt; }
  std::optional<std::string> ChooseOne(const std::string&, const std::string&,
                                       const std::vector<std::string>&) override {
    return std::nullopt;
  }
};

std::string Read(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namespace fs = std::filesystem;
  // Each input starts from the same registry: one key with one subkey.
  const fs::path prefix = quill::fuzz::ScratchFolder() / "prefix";
  fs::remove_all(prefix);
  fs::create_directories(prefix);
  const std::string file = quill::fuzz::WriteInput(data, size, "export.txt");
  quill::platform::posix::WineRegistry registry(
      quill::platform::posix::WinePrefix(prefix, quill::fuzz::ScratchFolder() / "server"));
  SilentPrompter prompter;
  quill::registry::RegistryKeys reg(registry);
  reg.CreateKey("HKEY_CURRENT_USER\\Software\\Quill\\Target\\Old");
  registry.Flush();
  const std::string before = Read(prefix / "user.reg");
  quill::registry::RegistryText text(registry, reg);
  const auto result = text.ImportKeyFile("HKEY_CURRENT_USER\\Software\\Quill\\Target", file);
  registry.Flush();
  if (!result.ok && Read(prefix / "user.reg") != before) __builtin_trap();
  return 0;
}
