// The window: creation, the mode rule, the check-box rules, EnableForm and the batch lock.
#include <gtest/gtest.h>

#include <string>

#include "platform/Cp1250.h"
#include "tests/ui/FormFixture.h"

namespace ui_test {
namespace {

using namespace text::literals;
using platform::ControlId;

struct ExpectedControl {
  ControlId control;
  std::string_view text;
  bool enabled;
  bool checked;
  bool visible;
};

TEST_F(FormTest, CreationWithoutAScannerOffersOnlyMode2) {
  CreateWithoutScanner();
  EXPECT_EQ(toolkit_.Caption(), "Prelavka do ZQ TRIMA, verze 1.125");
  const ExpectedControl expected[] = {
      {ControlId::kLabel7, "Chci", true, false, true},
      {ControlId::kRadioButton1, "naskenovat stránky do souborů a odeslat je."_cp, false, false,
       true},
      {ControlId::kRadioButton2, "odeslat již naskenované soubory."_cp, true, true, true},
      {ControlId::kRadioButton3, "přidat k již naskenovaným další a odeslat."_cp, false, false,
       true},
      {ControlId::kLabel5, "Soubory k odeslání"_cp, true, false, true},
      {ControlId::kEdit3, "", true, false, true},
      {ControlId::kButton4, "Vyhledat...", true, false, true},
      {ControlId::kLabel1, "Barevnost", false, false, true},
      {ControlId::kComboBox1, "Stupně šedi"_cp, false, false, true},
      {ControlId::kLabel2, "Rozlišení"_cp, false, false, true},
      {ControlId::kComboBox2, "", false, false, true},
      {ControlId::kEdit1, "200", false, false, false},
      {ControlId::kLabel2a, "dpi", false, false, true},
      {ControlId::kLabel9,
       "Pro rozpoznávání odpovědních listů je nutné ponechat\r\nbarevnost 'Stupně šedi' a "
       "rozlišení 200."_cp,
       false, false, true},
      {ControlId::kCheckBox2, "", true, false, true},
      {ControlId::kLabel11, "Oboustranně"_cp, true, false, true},
      {ControlId::kButton1, "Skenovat z plochy", false, false, true},
      {ControlId::kButton2, "Skenovat z podavače"_cp, false, false, true},
      {ControlId::kLabel6, "Zatím nic nenaskenováno."_cp, true, false, true},
      {ControlId::kLabel3, "Učo"_cp, true, false, true},
      {ControlId::kEdit2, "", true, false, true},
      {ControlId::kLabel4, "Průvodka"_cp, true, false, true},
      {ControlId::kCheckBox1, "", true, false, true},
      {ControlId::kButton3, "Odeslat", true, false, true},
      {ControlId::kProgressBar1, "", true, false, true},
      {ControlId::kLabel8, " ", true, false, true},
  };
  ASSERT_EQ(std::size(expected), static_cast<std::size_t>(platform::kControlCount));
  for (const ExpectedControl& e : expected) {
    SCOPED_TRACE(std::string(platform::ControlName(e.control)));
    EXPECT_EQ(Text(e.control), e.text);
    EXPECT_EQ(Enabled(e.control), e.enabled);
    EXPECT_EQ(Checked(e.control), e.checked);
    EXPECT_EQ(toolkit_.Visible(e.control), e.visible);
  }
  EXPECT_EQ(toolkit_.Position(ControlId::kProgressBar1), 0);
  EXPECT_EQ(form_.Mode(), 2);
  EXPECT_FALSE(form_.scanner_flags().available);
}

TEST_F(FormTest, CreationWithAScannerSelectsMode1AndRunsTheScannerHalfInOrder) {
  std::vector<std::string> steps;
  form_.set_scanner_startup(
      {.attach_trace = [&] { steps.push_back("trace, Label7='" + Text(ControlId::kLabel7) + "'"); },
       .open =
           [&] {
             steps.push_back("open, Label7='" + Text(ControlId::kLabel7) + "'");
             return true;
           },
       .describe = [&] { steps.push_back("describe, mode " + std::to_string(form_.Mode())); }});
  form_.FormCreate();
  EXPECT_EQ(steps, (std::vector<std::string>{"trace, Label7=''", "open, Label7='Chci'",
                                             "describe, mode 1"}));
  EXPECT_TRUE(form_.scanner_flags().available);
  EXPECT_TRUE(Checked(ControlId::kRadioButton1));
  EXPECT_TRUE(Enabled(ControlId::kRadioButton3));
  EXPECT_EQ(Text(ControlId::kLabel6), "Zatím nic k odeslání."_cp);
  EXPECT_FALSE(Enabled(ControlId::kEdit3));
}

TEST_F(FormTest, TheModeRuleFollowsTheModeAndTheScannerFlags) {
  const struct {
    int mode;
    bool flatbed, feeder, duplex;
    bool both_sides_before;
    bool button1, button2, both_sides_enabled, both_sides_checked;
  } rows[] = {
      {1, true, true, true, false, true, true, true, false},
      {1, true, true, true, true, false, true, true, true},
      {1, true, true, false, true, true, true, false, false},   // unchecked when disabled
      {1, true, false, true, false, true, false, true, false},  // flatbed only
      {1, true, false, true, true, false, false, true, true},
      {1, false, true, true, false, false, true, true, false},  // feeder only
      {2, true, true, true, false, false, false, true, false},
      {2, true, true, false, true, false, false, true, true},  // mode 2 chooses the pictures
      {2, false, false, false, false, false, false, true, false},
      {3, true, true, false, false, true, true, false, false},
      {3, true, true, true, true, false, true, true, true},
      {3, false, false, true, false, false, false, true, false},
  };
  CreateWithScanner({});
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message()
                 << "mode " << row.mode << " flatbed " << row.flatbed << " feeder " << row.feeder
                 << " duplex " << row.duplex << " both sides " << row.both_sides_before);
    form_.scanner_flags() = {true, row.flatbed, row.feeder, row.duplex};
    toolkit_.SetChecked(ControlId::kCheckBox2, row.both_sides_before);
    for (int repeat = 0; repeat < 2; ++repeat) {  // idempotent
      form_.RadioButtonClick(row.mode);
      EXPECT_EQ(form_.Mode(), row.mode);
      for (int mode = 1; mode <= 3; ++mode) {
        EXPECT_EQ(Checked(ControlId(static_cast<int>(ControlId::kRadioButton1) + mode - 1)),
                  mode == row.mode);
      }
      EXPECT_EQ(Enabled(ControlId::kButton1), row.button1);
      EXPECT_EQ(Enabled(ControlId::kButton2), row.button2);
      EXPECT_EQ(Enabled(ControlId::kCheckBox2), row.both_sides_enabled);
      EXPECT_EQ(Enabled(ControlId::kLabel11), row.both_sides_enabled);
      EXPECT_EQ(Checked(ControlId::kCheckBox2), row.both_sides_checked);
      for (const ControlId control :
           {ControlId::kLabel1, ControlId::kLabel2, ControlId::kLabel2a, ControlId::kLabel9,
            ControlId::kEdit1, ControlId::kComboBox1, ControlId::kComboBox2}) {
        EXPECT_EQ(Enabled(control), row.mode != 2) << platform::ControlName(control);
      }
      for (const ControlId control : {ControlId::kLabel5, ControlId::kEdit3, ControlId::kButton4}) {
        EXPECT_EQ(Enabled(control), row.mode != 1) << platform::ControlName(control);
      }
    }
  }
}

TEST_F(FormTest, Mode1ForgetsTheFolderAndRemembersTheBoxAsPickerStart) {
  CreateWithScanner({});
  const std::string scans = MakeFolder("scans");
  MakeFiles(scans, {"1001.bmp"});
  toolkit_.Click(ControlId::kRadioButton2);
  ASSERT_TRUE(form_.NactiZadanyAdresar(scans));
  toolkit_.SetText(ControlId::kEdit3, scans);
  toolkit_.Click(ControlId::kRadioButton1);
  EXPECT_EQ(form_.scan_folder().path, "");
  EXPECT_TRUE(form_.scan_folder().pages.empty());
  EXPECT_EQ(Text(ControlId::kEdit3), "");
  EXPECT_EQ(Text(ControlId::kLabel6), "Zatím nic k odeslání."_cp);
  EXPECT_EQ(shell_.picker_start_folder(), scans);

  // A box naming no folder is emptied without becoming the start folder.
  toolkit_.Click(ControlId::kRadioButton2);
  toolkit_.SetText(ControlId::kEdit3, folder_.Sub("missing"));
  toolkit_.Click(ControlId::kRadioButton1);
  EXPECT_EQ(Text(ControlId::kEdit3), "");
  EXPECT_EQ(shell_.picker_start_folder(), scans);
}

TEST_F(FormTest, TheCoverSheetLabelTogglesItsBoxAndKeepsThePersonNumber) {
  CreateWithoutScanner();
  toolkit_.Type(ControlId::kEdit2, "12345");
  ASSERT_TRUE(toolkit_.Click(ControlId::kLabel4));
  EXPECT_TRUE(Checked(ControlId::kCheckBox1));
  EXPECT_FALSE(Enabled(ControlId::kEdit2));
  EXPECT_FALSE(Enabled(ControlId::kLabel3));
  EXPECT_EQ(Text(ControlId::kEdit2), "12345");
  ASSERT_TRUE(toolkit_.Click(ControlId::kLabel4));
  EXPECT_FALSE(Checked(ControlId::kCheckBox1));
  EXPECT_TRUE(Enabled(ControlId::kEdit2));
  EXPECT_TRUE(Enabled(ControlId::kLabel3));
  // A click on the box itself applies the same rule.
  ASSERT_TRUE(toolkit_.Click(ControlId::kCheckBox1));
  EXPECT_TRUE(Checked(ControlId::kCheckBox1));
  EXPECT_FALSE(Enabled(ControlId::kEdit2));
  EXPECT_FALSE(Enabled(ControlId::kLabel3));
}

TEST_F(FormTest, BothSidesCanOnlyBeScannedThroughTheFeeder) {
  CreateWithScanner({});
  ASSERT_TRUE(toolkit_.Click(ControlId::kCheckBox2));
  EXPECT_FALSE(Enabled(ControlId::kButton1));
  EXPECT_TRUE(Enabled(ControlId::kButton2));
  ASSERT_TRUE(toolkit_.Click(ControlId::kLabel11));
  EXPECT_FALSE(Checked(ControlId::kCheckBox2));
  EXPECT_TRUE(Enabled(ControlId::kButton1));
  ASSERT_TRUE(toolkit_.Click(ControlId::kLabel11));
  EXPECT_TRUE(Checked(ControlId::kCheckBox2));
  EXPECT_FALSE(Enabled(ControlId::kButton1));

  // Without a usable flatbed, unchecking does not enable Button1.
  form_.scanner_flags().flatbed = false;
  ASSERT_TRUE(toolkit_.Click(ControlId::kCheckBox2));
  EXPECT_FALSE(Enabled(ControlId::kButton1));
}

TEST_F(FormTest, EnableFormFalseThenTrueGivesTheModeRuleBack) {
  CreateWithoutScanner();
  ASSERT_TRUE(toolkit_.Click(ControlId::kCheckBox1));
  toolkit_.SetEnabled(ControlId::kProgressBar1, false);
  form_.EnableForm(false);
  for (const ControlId control : platform::AllControls()) {
    if (control == ControlId::kProgressBar1 || control == ControlId::kLabel8) continue;
    EXPECT_FALSE(Enabled(control)) << platform::ControlName(control);
  }
  EXPECT_FALSE(Enabled(ControlId::kProgressBar1));  // not touched
  EXPECT_TRUE(Enabled(ControlId::kLabel8));

  form_.EnableForm(true);
  EXPECT_FALSE(Enabled(ControlId::kProgressBar1));
  EXPECT_EQ(form_.Mode(), 2);
  EXPECT_FALSE(Enabled(ControlId::kRadioButton1));  // no scanner
  EXPECT_FALSE(Enabled(ControlId::kRadioButton3));
  EXPECT_FALSE(Enabled(ControlId::kLabel3));  // the cover sheet is still enclosed
  EXPECT_FALSE(Enabled(ControlId::kEdit2));
  for (const ControlId control : {ControlId::kLabel1, ControlId::kComboBox1, ControlId::kEdit1,
                                  ControlId::kButton1, ControlId::kButton2}) {
    EXPECT_FALSE(Enabled(control)) << platform::ControlName(control);  // mode 2
  }
  for (const ControlId control :
       {ControlId::kLabel7, ControlId::kRadioButton2, ControlId::kLabel5, ControlId::kEdit3,
        ControlId::kButton4, ControlId::kLabel6, ControlId::kButton3, ControlId::kLabel4,
        ControlId::kCheckBox1, ControlId::kLabel11, ControlId::kCheckBox2}) {
    EXPECT_TRUE(Enabled(control)) << platform::ControlName(control);
  }

  // With a scanner the scanning modes come back as well.
  form_.scanner_flags().available = true;
  form_.EnableForm(false);
  form_.EnableForm(true);
  EXPECT_TRUE(Enabled(ControlId::kRadioButton1));
  EXPECT_TRUE(Enabled(ControlId::kRadioButton3));
}

TEST_F(FormTest, TheBatchLockHoldsTheModeUntilItIsLifted) {
  CreateWithScanner({});
  form_.ApplyBatchLock();
  EXPECT_FALSE(Enabled(ControlId::kRadioButton2));
  EXPECT_FALSE(Enabled(ControlId::kRadioButton3));
  EXPECT_TRUE(Enabled(ControlId::kRadioButton1));
  EXPECT_FALSE(Enabled(ControlId::kCheckBox2));
  EXPECT_FALSE(Enabled(ControlId::kLabel11));
  EXPECT_FALSE(toolkit_.Click(ControlId::kRadioButton2));  // a disabled control delivers no click
  form_.LiftBatchLock();
  for (const ControlId control :
       {ControlId::kRadioButton1, ControlId::kRadioButton2, ControlId::kRadioButton3,
        ControlId::kCheckBox2, ControlId::kLabel11}) {
    EXPECT_TRUE(Enabled(control)) << platform::ControlName(control);
  }

  ASSERT_TRUE(toolkit_.Click(ControlId::kRadioButton3));
  form_.ApplyBatchLock();
  for (const ControlId control :
       {ControlId::kRadioButton1, ControlId::kRadioButton2, ControlId::kEdit3, ControlId::kButton4,
        ControlId::kLabel5, ControlId::kCheckBox2, ControlId::kLabel11}) {
    EXPECT_FALSE(Enabled(control)) << platform::ControlName(control);
  }
  EXPECT_TRUE(Enabled(ControlId::kRadioButton3));
  form_.LiftBatchLock();
  EXPECT_EQ(form_.Mode(), 3);
  EXPECT_TRUE(Enabled(ControlId::kEdit3));
  EXPECT_TRUE(Enabled(ControlId::kRadioButton1));
}

TEST_F(FormTest, LiftingTheLockInMode2LeavesTheBothSidesBoxUsableWithoutDuplex) {
  CreateWithScanner({.available = true, .flatbed = true, .feeder = true, .duplex = false});
  ASSERT_TRUE(toolkit_.Click(ControlId::kRadioButton2));
  ASSERT_TRUE(toolkit_.Click(ControlId::kCheckBox2));
  form_.EnableForm(false);
  form_.EnableForm(true);
  form_.LiftBatchLock();
  // Never disabled while checked: the user can still choose which pictures are sent.
  EXPECT_TRUE(Enabled(ControlId::kCheckBox2));
  EXPECT_TRUE(Checked(ControlId::kCheckBox2));
  ASSERT_TRUE(toolkit_.Click(ControlId::kRadioButton1));
  EXPECT_FALSE(Enabled(ControlId::kCheckBox2));
  EXPECT_FALSE(Checked(ControlId::kCheckBox2));
}

TEST_F(FormTest, AProcessEndDuringCreationIsNotShownAsAnError) {
  // A fatal notice of the scanner session ends the process; the event dispatch lets it through.
  ui::ScannerStartup startup;
  startup.open = [this]() -> bool {
    shell_.NotifyFatal("Ovladač skeneru neumí měřit v palcích."_cp);
  };
  form_.set_scanner_startup(startup);
  toolkit_.ExpectMessageBox();
  EXPECT_THROW(platform::DispatchEvent(toolkit_, [&] { form_.FormCreate(); }), fakes::ExitCalled);
  EXPECT_EQ(toolkit_.dialogs().size(), 1u);
}

TEST_F(FormTest, ClicksReachTheHandlersOfEveryControl) {
  CreateWithScanner({});
  ASSERT_TRUE(toolkit_.Click(ControlId::kRadioButton3));
  EXPECT_EQ(form_.Mode(), 3);
  EXPECT_TRUE(Enabled(ControlId::kEdit3));
  ASSERT_TRUE(toolkit_.Click(ControlId::kRadioButton2));
  EXPECT_FALSE(Enabled(ControlId::kButton1));
  ASSERT_TRUE(toolkit_.Click(ControlId::kRadioButton1));
  EXPECT_FALSE(Enabled(ControlId::kEdit3));
  // Labels that are no caption of a box do nothing.
  ASSERT_TRUE(toolkit_.Click(ControlId::kLabel7));
  EXPECT_EQ(form_.Mode(), 1);
}

}  // namespace
}  // namespace ui_test
