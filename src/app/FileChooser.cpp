#include "app/FileChooser.h"

#include <QFileDialog>
#include <utility>

namespace app {
namespace {

QString dialog(QWidget* parent, const QString& caption, const QString& suggested,
               const QString& filter) {
    return QFileDialog::getSaveFileName(parent, caption, suggested, filter);
}

FileChooser& current() {
    static FileChooser chooser = dialog;
    return chooser;
}

} // namespace

QString chooseSaveFile(QWidget* parent, const QString& caption, const QString& suggested,
                       const QString& filter) {
    const FileChooser chooser = current();
    return chooser(parent, caption, suggested, filter);
}

FileChooser setFileChooser(FileChooser chooser) {
    return std::exchange(current(), chooser ? std::move(chooser) : FileChooser(dialog));
}

} // namespace app
