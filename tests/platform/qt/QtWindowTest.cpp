// The real main window: TForm1 over the Qt toolkit on the offscreen platform, started by the
// real shell. The enabling rules are read from the widgets and driven by real mouse clicks and
// focus changes; pictures of the window in Czech and English go to the build's artifacts folder.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/Shell.h"
#include "platform/Cp1250.h"
#include "platform/qt/QtText.h"
#include "platform/qt/QtToolkit.h"
#include "tests/fakes/FakeSystem.h"
#include "tests/platform/qt/QtTestSupport.h"
#include "ui/Unit1.h"

namespace {

using namespace text::literals;
using platform::ControlId;
using qt_tests::DialogAnswerer;
using qt_tests::Pump;

// A scanner session stand-in: a flatbed and a duplex feeder offering two colour modes and four
// resolutions, as a typical office scanner reports them.
ui::ScannerStartup StubScanner(ui::TForm1& form, platform::Toolkit& toolkit) {
  ui::ScannerStartup startup;
  startup.open = [] { return true; };
  startup.describe = [&form, &toolkit] {
    toolkit.AddItem(ControlId::kComboBox1, "Stupně šedi"_cp);
    toolkit.AddItem(ControlId::kComboBox1, "Barevně"_cp);
    for (const char* dpi : {"100", "200", "300", "600"})
      toolkit.AddItem(ControlId::kComboBox2, dpi);
    toolkit.SetText(ControlId::kComboBox2, "200");
    toolkit.SetEnabled(ControlId::kButton1, form.scanner_flags().flatbed);
    toolkit.SetEnabled(ControlId::kButton2, form.scanner_flags().feeder);
    toolkit.BringToForeground();
  };
  return startup;
}

class QtWindowTest : public testing::Test {
 protected:
  // Starts the program as the executable `name` (prelavka_en is English), with or without a
  // scanner, and shows its window.
  void Start(const char* name, bool scanner) {
    ASSERT_TRUE(documents_.isValid());
    system_.raw_documents_folder = platform::FromQString(documents_.path());
    system_.executable_path = std::string("/opt/prelavka/") + name;
    shell_ = std::make_unique<app::Shell>(system_, toolkit_);
    shell_->Start();
    form_ = std::make_unique<ui::TForm1>(*shell_, toolkit_);
    if (scanner) form_->set_scanner_startup(StubScanner(*form_, toolkit_));
    platform::DispatchEvent(toolkit_, [&] { form_->FormCreate(); });
    toolkit_.Show();
    QApplication::setActiveWindow(toolkit_.window());
    ASSERT_TRUE(QTest::qWaitForWindowActive(toolkit_.window(), 5000));
  }

  void TearDown() override {
    form_.reset();
    shell_.reset();
  }

  QWidget* widget(ControlId control) { return toolkit_.widget(control); }
  bool Enabled(ControlId control) { return widget(control)->isEnabled(); }
  bool Checked(ControlId control) {
    return static_cast<QAbstractButton*>(widget(control))->isChecked();
  }
  QString LabelText(ControlId control) { return static_cast<QLabel*>(widget(control))->text(); }
  void ClickOn(ControlId control) { QTest::mouseClick(widget(control), Qt::LeftButton); }

  QTemporaryDir documents_;
  fakes::FakeSystem system_;
  platform::QtToolkit toolkit_;
  std::unique_ptr<app::Shell> shell_;
  std::unique_ptr<ui::TForm1> form_;
};

TEST_F(QtWindowTest, WithoutAScannerOnlySendingIsOffered) {
  Start("prelavka", false);
  EXPECT_EQ(toolkit_.window()->windowTitle(),
            QString::fromUtf8("Prelavka do ZQ TRIMA, verze 1.125"));
  EXPECT_TRUE(Checked(ControlId::kRadioButton2));
  for (const ControlId control :
       {ControlId::kRadioButton1, ControlId::kRadioButton3, ControlId::kButton1,
        ControlId::kButton2, ControlId::kComboBox1}) {
    EXPECT_FALSE(Enabled(control)) << platform::ControlName(control);
  }
  for (const ControlId control : {ControlId::kCheckBox2, ControlId::kLabel11, ControlId::kEdit3,
                                  ControlId::kButton4, ControlId::kButton3}) {
    EXPECT_TRUE(Enabled(control)) << platform::ControlName(control);
  }
  EXPECT_EQ(LabelText(ControlId::kLabel6), QString::fromUtf8("Zatím nic nenaskenováno."));
  EXPECT_EQ(LabelText(ControlId::kLabel9),
            QString::fromUtf8("Pro rozpoznávání odpovědních listů je nutné ponechat\nbarevnost "
                              "'Stupně šedi' a rozlišení 200."));
  // A click on a disabled radio button changes nothing.
  ClickOn(ControlId::kRadioButton1);
  EXPECT_TRUE(Checked(ControlId::kRadioButton2));
}

TEST_F(QtWindowTest, ClicksApplyTheModeAndCheckBoxRules) {
  Start("prelavka", true);
  EXPECT_TRUE(Checked(ControlId::kRadioButton1));
  EXPECT_EQ(LabelText(ControlId::kLabel6), QString::fromUtf8("Zatím nic k odeslání."));
  EXPECT_FALSE(Enabled(ControlId::kEdit3));
  EXPECT_TRUE(Enabled(ControlId::kButton1));

  // Duplex through the box, then back through its label: only the feeder scans both sides.
  ClickOn(ControlId::kCheckBox2);
  EXPECT_FALSE(Enabled(ControlId::kButton1));
  EXPECT_TRUE(Enabled(ControlId::kButton2));
  ClickOn(ControlId::kLabel11);
  EXPECT_FALSE(Checked(ControlId::kCheckBox2));
  EXPECT_TRUE(Enabled(ControlId::kButton1));

  // The cover sheet through its label: the person number box is disabled, its text kept.
  QTest::mouseClick(widget(ControlId::kEdit2), Qt::LeftButton);
  QTest::keyClicks(widget(ControlId::kEdit2), QStringLiteral("123456"));
  ClickOn(ControlId::kLabel4);
  EXPECT_TRUE(Checked(ControlId::kCheckBox1));
  EXPECT_FALSE(Enabled(ControlId::kEdit2));
  EXPECT_FALSE(Enabled(ControlId::kLabel3));
  EXPECT_EQ(toolkit_.Text(ControlId::kEdit2), "123456");

  // Mode 2: the folder box opens, the scan settings close.
  ClickOn(ControlId::kRadioButton2);
  EXPECT_TRUE(Enabled(ControlId::kEdit3));
  EXPECT_TRUE(Enabled(ControlId::kButton4));
  EXPECT_FALSE(Enabled(ControlId::kComboBox1));
  EXPECT_FALSE(Enabled(ControlId::kButton1));
  EXPECT_FALSE(Enabled(ControlId::kButton2));
  ClickOn(ControlId::kRadioButton3);
  EXPECT_TRUE(Enabled(ControlId::kEdit3));
  EXPECT_TRUE(Enabled(ControlId::kButton1));
}

TEST_F(QtWindowTest, LeavingTheFolderBoxLoadsTheTypedFolderAfterTheEvent) {
  Start("prelavka", false);
  const QString folder = documents_.path() + QStringLiteral("/skeny");
  ASSERT_TRUE(QDir().mkpath(folder));
  for (const char* page : {"1001.bmp", "1002.bmp"}) {
    QFile file(folder + QLatin1Char('/') + QLatin1String(page));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  QTest::mouseClick(widget(ControlId::kEdit3), Qt::LeftButton);
  QTest::keyClicks(widget(ControlId::kEdit3), folder);
  // Moving the focus posts the commit; it runs once the click has been handled.
  QTest::mouseClick(widget(ControlId::kEdit2), Qt::LeftButton);
  Pump();
  EXPECT_TRUE(LabelText(ControlId::kLabel6)
                  .startsWith(QString::fromUtf8("K odeslání připraveny 2 strany ve složce\n")))
      << LabelText(ControlId::kLabel6).toStdString();
  EXPECT_EQ(form_->scan_folder().pages.size(), 2u);

  // A folder that does not exist: the commit's notice is a real modal box.
  QString notice;
  DialogAnswerer answerer({[&](QWidget* dialog) {
    notice = static_cast<QMessageBox*>(dialog)->text();
    qt_tests::Accept(dialog);
  }});
  QTest::mouseClick(widget(ControlId::kEdit3), Qt::LeftButton);
  static_cast<QLineEdit*>(widget(ControlId::kEdit3))->setText(folder + QStringLiteral("-nic"));
  QTest::mouseClick(widget(ControlId::kEdit2), Qt::LeftButton);
  Pump(std::chrono::milliseconds(100));
  EXPECT_FALSE(notice.isEmpty());
  EXPECT_TRUE(form_->scan_folder().path.empty());
}

// --- Pictures of the window -----------------------------------------------------------------

// The window's client area under a plain title bar with its caption (the offscreen platform draws
// no frame), saved as a PNG into the artifacts folder of the build.
void SaveWindowPicture(QWidget* window, const QString& name) {
  const QPixmap client = window->grab();
  constexpr int kBar = 24;
  QImage picture(client.width() + 2, client.height() + kBar + 1, QImage::Format_RGB32);
  picture.fill(QColor(0x44, 0x55, 0x66));
  QPainter painter(&picture);
  QFont caption_font = window->font();
  caption_font.setBold(true);
  caption_font.setPixelSize(12);
  painter.setFont(caption_font);
  painter.setPen(Qt::white);
  painter.drawText(QRect(8, 0, client.width() - 30, kBar), Qt::AlignVCenter | Qt::AlignLeft,
                   window->windowTitle());
  painter.drawText(QRect(client.width() - 20, 0, 16, kBar), Qt::AlignCenter,
                   QString(QChar(0x00D7)));
  painter.drawPixmap(1, kBar, client);
  painter.end();

  QString folder = qEnvironmentVariable("PRELAVKA_ARTIFACTS");
  if (folder.isEmpty()) folder = QDir::currentPath() + QStringLiteral("/artifacts");
  ASSERT_TRUE(QDir().mkpath(folder));
  const QString path = folder + QLatin1Char('/') + name;
  ASSERT_TRUE(picture.save(path, "PNG")) << path.toStdString();
  std::printf("picture of the window: %s\n", path.toLocal8Bit().constData());
}

TEST_F(QtWindowTest, PictureInCzech) {
  Start("prelavka", true);
  EXPECT_EQ(toolkit_.window()->windowTitle(),
            QString::fromUtf8("Prelavka do ZQ TRIMA, verze 1.125"));
  SaveWindowPicture(toolkit_.window(), QStringLiteral("window_cs.png"));
}

TEST_F(QtWindowTest, PictureInEnglish) {
  Start("prelavka_en", true);
  EXPECT_EQ(toolkit_.window()->windowTitle(), QString::fromUtf8("Scan to ZQ TRIMA, verze 1.125"));
  // Only the identity texts are translated; the window's own texts stay Czech.
  EXPECT_EQ(LabelText(ControlId::kLabel7), QStringLiteral("Chci"));
  SaveWindowPicture(toolkit_.window(), QStringLiteral("window_en.png"));
}

TEST_F(QtWindowTest, PictureWithoutAScanner) {
  Start("prelavka", false);
  SaveWindowPicture(toolkit_.window(), QStringLiteral("window_send_only.png"));
}

}  // namespace
