#pragma once
// Writes the program's text exports (CSV) to a file the user chose.

#include <QString>
#include <string>

// Replaces the file's content with `text`; an empty result means written,
// otherwise the text says why not, naming the file.
QString writeTextFile(const QString& file, const std::string& text);
