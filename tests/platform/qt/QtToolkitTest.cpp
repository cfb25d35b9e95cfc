// The Qt toolkit with real widgets on the offscreen platform: layout, focus, texts, events,
// the posted message, and dialogs answered by the test.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTemporaryDir>
#include <QTest>
#include <map>
#include <stdexcept>
#include <thread>

#include "platform/Cp1250.h"
#include "platform/FileSystem.h"
#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtText.h"
#include "platform/qt/QtToolkit.h"
#include "tests/platform/qt/QtTestSupport.h"

namespace {

using namespace text::literals;
using platform::ControlId;
using qt_tests::DialogAnswerer;
using qt_tests::Pump;
using qt_tests::Recorder;

// The texts the window shows once created, and the longest texts it shows later.
const std::map<ControlId, std::string>& CreationTexts() {
  static const std::map<ControlId, std::string> texts = {
      {ControlId::kLabel7, std::string("Chci"_cp)},
      {ControlId::kRadioButton1, std::string("naskenovat stránky do souborů a odeslat je."_cp)},
      {ControlId::kRadioButton2, std::string("odeslat již naskenované soubory."_cp)},
      {ControlId::kRadioButton3, std::string("přidat k již naskenovaným další a odeslat."_cp)},
      {ControlId::kLabel5, std::string("Soubory k odeslání"_cp)},
      {ControlId::kButton4, std::string("Vyhledat..."_cp)},
      {ControlId::kLabel1, std::string("Barevnost"_cp)},
      {ControlId::kComboBox1, std::string("Stupně šedi"_cp)},
      {ControlId::kLabel2, std::string("Rozlišení"_cp)},
      {ControlId::kComboBox2, std::string("1200"_cp)},
      {ControlId::kEdit1, std::string("1200"_cp)},
      {ControlId::kLabel2a, std::string("dpi"_cp)},
      {ControlId::kLabel9,
       std::string("Pro rozpoznávání odpovědních listů je nutné ponechat\r\nbarevnost 'Stupně "
                   "šedi' a rozlišení 200."_cp)},
      {ControlId::kLabel11, std::string("Oboustranně"_cp)},
      {ControlId::kButton1, std::string("Skenovat z plochy"_cp)},
      {ControlId::kButton2, std::string("Skenovat z podavače"_cp)},
      {ControlId::kLabel6,
       std::string(
           "K odeslání připraveno 1234 stran ve složce\r\n.../dokumenty/Prelavka/sken_tmp12"_cp)},
      {ControlId::kLabel3, std::string("Učo"_cp)},
      {ControlId::kEdit2, std::string("1234567"_cp)},
      {ControlId::kLabel4, std::string("Průvodka"_cp)},
      {ControlId::kButton3, std::string("Odeslat"_cp)},
      {ControlId::kLabel8, std::string("Probíhá odesílání dat na server ZQ TRIMA ..."_cp)},
  };
  return texts;
}

class QtToolkitTest : public testing::Test {
 protected:
  void SetUp() override {
    toolkit_.SetEvents(&recorder_);
    for (const auto& [control, text] : CreationTexts()) toolkit_.SetText(control, text);
    toolkit_.SetCaption("Prelavka do ZQ TRIMA, verze 1.125"_cp);
  }

  // Shows the window and makes it the active one, so the keyboard focus moves for real.
  void ShowActive() {
    toolkit_.Show();
    QApplication::setActiveWindow(window());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window(), 5000));
  }

  QWidget* window() { return toolkit_.window(); }
  QWidget* widget(ControlId control) { return toolkit_.widget(control); }
  void ClickWidget(ControlId control) { QTest::mouseClick(widget(control), Qt::LeftButton); }

  platform::QtToolkit toolkit_;
  Recorder recorder_;
};

// --- Layout -------------------------------------------------------------------------------

TEST_F(QtToolkitTest, WindowIsFixedDialogOfTheDesignedSize) {
  EXPECT_EQ(window()->size(), QSize(platform::kClientWidth, platform::kClientHeight));
  EXPECT_EQ(window()->minimumSize(), window()->maximumSize());
  const Qt::WindowFlags flags = window()->windowFlags();
  EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_EQ(toolkit_.Caption(), "Prelavka do ZQ TRIMA, verze 1.125"_cp);
}

TEST_F(QtToolkitTest, EveryControlLiesInsideTheWindowAndNoneOverlaps) {
  const QRect client(0, 0, platform::kClientWidth, platform::kClientHeight);
  for (const ControlId control : platform::AllControls()) {
    EXPECT_TRUE(client.contains(widget(control)->geometry()))
        << platform::ControlName(control) << " lies outside the window";
  }
  for (const ControlId a : platform::AllControls()) {
    for (const ControlId b : platform::AllControls()) {
      if (a >= b) continue;
      // The two resolution controls share one place; only one of them is shown.
      if (a == ControlId::kComboBox2 && b == ControlId::kEdit1) {
        EXPECT_EQ(widget(a)->geometry(), widget(b)->geometry());
        continue;
      }
      EXPECT_FALSE(widget(a)->geometry().intersects(widget(b)->geometry()))
          << platform::ControlName(a) << " overlaps " << platform::ControlName(b);
    }
  }
}

TEST_F(QtToolkitTest, ControlsStandInTheirRowsFromLeftToRight) {
  const std::vector<std::vector<ControlId>> rows = {
      {ControlId::kLabel7, ControlId::kRadioButton1},
      {ControlId::kRadioButton2},
      {ControlId::kRadioButton3},
      {ControlId::kLabel5},
      {ControlId::kEdit3, ControlId::kButton4},
      {ControlId::kLabel1, ControlId::kComboBox1, ControlId::kLabel2, ControlId::kComboBox2,
       ControlId::kLabel2a},
      {ControlId::kLabel9},
      {ControlId::kCheckBox2, ControlId::kLabel11},
      {ControlId::kButton1, ControlId::kButton2},
      {ControlId::kLabel6},
      {ControlId::kLabel3, ControlId::kEdit2, ControlId::kLabel4, ControlId::kCheckBox1,
       ControlId::kButton3},
      {ControlId::kProgressBar1},
      {ControlId::kLabel8},
  };
  int previous_bottom = -1;
  for (const std::vector<ControlId>& row : rows) {
    int top = platform::kClientHeight;
    int bottom = 0;
    for (const ControlId control : row) {
      top = std::min(top, widget(control)->geometry().top());
      bottom = std::max(bottom, widget(control)->geometry().bottom());
    }
    EXPECT_GT(top, previous_bottom) << "row of " << platform::ControlName(row.front());
    previous_bottom = bottom;
    for (std::size_t i = 1; i < row.size(); ++i) {
      const QRect left = widget(row[i - 1])->geometry();
      const QRect right = widget(row[i])->geometry();
      EXPECT_LT(left.right(), right.left()) << platform::ControlName(row[i]);
      // In one row: the vertical centres are within a few pixels of each other.
      EXPECT_LE(std::abs(left.center().y() - right.center().y()), 3)
          << platform::ControlName(row[i]);
    }
  }
}

// Width of the widest line of a text in the widget's font.
int TextWidth(QWidget* widget, const QString& text) {
  int widest = 0;
  for (const QString& line : text.split(QLatin1Char('\n'))) {
    widest = std::max(widest, widget->fontMetrics().horizontalAdvance(line));
  }
  return widest;
}

TEST_F(QtToolkitTest, TextsAreNotCutAtTheWindowFont) {
  EXPECT_EQ(QFontInfo(window()->font()).pixelSize(), 11);
  for (const auto& [control, text] : CreationTexts()) {
    QWidget* target = widget(control);
    const QString shown = platform::ToDisplayText(text);
    const int lines = static_cast<int>(shown.count(QLatin1Char('\n'))) + 1;
    const char* name = platform::ControlName(control).data();
    if (auto* label = qobject_cast<QLabel*>(target)) {
      EXPECT_LE(TextWidth(label, shown), label->contentsRect().width()) << name;
      EXPECT_LE(lines * label->fontMetrics().height(), label->contentsRect().height()) << name;
    } else if (qobject_cast<QRadioButton*>(target) != nullptr ||
               qobject_cast<QCheckBox*>(target) != nullptr) {
      EXPECT_LE(target->sizeHint().width(), target->width()) << name;
      EXPECT_LE(target->sizeHint().height(), target->height()) << name;
    } else if (auto* button = qobject_cast<QPushButton*>(target)) {
      const int margins =
          2 * (button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button) +
               button->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button));
      EXPECT_LE(TextWidth(button, shown) + margins, button->width()) << name;
      EXPECT_LE(button->minimumSizeHint().height(), button->height()) << name;
    } else if (auto* combo = qobject_cast<QComboBox*>(target)) {
      QStyleOptionComboBox option;
      option.initFrom(combo);
      option.editable = true;
      option.frame = true;
      option.subControls = QStyle::SC_All;
      const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                         QStyle::SC_ComboBoxEditField, combo);
      for (const QString& item :
           {shown, QStringLiteral("Barevně"), QStringLiteral("Stupně šedi")}) {
        if (control == ControlId::kComboBox2 && item != shown) continue;
        // The edit field draws its text with a margin of 2 pixels on each side.
        EXPECT_LE(TextWidth(combo, item) + 4, field.width()) << name << " " << item.toStdString();
      }
      EXPECT_LE(combo->minimumSizeHint().height(), combo->height()) << name;
    } else if (auto* edit = qobject_cast<QLineEdit*>(target)) {
      EXPECT_LE(TextWidth(edit, shown) + 8, edit->width()) << name;
      EXPECT_LE(edit->minimumSizeHint().height(), edit->height()) << name;
    }
  }
}

TEST_F(QtToolkitTest, KeyboardFocusFollowsTheDesignedOrder) {
  const std::vector<ControlId> expected = {
      ControlId::kRadioButton1, ControlId::kRadioButton2, ControlId::kRadioButton3,
      ControlId::kEdit3,        ControlId::kButton4,      ControlId::kComboBox1,
      ControlId::kComboBox2,    ControlId::kEdit1,        ControlId::kCheckBox2,
      ControlId::kButton1,      ControlId::kButton2,      ControlId::kEdit2,
      ControlId::kCheckBox1,    ControlId::kButton3};
  std::map<QWidget*, ControlId> controls;
  for (const ControlId control : platform::AllControls()) controls[widget(control)] = control;

  std::vector<ControlId> order;
  QWidget* current = widget(ControlId::kRadioButton1);
  do {
    const auto found = controls.find(current);
    if (found != controls.end() && (current->focusPolicy() & Qt::TabFocus)) {
      order.push_back(found->second);
    }
    current = current->nextInFocusChain();
  } while (current != widget(ControlId::kRadioButton1) && order.size() <= controls.size());
  EXPECT_EQ(order, expected);
  for (const ControlId control : platform::AllControls()) {
    if (qobject_cast<QLabel*>(widget(control)) != nullptr) {
      EXPECT_EQ(widget(control)->focusPolicy(), Qt::NoFocus) << platform::ControlName(control);
    }
  }
}

// --- Control state ------------------------------------------------------------------------

TEST_F(QtToolkitTest, TextsCrossInCp1250AndShowAsUnicode) {
  const std::string czech = std::string("Příliš žluťoučký kůň úpěl ďábelské ódy"_cp);
  for (const ControlId control :
       {ControlId::kEdit3, ControlId::kComboBox1, ControlId::kLabel6, ControlId::kButton3}) {
    toolkit_.SetText(control, czech);
    EXPECT_EQ(toolkit_.Text(control), czech) << platform::ControlName(control);
  }
  EXPECT_EQ(static_cast<QLineEdit*>(widget(ControlId::kEdit3))->text(),
            QString::fromUtf8("Příliš žluťoučký kůň úpěl ďábelské ódy"));
  // Typed characters cp1250 lacks read as "?"; a label keeps the CR LF it was given.
  static_cast<QLineEdit*>(widget(ControlId::kEdit2))->setText(QString::fromUtf8("12€3ж"));
  EXPECT_EQ(toolkit_.Text(ControlId::kEdit2),
            "12\x80"
            "3?");
  toolkit_.SetText(ControlId::kLabel6, "a\r\nb & c");
  EXPECT_EQ(toolkit_.Text(ControlId::kLabel6), "a\r\nb & c");
  EXPECT_EQ(static_cast<QLabel*>(widget(ControlId::kLabel6))->text(), QStringLiteral("a\nb & c"));
  toolkit_.SetText(ControlId::kButton3, "A & B");
  EXPECT_EQ(toolkit_.Text(ControlId::kButton3), "A & B");
  EXPECT_EQ(static_cast<QPushButton*>(widget(ControlId::kButton3))->text(),
            QStringLiteral("A && B"));
}

TEST_F(QtToolkitTest, AddingItemsKeepsTheTextOfTheDropDownBox) {
  toolkit_.SetText(ControlId::kComboBox1, "Stupně šedi"_cp);
  toolkit_.AddItem(ControlId::kComboBox1, "Barevně"_cp);
  toolkit_.AddItem(ControlId::kComboBox1, "Stupně šedi"_cp);
  EXPECT_EQ(toolkit_.Text(ControlId::kComboBox1), "Stupně šedi"_cp);
  EXPECT_EQ(toolkit_.Items(ControlId::kComboBox1),
            (std::vector<std::string>{std::string("Barevně"_cp), std::string("Stupně šedi"_cp)}));
  toolkit_.SetText(ControlId::kComboBox2, "");
  toolkit_.AddItem(ControlId::kComboBox2, "300");
  EXPECT_EQ(toolkit_.Text(ControlId::kComboBox2), "");
}

TEST_F(QtToolkitTest, RadioButtonsAreExclusiveAndCanAllBeUnchecked) {
  toolkit_.SetChecked(ControlId::kRadioButton1, true);
  toolkit_.SetChecked(ControlId::kRadioButton3, true);
  EXPECT_FALSE(toolkit_.Checked(ControlId::kRadioButton1));
  EXPECT_TRUE(toolkit_.Checked(ControlId::kRadioButton3));
  toolkit_.SetChecked(ControlId::kRadioButton3, false);
  EXPECT_FALSE(toolkit_.Checked(ControlId::kRadioButton3));
  toolkit_.SetChecked(ControlId::kRadioButton2, true);
  EXPECT_TRUE(toolkit_.Checked(ControlId::kRadioButton2));
  toolkit_.SetChecked(ControlId::kCheckBox1, true);
  EXPECT_TRUE(toolkit_.Checked(ControlId::kCheckBox1));
  EXPECT_TRUE(toolkit_.Checked(ControlId::kRadioButton2));
}

TEST_F(QtToolkitTest, VisibilityAndProgressAreTheControls) {
  toolkit_.SetVisible(ControlId::kComboBox2, false);
  EXPECT_FALSE(toolkit_.Visible(ControlId::kComboBox2));
  EXPECT_TRUE(toolkit_.Visible(ControlId::kEdit1));  // before the window is shown, too
  ShowActive();
  EXPECT_FALSE(widget(ControlId::kComboBox2)->isVisible());
  EXPECT_TRUE(widget(ControlId::kEdit1)->isVisible());
  toolkit_.SetPosition(ControlId::kProgressBar1, 40);
  EXPECT_EQ(toolkit_.Position(ControlId::kProgressBar1), 40);
  toolkit_.SetPosition(ControlId::kProgressBar1, 250);
  EXPECT_EQ(toolkit_.Position(ControlId::kProgressBar1), platform::kProgressMaximum);
}

TEST_F(QtToolkitTest, MinimiseRestoreAndHandle) {
  void* const handle = toolkit_.NativeHandle();
  EXPECT_NE(handle, nullptr);
  ShowActive();
  EXPECT_EQ(toolkit_.NativeHandle(), handle);
  EXPECT_EQ(toolkit_.WindowState(), 0);
  toolkit_.Minimize();
  EXPECT_TRUE(window()->isMinimized());
  EXPECT_EQ(toolkit_.WindowState(), 1);
  toolkit_.Restore();
  EXPECT_FALSE(window()->isMinimized());
  EXPECT_EQ(toolkit_.WindowState(), 0);
  toolkit_.BringToForeground();
  toolkit_.Repaint();
  EXPECT_TRUE(window()->isVisible());
}

// --- Events -------------------------------------------------------------------------------

TEST_F(QtToolkitTest, ClicksOfEnabledControlsAndLabelsReachTheController) {
  ShowActive();
  recorder_.on_click = [&](ControlId control) {
    // A check box has changed its state when its click arrives.
    if (control == ControlId::kCheckBox2) {
      recorder_.events.push_back(toolkit_.Checked(ControlId::kCheckBox2) ? "checked" : "clear");
    }
  };
  ClickWidget(ControlId::kLabel4);
  ClickWidget(ControlId::kLabel11);
  ClickWidget(ControlId::kCheckBox2);
  ClickWidget(ControlId::kRadioButton2);
  ClickWidget(ControlId::kButton3);
  toolkit_.SetEnabled(ControlId::kButton3, false);
  toolkit_.SetEnabled(ControlId::kLabel4, false);
  ClickWidget(ControlId::kButton3);
  ClickWidget(ControlId::kLabel4);
  EXPECT_EQ(recorder_.events,
            (std::vector<std::string>{"Click Label4", "Click Label11", "Click CheckBox2", "checked",
                                      "Click RadioButton2", "Click Button3"}));
  EXPECT_TRUE(toolkit_.Checked(ControlId::kRadioButton2));
  EXPECT_FALSE(toolkit_.Enabled(ControlId::kButton3));
}

TEST_F(QtToolkitTest, LeavingTheFolderBoxIsReportedButNotOpeningABox) {
  ShowActive();
  toolkit_.SetFocus(ControlId::kEdit3);
  Pump();
  ASSERT_EQ(QApplication::focusWidget(), widget(ControlId::kEdit3));
  // A modal box takes the focus with its window: the folder box is not left.
  DialogAnswerer answerer({qt_tests::Accept});
  toolkit_.MessageBox("Zpráva"_cp);
  Pump();
  EXPECT_EQ(recorder_.events, std::vector<std::string>{});
  // A click on the button moves the focus away from it.
  QApplication::setActiveWindow(window());
  ASSERT_TRUE(QTest::qWaitForWindowActive(window(), 5000));
  toolkit_.SetFocus(ControlId::kEdit3);
  Pump();
  ClickWidget(ControlId::kButton4);
  EXPECT_EQ(recorder_.events, (std::vector<std::string>{"FocusLeft Edit3", "Click Button4"}));
}

TEST_F(QtToolkitTest, PostedMessageRunsAfterTheCurrentEvent) {
  ShowActive();
  recorder_.on_click = [&](ControlId) {
    toolkit_.PostMessage(platform::kFolderBoxCommitMessage);
    recorder_.events.push_back("handler ends");
  };
  ClickWidget(ControlId::kButton3);
  EXPECT_EQ(recorder_.events, (std::vector<std::string>{"Click Button3", "handler ends"}));
  Pump();
  EXPECT_EQ(recorder_.events,
            (std::vector<std::string>{"Click Button3", "handler ends", "Message 32769"}));
}

TEST_F(QtToolkitTest, PostedMessageRunsInsideAModalBox) {
  ShowActive();
  recorder_.on_click = [&](ControlId) {
    toolkit_.PostMessage(platform::kFolderBoxCommitMessage);
    toolkit_.MessageBox("Zpráva"_cp);
    recorder_.events.push_back("box closed");
  };
  // The box is answered only once the message has run in its nested loop.
  DialogAnswerer answerer({[&](QWidget* box) {
    Pump(std::chrono::milliseconds(50));
    recorder_.events.push_back("answering");
    qt_tests::Accept(box);
  }});
  ClickWidget(ControlId::kButton3);
  EXPECT_EQ(recorder_.events, (std::vector<std::string>{"Click Button3", "Message 32769",
                                                        "answering", "box closed"}));
}

TEST_F(QtToolkitTest, MessagesPostedFromAnotherThreadRunOnTheWindowsThread) {
  // A source manager that calls back may do so on a thread of its own.
  std::thread::id handled_on;
  recorder_.on_message = [&](unsigned) { handled_on = std::this_thread::get_id(); };
  std::thread poster([&] { toolkit_.PostMessage(platform::kFolderBoxCommitMessage + 0xFF); });
  poster.join();
  EXPECT_TRUE(recorder_.events.empty());
  toolkit_.ProcessMessages();
  EXPECT_EQ(recorder_.events, std::vector<std::string>{"Message 33024"});
  EXPECT_EQ(handled_on, std::this_thread::get_id());
}

TEST_F(QtToolkitTest, ProcessMessagesRunsPostedMessages) {
  toolkit_.PostMessage(7);
  toolkit_.ProcessMessages();
  EXPECT_EQ(recorder_.events, std::vector<std::string>{"Message 7"});
}

TEST_F(QtToolkitTest, AnErrorLeavingAHandlerShowsTheErrorBoxAndTheProgramGoesOn) {
  ShowActive();
  toolkit_.SetApplicationTitle("");
  recorder_.on_click = [](ControlId) {
    throw platform::IoError(std::string("Chyba zápisu do souboru"_cp));
  };
  QString shown;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  DialogAnswerer answerer({[&](QWidget* dialog) {
    auto* box = qobject_cast<QMessageBox*>(dialog);
    ASSERT_NE(box, nullptr);
    shown = box->text();
    icon = box->icon();
    qt_tests::Accept(box);
  }});
  ClickWidget(ControlId::kButton3);
  EXPECT_EQ(shown, QString::fromUtf8("Chyba zápisu do souboru"));
  EXPECT_EQ(icon, QMessageBox::Critical);
  recorder_.on_click = nullptr;
  ClickWidget(ControlId::kButton1);
  EXPECT_EQ(recorder_.events.back(), "Click Button1");
}

// --- Dialogs ------------------------------------------------------------------------------

TEST_F(QtToolkitTest, MessageBoxHasOneOkButtonNoIconAndTheApplicationTitle) {
  toolkit_.SetApplicationTitle("Prelavka do ZQ TRIMA, verze 1.125"_cp);
  struct Seen {
    QString caption, text;
    QMessageBox::Icon icon = QMessageBox::Critical;
    qsizetype buttons = 0;
    bool application_modal = false;
  } seen;
  DialogAnswerer answerer({[&](QWidget* dialog) {
    auto* box = qobject_cast<QMessageBox*>(dialog);
    ASSERT_NE(box, nullptr);
    seen = {box->windowTitle(), box->text(), box->icon(), box->buttons().size(),
            box->windowModality() == Qt::ApplicationModal};
    qt_tests::Accept(box);
  }});
  toolkit_.MessageBox("Zatím nic k odeslání.\r\nDruhý řádek"_cp);
  EXPECT_EQ(seen.caption, QString::fromUtf8("Prelavka do ZQ TRIMA, verze 1.125"));
  EXPECT_EQ(seen.text, QString::fromUtf8("Zatím nic k odeslání.\nDruhý řádek"));
  EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
  EXPECT_EQ(seen.buttons, 1);
  EXPECT_TRUE(seen.application_modal);
}

class QtFolderDialogTest : public QtToolkitTest {
 protected:
  void SetUp() override {
    QtToolkitTest::SetUp();
    ASSERT_TRUE(folder_.isValid());
    ASSERT_TRUE(QDir(folder_.path()).mkpath(QString::fromUtf8("skeny/žlutý")));
  }
  std::string Cp(const QString& path) { return platform::FromQString(path); }
  QTemporaryDir folder_;
};

TEST_F(QtFolderDialogTest, NewFolderDialogAcceptsAFolderThatDoesNotExistYet) {
  const QString start = folder_.path() + QStringLiteral("/");
  const QString wanted = folder_.path() + QString::fromUtf8("/nová složka/");
  QString offered;
  DialogAnswerer answerer({[&](QWidget* dialog) {
    auto* path = dialog->findChild<QLineEdit*>(QLatin1String(platform::kFolderPathBoxName));
    ASSERT_NE(path, nullptr);
    // The folder tree loads in the background meanwhile; the box keeps the start folder.
    Pump(std::chrono::milliseconds(300));
    offered = path->text();
    path->setText(wanted);
    qt_tests::Accept(dialog);
  }});
  const std::optional<std::string> chosen = toolkit_.AskForNewFolder(Cp(start));
  EXPECT_EQ(offered, start);
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(*chosen, Cp(folder_.path() + QString::fromUtf8("/nová složka")));
  EXPECT_FALSE(QDir(folder_.path() + QString::fromUtf8("/nová složka")).exists());
}

TEST_F(QtFolderDialogTest, NewFolderDialogGivesAnExistingFolderAndNothingWhenCancelled) {
  const QString existing = folder_.path() + QString::fromUtf8("/skeny/žlutý");
  DialogAnswerer answerer(
      {[&](QWidget* dialog) {
         dialog->findChild<QLineEdit*>(QLatin1String(platform::kFolderPathBoxName))
             ->setText(existing);
         qt_tests::Accept(dialog);
       },
       qt_tests::Reject,
       [&](QWidget* dialog) {
         dialog->findChild<QLineEdit*>(QLatin1String(platform::kFolderPathBoxName))->clear();
         qt_tests::Accept(dialog);
       }});
  EXPECT_EQ(toolkit_.AskForNewFolder(Cp(folder_.path())), Cp(existing));
  EXPECT_EQ(toolkit_.AskForNewFolder(Cp(folder_.path())), std::nullopt);
  EXPECT_EQ(toolkit_.AskForNewFolder(Cp(folder_.path())), std::nullopt);
}

TEST_F(QtFolderDialogTest, FolderBrowserOpensAtTheStartFolderAndGivesTheChosenOne) {
  const QString start = folder_.path() + QStringLiteral("/skeny");
  const QString chosen_folder = start + QString::fromUtf8("/žlutý");
  QString title;
  QString opened_at;
  DialogAnswerer answerer({[&](QWidget* dialog) {
                             auto* files = qobject_cast<QFileDialog*>(dialog);
                             ASSERT_NE(files, nullptr);
                             title = files->windowTitle();
                             opened_at = files->directory().absolutePath();
                             files->setDirectory(chosen_folder);
                             QMetaObject::invokeMethod(files, "accept");
                           },
                           qt_tests::Reject});
  const std::optional<std::string> chosen = toolkit_.BrowseForFolder(
      "Vyberte složku s naskenovanými soubory"_cp, Cp(start + QStringLiteral("/")));
  EXPECT_EQ(title, QString::fromUtf8("Vyberte složku s naskenovanými soubory"));
  EXPECT_EQ(opened_at, start);
  EXPECT_EQ(chosen, Cp(chosen_folder));
  EXPECT_EQ(toolkit_.BrowseForFolder("x", Cp(start)), std::nullopt);
}

TEST_F(QtToolkitTest, ListDialogGivesTheChosenIndexOrNothing) {
  const std::vector<std::string> sources = {"Skener A", "Skener B"};
  QStringList shown;
  DialogAnswerer answerer({[&](QWidget* dialog) {
                             auto* list = dialog->findChild<QListWidget*>(
                                 QLatin1String(platform::kListName));
                             ASSERT_NE(list, nullptr);
                             for (int i = 0; i < list->count(); ++i) {
                               shown.append(list->item(i)->text());
                             }
                             list->setCurrentRow(1);
                             qt_tests::Accept(dialog);
                           },
                           qt_tests::Reject});
  EXPECT_EQ(toolkit_.ChooseFromList("Zdroj"_cp, sources), 1);
  EXPECT_EQ(shown, (QStringList{QStringLiteral("Skener A"), QStringLiteral("Skener B")}));
  EXPECT_EQ(toolkit_.ChooseFromList("Zdroj"_cp, sources), std::nullopt);
}

TEST(QtTranslationsTest, CzechButtonsComeFromQtsOwnTranslations) {
  EXPECT_FALSE(platform::InstallQtTranslations("en"));
  ASSERT_TRUE(platform::InstallQtTranslations("cs"));
  QString cancel;
  DialogAnswerer answerer({[&](QWidget* dialog) {
    for (QDialogButtonBox* box : dialog->findChildren<QDialogButtonBox*>()) {
      if (QPushButton* button = box->button(QDialogButtonBox::Cancel)) cancel = button->text();
    }
    qt_tests::Reject(dialog);
  }});
  platform::ChooseNewFolder(QDir::tempPath());
  EXPECT_EQ(cancel.remove(QLatin1Char('&')), QString::fromUtf8("Zrušit"));
}

}  // namespace
