// The scan folder of TForm1: loading, creating and forgetting it, and its status text.
#include <algorithm>
#include <cstdint>
#include <optional>

#include "platform/Cp1250.h"
#include "platform/FileSystem.h"
#include "ui/CompareScanFiles.h"
#include "ui/IntegerReader.h"
#include "ui/ShortenFolderPath.h"
#include "ui/Unit1.h"

namespace ui {

using namespace text::literals;
using platform::ControlId;

namespace {

const std::string kSeparator(platform::kPathSeparatorText);

void SortPages(std::vector<std::string>& list) {
  std::sort(list.begin(), list.end(),
            [](const std::string& a, const std::string& b) { return CompareScanPaths(a, b) < 0; });
}

}  // namespace

bool TForm1::NactiZadanyAdresar(const std::string& folder) {
  if (folder.empty()) {
    shell_.NotifyUser("Nejprve je potřeba vybrat složku s naskenovanými soubory."_cp);
    return false;
  }
  if (!platform::FolderExists(folder)) {
    shell_.NotifyUser("Zadaná složka neexistuje, zvolte prosím jinou."_cp);
    return false;
  }
  // Raises platform::IoError when the folder cannot be written; nothing has changed yet.
  write_probe_(folder);

  const std::vector<std::string> names = platform::ListFiles(folder);
  if (names.empty()) {
    shell_.NotifyUser("V zadané složce nebyly nalezeny žádné soubory, zvolte prosím jinou."_cp);
    return false;
  }

  const std::int32_t highest = HighestPageNumber(names);
  std::vector<std::string> pages;
  std::vector<std::string> duplex_pages;
  for (const std::string& name : names) {
    const std::string kind = PageKindOfName(name);
    if (kind != ".bmp" && kind != ".dib") continue;
    const std::string path = folder + kSeparator + name;
    // A name the code page cannot carry comes back with "?" in it and names no file: it could
    // not be packed, so it is no page.
    if (!platform::FileExists(path)) continue;
    (kind == ".bmp" ? pages : duplex_pages).push_back(path);
  }
  SortPages(pages);
  SortPages(duplex_pages);

  folder_.pages = std::move(pages);
  folder_.duplex_pages = std::move(duplex_pages);
  folder_.path = folder + kSeparator;
  folder_.display_text = ShortenFolderPath(folder_.path);
  folder_.page_counter.emplace(folder_.path, highest, ".bmp");
  Label6Refresh();
  return true;
}

void TForm1::CreateDirForScans() {
  const std::string& application_folder = shell_.identity().application_folder;
  FileNameCounter folder_names(application_folder + "sken_tmp", 0, kSeparator);
  std::string path;
  do {
    path = folder_names.NextName();
  } while (platform::FolderExists(path));

  if (!platform::CreateFolder(path)) {
    shell_.NotifyUser(std::string("Nepodařilo se vytvořit složku "_cp) + path + "\r\n" +
                      std::string("V následujícím dialogu zadejte jméno nové složky."_cp));
    path.clear();
    std::string start_folder = application_folder;
    while (path.empty()) {
      const std::optional<std::string> chosen = toolkit_.AskForNewFolder(start_folder);
      if (!chosen) {
        shell_.NotifyUser(
            "Nebyla vytvořena složka pro naskenované soubory, ve skenování nelze pokračovat."_cp);
        folder_.path.clear();
        folder_.display_text.clear();
        return;
      }
      if (platform::FolderExists(*chosen)) {
        shell_.NotifyUser("Je nutno zadat dosud neexistující složku."_cp);
        start_folder = *chosen;
      } else if (platform::CreateFolder(*chosen)) {
        path = chosen->ends_with(platform::kPathSeparator) ? *chosen : *chosen + kSeparator;
      } else {
        shell_.NotifyUser(std::string("Nepodařilo se vytvořit ani složku "_cp) + *chosen);
        start_folder = application_folder;
      }
    }
  }
  folder_.path = path;
  folder_.page_counter.emplace(folder_.path, 1000, ".bmp");
  folder_.display_text = ShortenFolderPath(folder_.path);
}

void TForm1::ClearDirInfo(bool remember_box) {
  folder_.path.clear();
  folder_.display_text.clear();
  folder_.pages.clear();
  folder_.duplex_pages.clear();
  Label6Refresh();
  if (remember_box) {
    const std::string typed = toolkit_.Text(ControlId::kEdit3);
    if (platform::FolderExists(typed)) shell_.set_picker_start_folder(typed);
    toolkit_.SetText(ControlId::kEdit3, "");
  }
}

void TForm1::Label6Refresh() {
  const std::size_t pages = folder_.pages.size();
  const std::string count = std::to_string(pages);
  std::string text;
  if (pages == 0) {
    text = send_.batch_sent ? "Připraveno ke zpracování další dávky dokumentů."_cp
                            : "Zatím nic k odeslání."_cp;
  } else if (pages == 1) {
    text = std::string("K odeslání připraven 1 strana ve složce\r\n"_cp) + folder_.display_text;
  } else if (pages <= 4) {
    text = std::string("K odeslání připraveny "_cp) + count +
           std::string(" strany ve složce\r\n"_cp) + folder_.display_text;
  } else {
    text = std::string("K odeslání připraveno "_cp) + count +
           std::string(" stran ve složce\r\n"_cp) + folder_.display_text;
  }
  toolkit_.SetText(ControlId::kLabel6, text);
}

void TForm1::Button4Click() {
  const std::string typed = toolkit_.Text(ControlId::kEdit3);
  const std::string start_folder =
      !typed.empty() && platform::FolderExists(typed) ? typed : shell_.picker_start_folder();
  const std::optional<std::string> chosen =
      toolkit_.BrowseForFolder("Vyberte složku s naskenovanými soubory"_cp, start_folder);
  if (!chosen) return;
  if (NactiZadanyAdresar(*chosen)) toolkit_.SetText(ControlId::kEdit3, *chosen);
  shell_.set_picker_start_folder(*chosen);
}

}  // namespace ui
