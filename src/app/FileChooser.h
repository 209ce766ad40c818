#pragma once
// The save dialog of the program. Replaceable, so that tests and scripts
// choose a file without a dialog waiting for a click.

#include "core/CsvStyle.h"

#include <QString>
#include <functional>

class QWidget;

namespace app {

// Returns the chosen file, or an empty text when the user cancelled. With
// several filters (";;" between them) the one chosen is left in
// selectedFilter, when given.
using FileChooser =
    std::function<QString(QWidget* parent, const QString& caption, const QString& suggested,
                          const QString& filter, QString* selectedFilter)>;

QString chooseSaveFile(QWidget* parent, const QString& caption, const QString& suggested,
                       const QString& filter, QString* selectedFilter = nullptr);

// The filters of a CSV file: plain CSV, or "CSV pro tabulkový procesor".
QString csvFilters();

// A CSV file to save, and the style the chosen filter asks for.
QString chooseCsvFile(QWidget* parent, const QString& caption, const QString& suggested,
                      CsvStyle& style);

// Installs the chooser that chooseSaveFile uses; an empty function restores
// the dialog. Returns the chooser installed before.
FileChooser setFileChooser(FileChooser chooser);

} // namespace app
