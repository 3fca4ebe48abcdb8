// Zip packages from arbitrary bytes: opened with and without the
// consistency check, entries found (exactly and with folded separators)
// and read, then the package used as the script package and its main
// script loaded and run in a sandboxed state.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "fuzz_support.h"
#include "tickbase/script/script_common.h"
#include "tickbase/script/script_manager.h"
#include "tickbase/script/zip_package.h"

namespace {

constexpr int kHead = 1 << 16;

// The contracts of one package: a failed search selects nothing, a found
// entry's head reads whole or not at all.
void Explore(iZipPackage* package) {
  fuzz::Check(package->GetFileCount() >= 0);
  char byte = 0;
  for (const char* name : {"script/main.lua", "script\\main.lua", ".//script/main.lua", "main.lua", ""}) {
    if (!package->FindFile(name)) {
      fuzz::Check(package->GetFileSize() == 0 && package->ReadFile(&byte, 1) == -1);
      continue;
    }
    // The size is the package's claim: read a bounded head of the entry.
    const int size = package->GetFileSize();
    fuzz::Check(size >= 0);
    const int head = size < kHead ? size : kHead;
    std::string text(static_cast<std::size_t>(head) + 1, '\0');
    const int read = package->ReadFile(&text[0], head);
    fuzz::Check(read == head || read == -1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = fuzz::ScratchDir() + "package.zip";
  cScriptManager& scripts = cScriptManager::Instance();
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  CoutCapture quiet;
  for (int check : {0, 1}) {
    if (iZipPackage* package = Unzip_GetZipManager()->OpenPackage(path.c_str(), check)) {
      Explore(package);
      package->Close();
    }
  }
  scripts.BindScript(&fuzz::BindSandboxed);
  scripts.CreateScript("script");
  scripts.SetZip(path.c_str());
  scripts.GetScript("main");
  scripts.Destroy();
  return 0;
}
