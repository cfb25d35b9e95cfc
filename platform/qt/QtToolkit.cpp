#include "platform/qt/QtToolkit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QFont>
#include <QFontInfo>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTranslator>
#include <QWidget>
#include <algorithm>
#include <array>
#include <functional>
#include <utility>

#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtText.h"

namespace platform {
namespace {

enum class Kind { kLabel, kRadioButton, kEdit, kButton, kComboBox, kCheckBox, kProgressBar };

// Where each control sits in the client area (291 x 351). The font is 11 px, as the classic
// 8-point dialog font at 96 dpi; the rows are those of the window's design.
struct Placement {
  ControlId control;
  Kind kind;
  int x, y, width, height;
};

constexpr int kRowFolder = 84;
constexpr int kRowColour = 118;
constexpr int kRowPerson = 274;

constexpr std::array<Placement, kControlCount> kPlacements = {{
    {ControlId::kLabel7, Kind::kLabel, 8, 7, 28, 19},
    {ControlId::kRadioButton1, Kind::kRadioButton, 38, 7, 248, 19},
    {ControlId::kRadioButton2, Kind::kRadioButton, 38, 26, 248, 19},
    {ControlId::kRadioButton3, Kind::kRadioButton, 38, 45, 248, 19},
    {ControlId::kLabel5, Kind::kLabel, 8, 68, 200, 15},
    {ControlId::kEdit3, Kind::kEdit, 8, kRowFolder, 198, 24},
    {ControlId::kButton4, Kind::kButton, 210, kRowFolder - 1, 74, 26},
    {ControlId::kLabel1, Kind::kLabel, 8, kRowColour, 50, 24},
    {ControlId::kComboBox1, Kind::kComboBox, 61, kRowColour, 97, 24},
    {ControlId::kLabel2, Kind::kLabel, 163, kRowColour, 45, 24},
    {ControlId::kComboBox2, Kind::kComboBox, 211, kRowColour, 54, 24},
    {ControlId::kEdit1, Kind::kEdit, 211, kRowColour, 54, 24},
    {ControlId::kLabel2a, Kind::kLabel, 268, kRowColour, 18, 24},
    {ControlId::kLabel9, Kind::kLabel, 8, 148, 276, 28},
    {ControlId::kCheckBox2, Kind::kCheckBox, 8, 180, 18, 18},
    {ControlId::kLabel11, Kind::kLabel, 28, 180, 100, 18},
    {ControlId::kButton1, Kind::kButton, 8, 204, 136, 27},
    {ControlId::kButton2, Kind::kButton, 148, 204, 136, 27},
    {ControlId::kLabel6, Kind::kLabel, 8, 238, 276, 28},
    {ControlId::kLabel3, Kind::kLabel, 8, kRowPerson, 22, 24},
    {ControlId::kEdit2, Kind::kEdit, 32, kRowPerson, 72, 24},
    {ControlId::kLabel4, Kind::kLabel, 110, kRowPerson, 50, 24},
    {ControlId::kCheckBox1, Kind::kCheckBox, 161, kRowPerson + 3, 18, 18},
    {ControlId::kButton3, Kind::kButton, 196, kRowPerson - 1, 88, 26},
    {ControlId::kProgressBar1, Kind::kProgressBar, 8, 308, 276, 16},
    {ControlId::kLabel8, Kind::kLabel, 8, 328, 276, 16},
}};

// The table is indexed by ControlId.
constexpr bool PlacementsInControlOrder() {
  for (int i = 0; i < kControlCount; ++i) {
    if (kPlacements[static_cast<std::size_t>(i)].control != ControlId(i)) return false;
  }
  return true;
}
static_assert(PlacementsInControlOrder());

// Keyboard focus order of the window.
constexpr std::array kFocusOrder = {
    ControlId::kRadioButton1, ControlId::kRadioButton2, ControlId::kRadioButton3, ControlId::kEdit3,
    ControlId::kButton4,      ControlId::kComboBox1,    ControlId::kComboBox2,    ControlId::kEdit1,
    ControlId::kCheckBox2,    ControlId::kButton1,      ControlId::kButton2,      ControlId::kEdit2,
    ControlId::kCheckBox1,    ControlId::kButton3,
};

constexpr std::size_t Index(ControlId control) { return static_cast<std::size_t>(control); }

// A message posted to the window's own queue.
class PostedMessageEvent : public QEvent {
 public:
  explicit PostedMessageEvent(unsigned message) : QEvent(Type()), message_(message) {}
  static QEvent::Type Type() {
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
  }
  unsigned message() const { return message_; }

 private:
  unsigned message_;
};

// Buttons, radio buttons and check boxes draw "&" as a mnemonic underline; the core's "&" is a
// character.
QString WithoutMnemonics(std::string_view cp1250) {
  QString display = ToDisplayText(cp1250);
  display.replace(QLatin1Char('&'), QStringLiteral("&&"));
  return display;
}

// A label that reports a click (press and release of the left button inside it).
class ClickableLabel : public QLabel {
 public:
  ClickableLabel(QWidget* parent, std::function<void()> on_click)
      : QLabel(parent), on_click_(std::move(on_click)) {}

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    pressed_ = event->button() == Qt::LeftButton;
    event->accept();
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = false;
    event->accept();
    if (click) on_click_();
  }

 private:
  std::function<void()> on_click_;
  bool pressed_ = false;
};

}  // namespace

// The main window: fixed size, a close box and nothing else in its frame.
class QtMainWindow : public QWidget {
 public:
  explicit QtMainWindow(Toolkit& toolkit) : toolkit_(toolkit) {
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(kClientWidth, kClientHeight);
    setFont(QtToolkit::WindowFont());
    radio_group_ = new QButtonGroup(this);
    radio_group_->setExclusive(true);
    for (const Placement& placement : kPlacements) Create(placement);
    for (std::size_t i = 0; i + 1 < kFocusOrder.size(); ++i) {
      setTabOrder(widget(kFocusOrder[i]), widget(kFocusOrder[i + 1]));
    }
    auto* progress = static_cast<QProgressBar*>(widget(ControlId::kProgressBar1));
    progress->setRange(0, kProgressMaximum);
    progress->setValue(0);
    progress->setTextVisible(false);
  }

  void set_events(ToolkitEvents* events) { events_ = events; }
  QWidget* widget(ControlId control) const { return widgets_[Index(control)]; }
  Kind kind(ControlId control) const { return kPlacements[Index(control)].kind; }
  std::string& stored_text(ControlId control) { return texts_[Index(control)]; }
  const std::string& stored_text(ControlId control) const { return texts_[Index(control)]; }
  QButtonGroup* radio_group() const { return radio_group_; }

  // Runs a handler of the controller the way the event loop does.
  void Deliver(const std::function<void(ToolkitEvents&)>& handler) {
    if (events_ == nullptr) return;
    ToolkitEvents& events = *events_;
    DispatchEvent(toolkit_, [&] { handler(events); });
  }

 protected:
  bool event(QEvent* event) override {
    if (event->type() == PostedMessageEvent::Type()) {
      const unsigned message = static_cast<PostedMessageEvent*>(event)->message();
      Deliver([message](ToolkitEvents& events) { events.Message(message); });
      return true;
    }
    return QWidget::event(event);
  }

  // Focus leaving a control. A focus that only goes with the window to another window (a modal
  // box, a popup) stays with the control: that is not leaving it.
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::FocusOut) {
      const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
      if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
        for (const ControlId control : kFocusOrder) {
          if (widget(control) == watched) {
            Deliver([control](ToolkitEvents& events) { events.FocusLeft(control); });
            break;
          }
        }
      }
    }
    return QWidget::eventFilter(watched, event);
  }

 private:
  void Create(const Placement& placement) {
    const ControlId control = placement.control;
    QWidget* created = nullptr;
    auto click = [this, control] {
      Deliver([control](ToolkitEvents& events) { events.Click(control); });
    };
    switch (placement.kind) {
      case Kind::kLabel: {
        auto* label = new ClickableLabel(this, click);
        label->setTextFormat(Qt::PlainText);
        // The two status labels hold two lines from the top; the others sit on their row.
        label->setAlignment(control == ControlId::kLabel9 || control == ControlId::kLabel6
                                ? Qt::AlignLeft | Qt::AlignTop
                                : Qt::AlignLeft | Qt::AlignVCenter);
        created = label;
        break;
      }
      case Kind::kRadioButton: {
        auto* radio = new QRadioButton(this);
        radio_group_->addButton(radio, static_cast<int>(control));
        QObject::connect(radio, &QAbstractButton::clicked, this, click);
        created = radio;
        break;
      }
      case Kind::kCheckBox: {
        auto* check = new QCheckBox(this);
        QObject::connect(check, &QAbstractButton::clicked, this, click);
        created = check;
        break;
      }
      case Kind::kButton: {
        auto* button = new QPushButton(this);
        button->setAutoDefault(false);
        QObject::connect(button, &QAbstractButton::clicked, this, click);
        created = button;
        break;
      }
      case Kind::kEdit:
        created = new QLineEdit(this);
        break;
      case Kind::kComboBox: {
        auto* combo = new QComboBox(this);
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        created = combo;
        break;
      }
      case Kind::kProgressBar:
        created = new QProgressBar(this);
        break;
    }
    created->setObjectName(QString::fromLatin1(ControlName(control)));
    created->setGeometry(placement.x, placement.y, placement.width, placement.height);
    if (created->focusPolicy() != Qt::NoFocus) created->installEventFilter(this);
    widgets_[Index(control)] = created;
  }

  Toolkit& toolkit_;
  ToolkitEvents* events_ = nullptr;
  QButtonGroup* radio_group_ = nullptr;
  std::array<QWidget*, kControlCount> widgets_{};
  // The texts as set, for the controls that only show them (labels, buttons, boxes).
  std::array<std::string, kControlCount> texts_{};
};

QtToolkit::QtToolkit() : window_(std::make_unique<QtMainWindow>(*this)) {}

QtToolkit::~QtToolkit() = default;

void QtToolkit::Show() {
  window_->show();
  window_->raise();
  window_->activateWindow();
}

QWidget* QtToolkit::window() const { return window_.get(); }
QWidget* QtToolkit::widget(ControlId control) const { return window_->widget(control); }

// The layout is drawn for a font with the widths of the classic dialog font: an Arial-metric
// family at 11 px (Debian's fonts-liberation2), else a condensed sans of similar widths; without
// either, the default sans one pixel smaller keeps the texts within their controls.
QFont QtToolkit::WindowFont() {
  for (const char* family : {"Liberation Sans", "Arimo", "Arial", "DejaVu Sans Condensed"}) {
    QFont font(QString::fromLatin1(family));
    font.setPixelSize(11);
    if (QFontInfo(font).family() == font.family()) return font;
  }
  QFont font;
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(10);
  return font;
}

void QtToolkit::SetEvents(ToolkitEvents* events) { window_->set_events(events); }

std::string QtToolkit::Text(ControlId control) const {
  switch (window_->kind(control)) {
    case Kind::kEdit:
      return FromQString(static_cast<QLineEdit*>(widget(control))->text());
    case Kind::kComboBox:
      return FromQString(static_cast<QComboBox*>(widget(control))->currentText());
    default:
      return window_->stored_text(control);
  }
}

void QtToolkit::SetText(ControlId control, std::string_view text) {
  QWidget* target = widget(control);
  switch (window_->kind(control)) {
    case Kind::kEdit:
      static_cast<QLineEdit*>(target)->setText(ToQString(text));
      return;
    case Kind::kComboBox:
      static_cast<QComboBox*>(target)->setEditText(ToQString(text));
      return;
    case Kind::kLabel:
      static_cast<QLabel*>(target)->setText(ToDisplayText(text));
      break;
    case Kind::kButton:
    case Kind::kRadioButton:
    case Kind::kCheckBox:
      static_cast<QAbstractButton*>(target)->setText(WithoutMnemonics(text));
      break;
    case Kind::kProgressBar:
      break;
  }
  window_->stored_text(control) = std::string(text);
}

bool QtToolkit::Enabled(ControlId control) const { return widget(control)->isEnabled(); }
void QtToolkit::SetEnabled(ControlId control, bool enabled) {
  widget(control)->setEnabled(enabled);
}

bool QtToolkit::Checked(ControlId control) const {
  const Kind kind = window_->kind(control);
  if (kind != Kind::kRadioButton && kind != Kind::kCheckBox) return false;
  return static_cast<QAbstractButton*>(widget(control))->isChecked();
}

void QtToolkit::SetChecked(ControlId control, bool checked) {
  const Kind kind = window_->kind(control);
  if (kind != Kind::kRadioButton && kind != Kind::kCheckBox) return;
  auto* button = static_cast<QAbstractButton*>(widget(control));
  if (kind == Kind::kRadioButton && !checked) {
    // An exclusive group never unchecks its checked button by itself.
    window_->radio_group()->setExclusive(false);
    button->setChecked(false);
    window_->radio_group()->setExclusive(true);
    return;
  }
  button->setChecked(checked);
}

bool QtToolkit::Visible(ControlId control) const {
  return widget(control)->isVisibleTo(window_.get());
}
void QtToolkit::SetVisible(ControlId control, bool visible) {
  widget(control)->setVisible(visible);
}

void QtToolkit::AddItem(ControlId control, std::string_view item) {
  if (window_->kind(control) != Kind::kComboBox) return;
  auto* combo = static_cast<QComboBox*>(widget(control));
  // Adding the first item would put it into the edit field; the text stays as it is.
  const QString kept = combo->currentText();
  combo->addItem(ToQString(item));
  combo->setEditText(kept);
}

std::vector<std::string> QtToolkit::Items(ControlId control) const {
  std::vector<std::string> items;
  if (window_->kind(control) != Kind::kComboBox) return items;
  const auto* combo = static_cast<const QComboBox*>(widget(control));
  for (int i = 0; i < combo->count(); ++i) items.push_back(FromQString(combo->itemText(i)));
  return items;
}

void QtToolkit::SetFocus(ControlId control) { widget(control)->setFocus(Qt::OtherFocusReason); }

int QtToolkit::Position(ControlId control) const {
  if (window_->kind(control) != Kind::kProgressBar) return 0;
  return static_cast<QProgressBar*>(widget(control))->value();
}

void QtToolkit::SetPosition(ControlId control, int position) {
  if (window_->kind(control) != Kind::kProgressBar) return;
  static_cast<QProgressBar*>(widget(control))->setValue(std::clamp(position, 0, kProgressMaximum));
}

void QtToolkit::SetCaption(std::string_view caption) {
  window_->setWindowTitle(ToQString(caption));
}
std::string QtToolkit::Caption() const { return FromQString(window_->windowTitle()); }

void QtToolkit::Minimize() { window_->showMinimized(); }
void QtToolkit::Restore() { window_->showNormal(); }
void QtToolkit::Repaint() { window_->repaint(); }
int QtToolkit::WindowState() const {
  if (window_->isMinimized()) return 1;
  return window_->isMaximized() ? 2 : 0;
}

void QtToolkit::BringToForeground() {
  window_->raise();
  window_->activateWindow();
}

// The window exists from creation on, as the source manager expects of the parent it is given:
// asking for the id creates the native window before it is shown.
void* QtToolkit::NativeHandle() { return reinterpret_cast<void*>(window_->winId()); }

void QtToolkit::SetApplicationTitle(std::string_view title) { application_title_ = title; }

void QtToolkit::MessageBox(std::string_view text) {
  ShowBox(BoxKind::kMessage, ToQString(application_title_), ToDisplayText(text));
}

void QtToolkit::ErrorBox(std::string_view text) {
  ShowBox(BoxKind::kError, ToQString(application_title_), ToDisplayText(text));
}

std::optional<std::string> QtToolkit::BrowseForFolder(std::string_view title,
                                                      std::string_view start_folder) {
  const std::optional<QString> folder =
      ChooseExistingFolder(ToQString(title), ToQString(start_folder));
  if (!folder) return std::nullopt;
  return FromQString(*folder);
}

std::optional<std::string> QtToolkit::AskForNewFolder(std::string_view start_folder) {
  const std::optional<QString> folder = ChooseNewFolder(ToQString(start_folder));
  if (!folder) return std::nullopt;
  return FromQString(*folder);
}

std::optional<int> QtToolkit::ChooseFromList(std::string_view title,
                                             const std::vector<std::string>& items) {
  QStringList list;
  for (const std::string& item : items) list.append(ToQString(item));
  return ChooseListItem(ToQString(title), list);
}

void QtToolkit::PostMessage(unsigned message) {
  QCoreApplication::postEvent(window_.get(), new PostedMessageEvent(message));
}

void QtToolkit::ProcessMessages() { QCoreApplication::processEvents(); }

bool InstallQtTranslations(std::string_view language_code) {
  if (language_code.empty() || language_code == "en") return false;
  auto translator = std::make_unique<QTranslator>(QCoreApplication::instance());
  const QString name =
      QStringLiteral("qtbase_") +
      QString::fromLatin1(language_code.data(), static_cast<qsizetype>(language_code.size()));
  if (!translator->load(name, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) return false;
  QCoreApplication::installTranslator(translator.release());
  return true;
}

}  // namespace platform
