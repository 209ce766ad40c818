#pragma once
// The save dialog of the program. Replaceable, so that tests and scripts
// choose a file without a dialog waiting for a click.

#include <QString>
#include <functional>

class QWidget;

namespace app {

// Returns the chosen file, or an empty text when the user cancelled.
using FileChooser = std::function<QString(QWidget* parent, const QString& caption,
                                          const QString& suggested, const QString& filter)>;

QString chooseSaveFile(QWidget* parent, const QString& caption, const QString& suggested,
                       const QString& filter);

// Installs the chooser that chooseSaveFile uses; an empty function restores
// the dialog. Returns the chooser installed before.
FileChooser setFileChooser(FileChooser chooser);

} // namespace app
