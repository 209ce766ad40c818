#include "app/FileChooser.h"

#include <QFileDialog>
#include <utility>

namespace app {
namespace {

QString dialog(QWidget* parent, const QString& caption, const QString& suggested,
               const QString& filter, QString* selectedFilter) {
    return QFileDialog::getSaveFileName(parent, caption, suggested, filter, selectedFilter);
}

const QString plainFilter = QStringLiteral("CSV (*.csv)");
const QString spreadsheetFilter = QString::fromUtf8("CSV pro tabulkový procesor (*.csv)");

FileChooser& current() {
    static FileChooser chooser = dialog;
    return chooser;
}

} // namespace

QString chooseSaveFile(QWidget* parent, const QString& caption, const QString& suggested,
                       const QString& filter, QString* selectedFilter) {
    const FileChooser chooser = current();
    return chooser(parent, caption, suggested, filter, selectedFilter);
}

QString csvFilters() {
    return plainFilter + QStringLiteral(";;") + spreadsheetFilter;
}

QString chooseCsvFile(QWidget* parent, const QString& caption, const QString& suggested,
                      CsvStyle& style) {
    QString chosen = plainFilter;
    const QString file = chooseSaveFile(parent, caption, suggested, csvFilters(), &chosen);
    style = chosen == spreadsheetFilter ? spreadsheetCsv : plainCsv;
    return file;
}

FileChooser setFileChooser(FileChooser chooser) {
    return std::exchange(current(), chooser ? std::move(chooser) : FileChooser(dialog));
}

} // namespace app
