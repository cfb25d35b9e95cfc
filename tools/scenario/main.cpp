// prelavka_scenario <scenario file> [--keep]: runs one scenario in a fresh working folder (removed
// afterwards unless --keep is given) and prints what happened on standard output. Exit status 0
// when the scenario ran, 2 on a mistake in the scenario file or its arguments.
#include <filesystem>
#include <iostream>
#include <random>
#include <string>

#include "tools/scenario/Runner.h"
#include "tools/scenario/Scenario.h"

namespace {

namespace fs = std::filesystem;

// A fresh folder in the temporary folder, removed after the run. Empty when none could be made.
fs::path MakeRunFolder() {
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path candidate =
        fs::temp_directory_path() / ("prelavka-scenario-" + std::to_string(random()));
    std::error_code error;
    if (fs::create_directory(candidate, error)) return candidate;
  }
  return {};
}

// "$WORK": three fixed levels below the run folder, so that the shortened folder paths the
// window shows (the last three levels) read the same in every run.
fs::path MakeWorkFolder(const fs::path& run_folder) {
  const fs::path work = run_folder / "scenario" / "run" / "work";
  std::error_code error;
  fs::create_directories(work, error);
  return error ? fs::path() : work;
}

std::string Utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: prelavka_scenario <scenario file> [--keep]\n";
    return 2;
  }
  const bool keep = argc > 2 && std::string(argv[2]) == "--keep";
  const auto commands = scenario::ReadScenario(argv[1]);
  if (!commands) {
    std::cerr << "cannot read " << argv[1] << "\n";
    return 2;
  }
  const fs::path run_folder = MakeRunFolder();
  const fs::path work = run_folder.empty() ? fs::path() : MakeWorkFolder(run_folder);
  if (work.empty()) {
    std::cerr << "cannot make a working folder\n";
    return 2;
  }
  int status = 0;
  {
    scenario::Runner runner(std::cout, Utf8(work));
    status = runner.Run(*commands, std::cerr);
  }
  std::cout.flush();
  if (keep) {
    std::cerr << "working folder kept: " << Utf8(work) << "\n";
  } else {
    std::error_code ignored;
    fs::remove_all(run_folder, ignored);
  }
  return status;
}
