#include "platform/qt/QtDialogs.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <memory>

#include "platform/Cp1250.h"
#include "platform/qt/QtText.h"

namespace platform {
namespace {

using namespace text::literals;

// A path as the caller wants it: no trailing separator (except for the root itself).
QString WithoutTrailingSeparator(QString path) {
  while (path.size() > 1 && (path.endsWith(QLatin1Char('/')) || path.endsWith(QDir::separator()))) {
    path.chop(1);
  }
  return path;
}

}  // namespace

void ShowBox(BoxKind kind, const QString& caption, const QString& text) {
  // No parent: the box is application-modal and centred on the screen, also while the main
  // window is minimised during a scan.
  QMessageBox box(kind == BoxKind::kError ? QMessageBox::Critical : QMessageBox::NoIcon, caption,
                  text, QMessageBox::Ok);
  box.setTextFormat(Qt::PlainText);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

std::optional<QString> ChooseExistingFolder(const QString& title, const QString& start) {
  QFileDialog dialog(nullptr, title, start);
  dialog.setWindowModality(Qt::ApplicationModal);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, true);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty() || chosen.front().isEmpty()) return std::nullopt;
  return WithoutTrailingSeparator(chosen.front());
}

std::optional<QString> ChooseNewFolder(const QString& start) {
  QDialog dialog;
  dialog.setWindowModality(Qt::ApplicationModal);
  dialog.setWindowTitle(ToQString("Zadejte složku"_cp));
  dialog.resize(360, 400);

  auto* model = new QFileSystemModel(&dialog);
  model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  model->setRootPath(QDir::rootPath());
  auto* tree = new QTreeView(&dialog);
  tree->setModel(model);
  for (int column = 1; column < model->columnCount(); ++column) tree->hideColumn(column);
  tree->setHeaderHidden(true);

  auto* path_box = new QLineEdit(start, &dialog);
  path_box->setObjectName(QLatin1String(kFolderPathBoxName));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel,
                                       Qt::Horizontal, &dialog);

  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(tree);
  layout->addWidget(new QLabel(ToQString("Složka (může být i nová):"_cp), &dialog));
  layout->addWidget(path_box);
  layout->addWidget(buttons);

  // The tree follows the user's choice into the path box. The model reads folders in the
  // background: the start folder is selected as its parents arrive, until the user moves.
  struct TreeState {
    bool moving = false;
    bool user_moved = false;
  };
  auto state = std::make_shared<TreeState>();
  const QString start_path = WithoutTrailingSeparator(start);
  auto show_start = [tree, model, state, start_path] {
    const QModelIndex start_index = model->index(start_path);
    if (state->user_moved || !start_index.isValid()) return;
    state->moving = true;
    for (QModelIndex parent = start_index.parent(); parent.isValid(); parent = parent.parent()) {
      tree->expand(parent);
    }
    if (tree->currentIndex() != start_index) tree->setCurrentIndex(start_index);
    tree->scrollTo(start_index, QAbstractItemView::PositionAtCenter);
    state->moving = false;
  };
  // Scrolling works once the tree has laid its rows out: shortly after the last folder arrived.
  auto* settle = new QTimer(&dialog);
  settle->setSingleShot(true);
  settle->setInterval(50);
  QObject::connect(settle, &QTimer::timeout, &dialog, show_start);
  QObject::connect(model, &QFileSystemModel::directoryLoaded, settle,
                   static_cast<void (QTimer::*)()>(&QTimer::start));
  show_start();
  settle->start();
  QObject::connect(tree->selectionModel(), &QItemSelectionModel::currentChanged, &dialog,
                   [model, path_box, state](const QModelIndex& current) {
                     if (state->moving || !current.isValid()) return;
                     state->user_moved = true;
                     path_box->setText(model->filePath(current));
                   });
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  path_box->setFocus();

  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QString path = WithoutTrailingSeparator(path_box->text().trimmed());
  if (path.isEmpty()) return std::nullopt;
  return path;
}

std::optional<int> ChooseListItem(const QString& title, const QStringList& items) {
  QDialog dialog;
  dialog.setWindowModality(Qt::ApplicationModal);
  dialog.setWindowTitle(title);
  dialog.resize(300, 170);
  auto* list = new QListWidget(&dialog);
  list->setObjectName(QLatin1String(kListName));
  list->addItems(items);
  if (!items.isEmpty()) list->setCurrentRow(0);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel,
                                       Qt::Horizontal, &dialog);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(list);
  layout->addWidget(buttons);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  QObject::connect(list, &QListWidget::itemActivated, &dialog, &QDialog::accept);

  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const int row = list->currentRow();
  if (row < 0 || row >= items.size()) return std::nullopt;
  return row;
}

}  // namespace platform
