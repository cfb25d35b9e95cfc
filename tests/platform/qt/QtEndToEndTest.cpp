// The whole program through its real window without a display: TForm1 over the Qt toolkit on the
// offscreen platform, the local depository server as the institution's endpoint, real clicks and
// typing, the verdict read from the real message box. Pictures of the window at each step go to
// the build's artifacts folder.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <functional>
#include <memory>

#include "app/Shell.h"
#include "platform/Cp1250.h"
#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtText.h"
#include "platform/qt/QtToolkit.h"
#include "scan/ScannerSession.h"
#include "tests/fakes/FakeSystem.h"
#include "tests/platform/qt/QtTestSupport.h"
#include "ui/Unit1.h"

namespace {

using namespace text::literals;
using platform::ControlId;
using qt_tests::DialogAnswerer;
using qt_tests::Pump;

// The depository server of tools/depository on a free port, stopped with the test.
class Depository {
 public:
  explicit Depository(const QString& folder) {
    server_.setProcessChannelMode(QProcess::MergedChannels);
    server_.start(
        QStringLiteral("/usr/bin/python3"),
        {QStringLiteral(PRELAVKA_SOURCE_DIR "/tools/depository/depository.py"),
         QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--folder"), folder});
    const QRegularExpression ready(QStringLiteral("listening on (127\\.0\\.0\\.1:\\d+)"));
    QString said;
    while (server_.waitForReadyRead(10000)) {
      said += QString::fromUtf8(server_.readAll());
      const QRegularExpressionMatch match = ready.match(said);
      if (match.hasMatch()) {
        host_ = match.captured(1);
        break;
      }
    }
    EXPECT_FALSE(host_.isEmpty()) << "the depository server did not start: " << said.toStdString();
  }
  ~Depository() {
    server_.kill();
    server_.waitForFinished(5000);
  }
  const QString& host() const { return host_; }

 private:
  QProcess server_;
  QString host_;
};

class QtEndToEndTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(work_.isValid());
    received_ = work_.path() + QStringLiteral("/received");
    documents_ = work_.path() + QStringLiteral("/Dokumenty");
    ASSERT_TRUE(QDir().mkpath(received_));
    ASSERT_TRUE(QDir().mkpath(documents_ + QStringLiteral("/Prelavka")));
    depository_ = std::make_unique<Depository>(received_);
  }

  // The program started as the shell starts it, with the depository as its server; with a
  // scanner, the virtual scanner is the source manager and `answers` answer the dialogs of the
  // window's creation.
  void Start(bool scanner = false, std::vector<DialogAnswerer::Answer> answers = {}) {
    ASSERT_FALSE(depository_->host().isEmpty());
    app::Identity identity;
    identity.short_name = "TRIMA";
    identity.system_name = "ZQ TRIMA";
    identity.program_heading = "Prelavka do ZQ TRIMA";
    identity.window_title = "Prelavka do ZQ TRIMA, verze 1.125";
    identity.server_host = platform::FromQString(depository_->host());
    identity.support_address = "zq-podpora@trima.example.org";
    identity.contact_line = "\r\nKontaktujte prosím vývojový tým ZQ TRIMA."_cp;
    identity.documents_folder = platform::FromQString(documents_);
    identity.application_folder = platform::FromQString(documents_ + QStringLiteral("/Prelavka/"));
    identity.run_log_name = "log.txt";
    shell_ = std::make_unique<app::Shell>(system_, toolkit_);
    ASSERT_TRUE(shell_->StartWith(identity, identity.application_folder + "log.txt"));
    toolkit_.SetApplicationTitle("");
    form_ = std::make_unique<ui::TForm1>(*shell_, toolkit_);
    if (scanner) scan::InstallScannerSession(*form_, *shell_, toolkit_, PRELAVKA_VIRTUAL_SCANNER);
    {
      DialogAnswerer answerer(std::move(answers));
      platform::DispatchEvent(toolkit_, [&] { form_->FormCreate(); });
    }
    toolkit_.Show();
    QApplication::setActiveWindow(toolkit_.window());
    ASSERT_TRUE(QTest::qWaitForWindowActive(toolkit_.window(), 5000));
  }

  void TearDown() override {
    form_.reset();
    shell_.reset();
    depository_.reset();
  }

  QWidget* widget(ControlId control) { return toolkit_.widget(control); }
  void ClickOn(ControlId control) { QTest::mouseClick(widget(control), Qt::LeftButton); }
  void TypeInto(ControlId control, const QString& text) {
    ClickOn(control);
    static_cast<QLineEdit*>(widget(control))->selectAll();
    QTest::keyClicks(widget(control), text);
  }
  QString LabelText(ControlId control) { return static_cast<QLabel*>(widget(control))->text(); }

  // The uploads the depository kept, oldest first.
  std::vector<QJsonObject> Uploads() {
    std::vector<QJsonObject> uploads;
    const QStringList names =
        QDir(received_).entryList({QStringLiteral("upload-*")}, QDir::Dirs, QDir::Name);
    for (const QString& name : names) {
      QFile request(received_ + QLatin1Char('/') + name + QStringLiteral("/request.json"));
      if (!request.open(QIODevice::ReadOnly)) continue;
      uploads.push_back(QJsonDocument::fromJson(request.readAll()).object());
    }
    return uploads;
  }

  // The run log as text.
  QString RunLog() {
    QFile log(documents_ + QStringLiteral("/Prelavka/log.txt"));
    if (!log.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = log.readAll();
    return platform::ToQString(std::string_view(bytes.constData(), bytes.size()));
  }

  QTemporaryDir work_;
  QString received_;
  QString documents_;
  std::unique_ptr<Depository> depository_;
  fakes::FakeSystem system_;
  platform::QtToolkit toolkit_;
  std::unique_ptr<app::Shell> shell_;
  std::unique_ptr<ui::TForm1> form_;
};

// Saves a picture of a widget into the artifacts folder of the build.
void SavePicture(QWidget* widget, const QString& name) {
  QString folder = qEnvironmentVariable("PRELAVKA_ARTIFACTS");
  if (folder.isEmpty()) folder = QDir::currentPath() + QStringLiteral("/artifacts");
  QDir().mkpath(folder);
  EXPECT_TRUE(widget->grab().save(folder + QLatin1Char('/') + name, "PNG"));
}

// Writes a small grey page as a BMP file.
void WritePage(const QString& path, int number) {
  QImage page(120, 160, QImage::Format_Grayscale8);
  page.fill(200 - number * 20);
  ASSERT_TRUE(page.save(path, "BMP")) << path.toStdString();
}

TEST_F(QtEndToEndTest, SendsAFolderScannedEarlierAndShowsTheVerdict) {
  Start();
  const QString folder = documents_ + QStringLiteral("/Prelavka/sken_tmp1");
  ASSERT_TRUE(QDir().mkpath(folder));
  WritePage(folder + QStringLiteral("/1001.bmp"), 1);
  WritePage(folder + QStringLiteral("/1002.bmp"), 2);

  TypeInto(ControlId::kEdit3, folder);
  TypeInto(ControlId::kEdit2, QStringLiteral("123456"));  // leaving Edit3 loads the folder
  Pump();
  EXPECT_TRUE(
      LabelText(ControlId::kLabel6).startsWith(QString::fromUtf8("K odeslání připraveny 2")))
      << LabelText(ControlId::kLabel6).toStdString();
  SavePicture(toolkit_.window(), QStringLiteral("window_folder_loaded.png"));

  QStringList notices;
  DialogAnswerer answerer({[&](QWidget* dialog) {
    notices.append(static_cast<QMessageBox*>(dialog)->text());
    SavePicture(dialog, QStringLiteral("verdict_box.png"));
    // While the verdict is shown the window stays disabled.
    EXPECT_FALSE(widget(ControlId::kButton3)->isEnabled());
    qt_tests::Accept(dialog);
  }});
  ClickOn(ControlId::kButton3);
  ASSERT_EQ(notices.size(), 1);
  EXPECT_TRUE(notices.front().contains(QStringLiteral("ZQ TRIMA")))
      << notices.front().toStdString();

  const std::vector<QJsonObject> uploads = Uploads();
  ASSERT_EQ(uploads.size(), 1u);
  EXPECT_EQ(uploads[0].value(QStringLiteral("verdict")).toString(), QStringLiteral("ok"));
  const QJsonArray pages = uploads[0].value(QStringLiteral("pages")).toArray();
  ASSERT_EQ(pages.size(), 2);
  EXPECT_TRUE(pages[0].toString().endsWith(QStringLiteral("1001.bmp")));
  // The window is ready for the next batch; the log holds the notice.
  EXPECT_TRUE(widget(ControlId::kButton3)->isEnabled());
  EXPECT_EQ(LabelText(ControlId::kLabel6),
            QString::fromUtf8("Připraveno ke zpracování další dávky dokumentů."));
  EXPECT_TRUE(RunLog().contains(QString::fromUtf8("Hlášeno uživateli:"))) << RunLog().toStdString();
}

// Waits until the condition holds, letting the event loop run; false after `limit`.
bool WaitFor(const std::function<bool()>& condition,
             std::chrono::milliseconds limit = std::chrono::seconds(30)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    Pump(std::chrono::milliseconds(10));
  }
  return true;
}

TEST_F(QtEndToEndTest, ScansBothSidesFromTheFeederOfTheDemoScannerAndSendsThem) {
  // The demo's two scanners; the list of sources is answered with the feeder.
  ASSERT_EQ(
      setenv("PRELAVKA_VIRTUAL_SCANNER_SCRIPT", PRELAVKA_SOURCE_DIR "/scripts/demo-scanner.txt", 1),
      0);
  QStringList sources;
  Start(true, {[&](QWidget* dialog) {
          auto* list = dialog->findChild<QListWidget*>(QLatin1String(platform::kListName));
          ASSERT_NE(list, nullptr);
          for (int i = 0; i < list->count(); ++i) sources.append(list->item(i)->text());
          list->setCurrentRow(0);
          qt_tests::Accept(dialog);
        }});
  unsetenv("PRELAVKA_VIRTUAL_SCANNER_SCRIPT");
  EXPECT_EQ(sources, (QStringList{QStringLiteral("Prelavka Demo Feeder"),
                                  QStringLiteral("Prelavka Demo Flatbed")}));
  ASSERT_TRUE(static_cast<QAbstractButton*>(widget(ControlId::kRadioButton1))->isChecked());
  ASSERT_TRUE(widget(ControlId::kButton2)->isEnabled());
  ASSERT_TRUE(widget(ControlId::kCheckBox2)->isEnabled());

  ClickOn(ControlId::kCheckBox2);  // both sides: only the feeder scans them
  EXPECT_FALSE(widget(ControlId::kButton1)->isEnabled());
  ClickOn(ControlId::kButton2);
  // Three sheets, both sides: six pages arrive through the source manager's callbacks.
  ASSERT_TRUE(WaitFor([&] {
    return LabelText(ControlId::kLabel6).startsWith(QString::fromUtf8("K odeslání připraveno 6"));
  })) << LabelText(ControlId::kLabel6).toStdString();
  ASSERT_TRUE(WaitFor([&] { return widget(ControlId::kButton3)->isEnabled(); }));
  EXPECT_FALSE(toolkit_.window()->isMinimized());
  EXPECT_EQ(form_->scan_folder().pages.size(), 6u);
  EXPECT_EQ(form_->scan_folder().duplex_pages.size(), 3u);
  SavePicture(toolkit_.window(), QStringLiteral("window_scanned.png"));

  TypeInto(ControlId::kEdit2, QStringLiteral("123456"));
  QStringList notices;
  DialogAnswerer answerer({[&](QWidget* dialog) {
    notices.append(static_cast<QMessageBox*>(dialog)->text());
    qt_tests::Accept(dialog);
  }});
  ClickOn(ControlId::kButton3);
  ASSERT_EQ(notices.size(), 1);
  EXPECT_TRUE(notices.front().contains(QString::fromUtf8("v pořádku přijata")))
      << notices.front().toStdString();

  const std::vector<QJsonObject> uploads = Uploads();
  ASSERT_EQ(uploads.size(), 1u);
  EXPECT_EQ(uploads[0].value(QStringLiteral("verdict")).toString(), QStringLiteral("ok"));
  EXPECT_EQ(uploads[0].value(QStringLiteral("pages")).toArray().size(), 3);  // the pairs
  EXPECT_TRUE(RunLog().contains(QStringLiteral("ProductName: Prelavka Demo Feeder")));
}

}  // namespace
