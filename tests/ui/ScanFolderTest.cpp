// The scan folder: loading, the page lists and counter, the folder-box commit, new folders.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/Cp1250.h"
#include "tests/ui/FormFixture.h"
#include "ui/ShortenFolderPath.h"

namespace ui_test {
namespace {

using namespace text::literals;
using platform::ControlId;

constexpr std::string_view kChooseFirst =
    "Nejprve je potřeba vybrat složku s naskenovanými soubory."_cp;
constexpr std::string_view kNoSuchFolder = "Zadaná složka neexistuje, zvolte prosím jinou."_cp;
constexpr std::string_view kNoFiles =
    "V zadané složce nebyly nalezeny žádné soubory, zvolte prosím jinou."_cp;

class ScanFolderTest : public FormTest {
 protected:
  ScanFolderTest() { CreateWithoutScanner(); }

  std::string NextPage() { return form_.scan_folder().page_counter->NextName(); }
  // The names (without folder) of a page list.
  static std::vector<std::string> Names(const std::vector<std::string>& list) {
    std::vector<std::string> names;
    for (const std::string& path : list) names.push_back(path.substr(path.rfind(kSep) + 1));
    return names;
  }
  // A load that must fail with a notice and leave the loaded folder as it was.
  void ExpectRefused(const std::string& folder, std::string_view notice) {
    const ui::ScanFolder before = form_.scan_folder();
    const std::string label = Text(ControlId::kLabel6);
    toolkit_.ExpectMessageBox();
    EXPECT_FALSE(form_.NactiZadanyAdresar(folder));
    ASSERT_FALSE(toolkit_.MessageTexts().empty());
    EXPECT_EQ(toolkit_.MessageTexts().back(), notice);
    EXPECT_EQ(form_.scan_folder().path, before.path);
    EXPECT_EQ(form_.scan_folder().pages, before.pages);
    EXPECT_EQ(form_.scan_folder().duplex_pages, before.duplex_pages);
    EXPECT_EQ(Text(ControlId::kLabel6), label);
  }
};

TEST_F(ScanFolderTest, PagesAreOrderedByNumberWithMixedCaseExtensions) {
  const std::string scans = MakeFolder("scans");
  MakeFiles(scans, {"1001.bmp", "1003.BMP", "1002.bmp", "notes.txt", "1001-1002.dib"});
  ASSERT_TRUE(form_.NactiZadanyAdresar(scans));
  const ui::ScanFolder& folder = form_.scan_folder();
  EXPECT_EQ(folder.path, scans + kSep);
  EXPECT_EQ(Names(folder.pages), (std::vector<std::string>{"1001.bmp", "1002.bmp", "1003.BMP"}));
  EXPECT_EQ(folder.pages.front(), scans + kSep + "1001.bmp");
  EXPECT_EQ(Names(folder.duplex_pages), std::vector<std::string>{"1001-1002.dib"});
  EXPECT_EQ(Text(ControlId::kLabel6),
            std::string("K odeslání připraveny 3 strany ve složce\r\n"_cp) +
                ui::ShortenFolderPath(scans + kSep));
  EXPECT_EQ(NextPage(), scans + kSep + "1004.bmp");
}

TEST_F(ScanFolderTest, TheNextPageFollowsTheHighestNumberOfAnyFileAndNeverStartsBelow1001) {
  const struct {
    std::vector<std::string> files;
    std::string next;
    std::vector<std::string> pages;
  } cases[] = {
      {{"5.bmp", "7.bmp"}, "1001.bmp", {"5.bmp", "7.bmp"}},
      {{"1001.bmp", "5000"}, "1002.bmp", {"1001.bmp"}},  // no "." gives no number
      {{"2000.txt"}, "2001.bmp", {}},                    // any extension counts
      {{"1001.bmp", "3000.tar.gz", "2500-2600.dib"}, "3001.bmp", {"1001.bmp"}},
      {{"scan.bmp", "1001.bmp", "abc.bmp"}, "1002.bmp", {"abc.bmp", "scan.bmp", "1001.bmp"}},
      {{"$7D0.bmp", "bmp", ".bmp"}, "2001.bmp", {".bmp", "$7D0.bmp"}},
  };
  int index = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.next);
    const std::string scans = MakeFolder("case" + std::to_string(index++));
    for (const std::string& name : c.files) MakeFile(scans + kSep + name);
    ASSERT_TRUE(form_.NactiZadanyAdresar(scans));
    EXPECT_EQ(Names(form_.scan_folder().pages), c.pages);
    EXPECT_EQ(NextPage(), scans + kSep + c.next);
  }
}

TEST_F(ScanFolderTest, AFolderWithoutPagesLoadsEmpty) {
  const std::string scans = MakeFolder("scans");
  MakeFiles(scans, {"2000.txt"});
  ASSERT_TRUE(form_.NactiZadanyAdresar(scans));
  EXPECT_TRUE(form_.scan_folder().pages.empty());
  EXPECT_EQ(Text(ControlId::kLabel6), "Zatím nic k odeslání."_cp);
  form_.send_state().batch_sent = true;
  form_.Label6Refresh();
  EXPECT_EQ(Text(ControlId::kLabel6), "Připraveno ke zpracování další dávky dokumentů."_cp);
}

TEST_F(ScanFolderTest, Label6TakesTheCzechPluralForms) {
  const struct {
    int pages;
    std::string_view text;
  } cases[] = {
      {1, "K odeslání připraven 1 strana ve složce\r\n"_cp},
      {2, "K odeslání připraveny 2 strany ve složce\r\n"_cp},
      {4, "K odeslání připraveny 4 strany ve složce\r\n"_cp},
      {5, "K odeslání připraveno 5 stran ve složce\r\n"_cp},
      {21, "K odeslání připraveno 21 stran ve složce\r\n"_cp},
      {22, "K odeslání připraveno 22 stran ve složce\r\n"_cp},
  };
  const std::string scans = MakeFolder("a" + kSep + "b" + kSep + "c" + kSep + "scans");
  ASSERT_TRUE(std::filesystem::create_directory(platform::NativePath(scans + kSep + "sub")));
  MakeFiles(scans, {"x.txt"});
  ASSERT_TRUE(form_.NactiZadanyAdresar(scans));
  for (const auto& c : cases) {
    form_.scan_folder().pages.assign(static_cast<std::size_t>(c.pages), "page");
    form_.Label6Refresh();
    EXPECT_EQ(Text(ControlId::kLabel6),
              std::string(c.text) + "..." + kSep + "b" + kSep + "c" + kSep + "scans");
  }
  // The side-by-side pictures are not counted.
  form_.scan_folder().pages.clear();
  form_.scan_folder().duplex_pages.assign(3, "picture");
  form_.Label6Refresh();
  EXPECT_EQ(Text(ControlId::kLabel6), "Zatím nic k odeslání."_cp);
}

TEST_F(ScanFolderTest, BadFoldersAreRefusedWithANoticeAndChangeNothing) {
  const std::string loaded = MakeFolder("loaded");
  MakeFiles(loaded, {"1001.bmp"});
  ASSERT_TRUE(form_.NactiZadanyAdresar(loaded));

  const std::string empty = MakeFolder("empty");
  MakeFolder("nested" + kSep + "inner");
  MakeFolder("nested" + kSep + "other");
  const std::string file = loaded + kSep + "1001.bmp";
  ExpectRefused("", kChooseFirst);
  ExpectRefused(folder_.Sub("missing"), kNoSuchFolder);
  ExpectRefused(file, kNoSuchFolder);
  ExpectRefused(file + kSep + "below", kNoSuchFolder);
  ExpectRefused(empty, kNoFiles);
  ExpectRefused(folder_.Sub("nested"), kNoFiles);
  // A character without a cp1250 byte reaches the program as "?": no such folder exists.
  MakeFolder("snow\xE2\x98\x83");
  ExpectRefused(folder_.Sub("snow?"), kNoSuchFolder);
  EXPECT_EQ(form_.scan_folder().path, loaded + kSep);
  EXPECT_NE(Log().find("Hlášeno uživateli:\r\n   Zadaná složka neexistuje"_cp), std::string::npos);
}

TEST_F(ScanFolderTest, PageNamesTheCodePageCannotCarryAreNoPages) {
  const std::string scans = MakeFolder("scans");
  // "☃.bmp" lists as "?.bmp", which names no file: it could not be packed.
  ASSERT_TRUE(std::ofstream(platform::NativePath(scans + kSep + "1001.bmp")).good());
  ASSERT_TRUE(std::ofstream(std::filesystem::path(platform::NativePath(scans)) /
                            std::filesystem::path(u8"\u2603.bmp"))
                  .good());
  ASSERT_TRUE(
      std::ofstream(platform::NativePath(scans + kSep + std::string("šňůra.bmp"_cp))).good());
  ASSERT_TRUE(form_.NactiZadanyAdresar(scans));
  EXPECT_EQ(Names(form_.scan_folder().pages),
            (std::vector<std::string>{std::string("šňůra.bmp"_cp), "1001.bmp"}));
}

TEST_F(ScanFolderTest, ALeftoverUploadBodyFileIsRemovedByTheWriteProbe) {
  const std::string scans = MakeFolder("scans");
  MakeFiles(scans, {"1001.bmp", "zq_sken.tmp"});
  ASSERT_TRUE(form_.NactiZadanyAdresar(scans));
  EXPECT_FALSE(platform::FileExists(scans + kSep + "zq_sken.tmp"));
  EXPECT_EQ(Names(form_.scan_folder().pages), std::vector<std::string>{"1001.bmp"});
  // Only the body file went: a folder holding nothing else then has no files.
  const std::string only_body = MakeFolder("only-body");
  MakeFiles(only_body, {"zq_sken.tmp"});
  ExpectRefused(only_body, kNoFiles);
}

TEST_F(ScanFolderTest, AFolderThatCannotBeWrittenEndsInTheErrorBoxAndIsNotLoaded) {
  const std::string loaded = MakeFolder("loaded");
  MakeFiles(loaded, {"1001.bmp"});
  ASSERT_TRUE(form_.NactiZadanyAdresar(loaded));

  // The write probe's platform error leaves the folder-box commit and reaches the error box of
  // the event dispatch; the program goes on. (An injected probe: a read-only folder is writable
  // for root, which runs the tests on CI.)
  const std::string protected_folder = MakeFolder("protected");
  MakeFiles(protected_folder, {"1001.bmp", "1002.bmp"});
  form_.set_write_probe([](std::string_view folder) {
    throw platform::IoError("Cannot create file \"" + std::string(folder) + "\". Access denied");
  });
  toolkit_.Type(ControlId::kEdit3, protected_folder);
  toolkit_.MoveFocus(ControlId::kEdit2);
  toolkit_.ExpectErrorBox();
  EXPECT_EQ(toolkit_.RunPostedMessages(), 1);
  ASSERT_EQ(toolkit_.dialogs().size(), 1u);
  EXPECT_EQ(toolkit_.dialogs()[0].kind, fakes::FakeToolkit::Answer::Kind::kErrorBox);
  EXPECT_NE(toolkit_.dialogs()[0].text.find("Access denied"), std::string::npos);
  // The commit forgot the old folder before it tried the new one; the new one is not loaded.
  EXPECT_EQ(form_.scan_folder().path, "");
  EXPECT_TRUE(form_.scan_folder().pages.empty());
  EXPECT_EQ(Text(ControlId::kLabel6), "Zatím nic k odeslání."_cp);

  // The program goes on: with the probe passing, the same commit loads the folder.
  form_.set_write_probe([](std::string_view) {});
  form_.MYMESSAGE();
  EXPECT_EQ(form_.scan_folder().pages.size(), 2u);
}

TEST_F(ScanFolderTest, TheRealWriteProbeFailsInAFolderNobodyCanWrite) {
  // No file can be created in /proc, not even by root.
  if (!platform::FolderExists("/proc")) GTEST_SKIP() << "no /proc on this platform";
  const std::string loaded = MakeFolder("loaded");
  MakeFiles(loaded, {"1001.bmp"});
  ASSERT_TRUE(form_.NactiZadanyAdresar(loaded));
  EXPECT_THROW(form_.NactiZadanyAdresar("/proc"), platform::IoError);
  EXPECT_EQ(form_.scan_folder().path, loaded + kSep);
  EXPECT_EQ(form_.scan_folder().pages.size(), 1u);

  // Through the picker the error reaches the error box; the box and the folder stay.
  toolkit_.SetText(ControlId::kEdit3, loaded);
  toolkit_.AnswerBrowseForFolder("/proc");
  toolkit_.ExpectErrorBox();
  ASSERT_TRUE(toolkit_.Click(ControlId::kButton4));
  EXPECT_NE(toolkit_.dialogs().back().text.find("zq_sken.tmp"), std::string::npos);
  EXPECT_EQ(Text(ControlId::kEdit3), loaded);
  EXPECT_EQ(form_.scan_folder().path, loaded + kSep);
}

TEST_F(ScanFolderTest, ThousandsOfFilesLoadInPageOrder) {
  const std::string scans = MakeFolder("scans");
  constexpr int kPages = 3000;
  for (int i = kPages; i >= 1; --i) MakeFile(scans + kSep + std::to_string(1000 + i) + ".bmp");
  MakeFiles(scans, {"readme.txt", "cover.bmp"});
  ASSERT_TRUE(form_.NactiZadanyAdresar(scans));
  const std::vector<std::string>& pages = form_.scan_folder().pages;
  ASSERT_EQ(pages.size(), static_cast<std::size_t>(kPages + 1));
  EXPECT_EQ(pages[0], scans + kSep + "cover.bmp");
  for (int i = 1; i <= kPages; ++i) {
    ASSERT_EQ(pages[static_cast<std::size_t>(i)], scans + kSep + std::to_string(1000 + i) + ".bmp");
  }
  EXPECT_EQ(NextPage(), scans + kSep + "4001.bmp");
  EXPECT_TRUE(Text(ControlId::kLabel6).starts_with("K odeslání připraveno 3001 stran"_cp));
}

TEST_F(ScanFolderTest, LeavingTheFolderBoxPostsTheCommitWhichRunsAfterTheEvent) {
  const std::string scans = MakeFolder("scans");
  MakeFiles(scans, {"1001.bmp"});
  toolkit_.Type(ControlId::kEdit3, scans);
  toolkit_.MoveFocus(ControlId::kEdit2);
  EXPECT_EQ(toolkit_.posted(), std::deque<unsigned>{32769});
  EXPECT_EQ(form_.scan_folder().path, "");  // not yet
  toolkit_.RunPostedMessages();
  EXPECT_EQ(form_.scan_folder().path, scans + kSep);
  EXPECT_EQ(form_.scan_folder().pages.size(), 1u);
}

TEST_F(ScanFolderTest, TheCommitKeepsTheLoadedFolderWithOrWithoutTheFinalSeparator) {
  const std::string scans = MakeFolder("scans");
  const std::string other = MakeFolder("other");
  MakeFiles(scans, {"1001.bmp"});
  MakeFiles(other, {"1001.bmp", "1002.bmp"});
  toolkit_.AnswerBrowseForFolder(scans);
  ASSERT_TRUE(toolkit_.Click(ControlId::kButton4));
  EXPECT_EQ(Text(ControlId::kEdit3), scans);
  EXPECT_EQ(shell_.picker_start_folder(), scans);
  // A page added behind the program's back shows whether the folder was loaded again.
  MakeFiles(scans, {"1002.bmp"});
  for (const std::string& typed : {scans, scans + kSep}) {
    toolkit_.Type(ControlId::kEdit3, typed);
    toolkit_.MoveFocus(ControlId::kEdit2);
    toolkit_.RunPostedMessages();
    EXPECT_EQ(form_.scan_folder().pages.size(), 1u) << typed;
    EXPECT_EQ(form_.scan_folder().path, scans + kSep);
  }
  // Another existing folder is loaded.
  toolkit_.Type(ControlId::kEdit3, other);
  toolkit_.MoveFocus(ControlId::kEdit2);
  toolkit_.RunPostedMessages();
  EXPECT_EQ(form_.scan_folder().path, other + kSep);
  EXPECT_EQ(form_.scan_folder().pages.size(), 2u);
  // An emptied box forgets the folder and says so.
  toolkit_.Type(ControlId::kEdit3, "");
  toolkit_.MoveFocus(ControlId::kEdit2);
  toolkit_.ExpectMessageBox();
  toolkit_.RunPostedMessages();
  EXPECT_EQ(toolkit_.MessageTexts(), std::vector<std::string>{std::string(kChooseFirst)});
  EXPECT_EQ(form_.scan_folder().path, "");
  EXPECT_EQ(Text(ControlId::kLabel6), "Zatím nic k odeslání."_cp);
}

TEST_F(ScanFolderTest, TheCommitLoadedByATypedFolderWithItsSeparatorDoublesIt) {
  // The typed text is kept as it is and the separator appended: the box still matches.
  const std::string scans = MakeFolder("scans");
  MakeFiles(scans, {"1001.bmp"});
  toolkit_.Type(ControlId::kEdit3, scans + kSep);
  toolkit_.MoveFocus(ControlId::kEdit2);
  toolkit_.RunPostedMessages();
  EXPECT_EQ(form_.scan_folder().path, scans + kSep + kSep);
  EXPECT_EQ(form_.scan_folder().pages.front(), scans + kSep + kSep + "1001.bmp");
  MakeFiles(scans, {"1002.bmp"});
  toolkit_.MoveFocus(ControlId::kEdit3);
  toolkit_.MoveFocus(ControlId::kEdit2);
  toolkit_.RunPostedMessages();
  EXPECT_EQ(form_.scan_folder().pages.size(), 1u);
}

TEST_F(ScanFolderTest, TheCommitRunsInsideTheNestedLoopOfAModalDialog) {
  // A folder typed, then Button4 pressed: the picker opens at the typed folder; while it is open
  // the commit posted by leaving the box loads the typed folder; cancelling keeps it.
  const std::string typed = MakeFolder("typed");
  MakeFiles(typed, {"1001.bmp"});
  toolkit_.Type(ControlId::kEdit3, typed);
  std::string loaded_while_open = "?";
  toolkit_.SetDuringDialog(
      [&](const fakes::FakeToolkit::Dialog&) { loaded_while_open = form_.scan_folder().path; });
  toolkit_.AnswerBrowseForFolder(std::nullopt);
  ASSERT_TRUE(toolkit_.Click(ControlId::kButton4));
  EXPECT_EQ(toolkit_.dialogs().at(0).start_folder, typed);
  EXPECT_EQ(toolkit_.dialogs().at(0).text, "Vyberte složku s naskenovanými soubory"_cp);
  EXPECT_EQ(loaded_while_open, typed + kSep);
  EXPECT_EQ(form_.scan_folder().path, typed + kSep);
  EXPECT_EQ(Text(ControlId::kEdit3), typed);

  // The same with a notice: a commit that fails opens its notice while the first one is open.
  toolkit_.SetDuringDialog({});
  toolkit_.Type(ControlId::kEdit3, folder_.Sub("missing"));
  toolkit_.MoveFocus(ControlId::kEdit2);
  toolkit_.ExpectMessageBox();
  toolkit_.ExpectMessageBox();
  shell_.NotifyUser("first");
  EXPECT_EQ(toolkit_.MessageTexts(),
            (std::vector<std::string>{"first", std::string(kNoSuchFolder)}));
  EXPECT_EQ(form_.scan_folder().path, "");
}

TEST_F(ScanFolderTest, ThePickerLoadsThePickedFolderOverTheTypedOne) {
  const std::string typed = MakeFolder("typed");
  const std::string picked = MakeFolder("picked");
  MakeFiles(typed, {"1001.bmp"});
  MakeFiles(picked, {"1001.bmp", "1002.bmp"});
  toolkit_.Type(ControlId::kEdit3, typed);
  toolkit_.AnswerBrowseForFolder(picked);
  ASSERT_TRUE(toolkit_.Click(ControlId::kButton4));
  toolkit_.RunPostedMessages();
  EXPECT_EQ(form_.scan_folder().path, picked + kSep);
  EXPECT_EQ(Text(ControlId::kEdit3), picked);
  EXPECT_EQ(shell_.picker_start_folder(), picked);

  // A picked folder that fails to load keeps the box; the picker remembers it all the same.
  const std::string empty = MakeFolder("empty");
  toolkit_.AnswerBrowseForFolder(empty);
  toolkit_.ExpectMessageBox();
  ASSERT_TRUE(toolkit_.Click(ControlId::kButton4));
  EXPECT_EQ(toolkit_.dialogs().back().text, kNoFiles);
  EXPECT_EQ(Text(ControlId::kEdit3), picked);
  EXPECT_EQ(form_.scan_folder().path, picked + kSep);
  EXPECT_EQ(shell_.picker_start_folder(), empty);

  // An empty or missing box opens the picker at the remembered folder.
  toolkit_.SetText(ControlId::kEdit3, folder_.Sub("missing"));
  toolkit_.AnswerBrowseForFolder(std::nullopt);
  ASSERT_TRUE(toolkit_.Click(ControlId::kButton4));
  EXPECT_EQ(toolkit_.dialogs().back().start_folder, empty);
}

TEST_F(ScanFolderTest, ACommitDuringASendIsHeldBackUntilTheSendHasEnded) {
  const std::string a = MakeFolder("A");
  const std::string b = MakeFolder("B");
  MakeFiles(a, {"1001.bmp", "1002.bmp"});
  MakeFiles(b, {"1001.bmp"});
  toolkit_.AnswerBrowseForFolder(a);
  ASSERT_TRUE(toolkit_.Click(ControlId::kButton4));
  toolkit_.Type(ControlId::kEdit3, b);

  // The send button takes the focus: the commit is posted and runs while the send lets the
  // window process its messages.
  form_.BeginSend();
  toolkit_.MoveFocus(ControlId::kButton3);
  toolkit_.ProcessMessages();
  EXPECT_EQ(form_.scan_folder().path, a + kSep);
  EXPECT_EQ(form_.scan_folder().pages.size(), 2u);
  // The send's reset forgets the folder and empties the box; then the held commit runs and
  // finds nothing to do.
  form_.ClearDirInfo(true);
  form_.EndSend();
  EXPECT_EQ(toolkit_.posted(), std::deque<unsigned>{32769});
  toolkit_.RunPostedMessages();
  EXPECT_EQ(form_.scan_folder().path, "");
  EXPECT_TRUE(toolkit_.MessageTexts().empty());

  // Without a reset, the held commit loads the typed folder after the send.
  toolkit_.AnswerBrowseForFolder(a);
  ASSERT_TRUE(toolkit_.Click(ControlId::kButton4));
  toolkit_.Type(ControlId::kEdit3, b);
  form_.BeginSend();
  toolkit_.MoveFocus(ControlId::kButton3);
  toolkit_.RunPostedMessages();
  EXPECT_EQ(form_.scan_folder().path, a + kSep);
  form_.EndSend();
  toolkit_.RunPostedMessages();
  EXPECT_EQ(form_.scan_folder().path, b + kSep);
  // A send without a commit posts nothing.
  form_.BeginSend();
  form_.EndSend();
  EXPECT_TRUE(toolkit_.posted().empty());
}

TEST_F(ScanFolderTest, ASendEndedByAPlatformErrorStillReleasesTheHeldCommit) {
  const std::string b = MakeFolder("B");
  MakeFiles(b, {"1001.bmp"});
  toolkit_.Type(ControlId::kEdit3, b);
  try {
    ui::SendInProgress send(form_);
    toolkit_.MoveFocus(ControlId::kButton3);
    toolkit_.RunPostedMessages();
    EXPECT_TRUE(form_.send_in_progress());
    throw platform::IoError("disk full");
  } catch (const platform::IoError&) {
  }
  EXPECT_FALSE(form_.send_in_progress());
  EXPECT_EQ(form_.scan_folder().path, "");
  toolkit_.RunPostedMessages();
  EXPECT_EQ(form_.scan_folder().path, b + kSep);
}

class NewFolderTest : public FormTest {
 protected:
  NewFolderTest() { CreateWithScanner({}); }
};

TEST_F(NewFolderTest, NewScanFoldersAreNumberedAfterTheExistingOnes) {
  form_.CreateDirForScans();
  EXPECT_EQ(form_.scan_folder().path, AppFolder() + "sken_tmp1" + kSep);
  EXPECT_TRUE(platform::FolderExists(AppFolder() + "sken_tmp1"));
  MakeFolder("Prelavka" + kSep + "sken_tmp2");
  form_.CreateDirForScans();
  EXPECT_EQ(form_.scan_folder().path, AppFolder() + "sken_tmp3" + kSep);
  EXPECT_EQ(form_.scan_folder().display_text,
            ui::ShortenFolderPath(AppFolder() + "sken_tmp3" + kSep));
  EXPECT_EQ(form_.scan_folder().page_counter->NextName(),
            AppFolder() + "sken_tmp3" + kSep + "1001.bmp");
  EXPECT_TRUE(form_.scan_folder().pages.empty());
}

TEST_F(NewFolderTest, WhenTheFolderCannotBeMadeTheUserNamesOneUntilItWorks) {
  // The application folder is gone, so sken_tmp1 cannot be made in it.
  std::filesystem::remove(platform::NativePath(AppFolder()));
  const std::string existing = MakeFolder("existing");
  const std::string wanted = folder_.Sub("wanted");
  const std::string unreachable = folder_.Sub("no") + kSep + "such" + kSep + "parent";
  toolkit_.ExpectMessageBox();
  toolkit_.AnswerAskForNewFolder(existing);
  toolkit_.ExpectMessageBox();
  toolkit_.AnswerAskForNewFolder(unreachable);
  toolkit_.ExpectMessageBox();
  toolkit_.AnswerAskForNewFolder(wanted);
  form_.CreateDirForScans();

  EXPECT_EQ(
      toolkit_.MessageTexts(),
      (std::vector<std::string>{
          std::string("Nepodařilo se vytvořit složku "_cp) + AppFolder() + "sken_tmp1" + kSep +
              "\r\n" + std::string("V následujícím dialogu zadejte jméno nové složky."_cp),
          std::string("Je nutno zadat dosud neexistující složku."_cp),
          std::string("Nepodařilo se vytvořit ani složku "_cp) + unreachable}));
  std::vector<std::string> starts;
  for (const auto& dialog : toolkit_.dialogs()) {
    if (dialog.kind == fakes::FakeToolkit::Answer::Kind::kAskForNewFolder) {
      starts.push_back(dialog.start_folder);
    }
  }
  EXPECT_EQ(starts, (std::vector<std::string>{AppFolder(), existing, AppFolder()}));
  EXPECT_EQ(form_.scan_folder().path, wanted + kSep);
  EXPECT_TRUE(platform::FolderExists(wanted));
  EXPECT_EQ(form_.scan_folder().page_counter->NextName(), wanted + kSep + "1001.bmp");
}

TEST_F(NewFolderTest, CancellingTheDialogLeavesNoFolderAndNoCounter) {
  std::filesystem::remove(platform::NativePath(AppFolder()));
  toolkit_.ExpectMessageBox();
  toolkit_.AnswerAskForNewFolder(std::nullopt);
  toolkit_.ExpectMessageBox();
  form_.CreateDirForScans();
  EXPECT_EQ(toolkit_.MessageTexts().back(),
            "Nebyla vytvořena složka pro naskenované soubory, ve skenování nelze pokračovat."_cp);
  EXPECT_EQ(form_.scan_folder().path, "");
  EXPECT_FALSE(form_.scan_folder().page_counter.has_value());
  EXPECT_EQ(Log().find("sken_tmp1") != std::string::npos, true);
}

}  // namespace
}  // namespace ui_test
