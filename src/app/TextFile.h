#pragma once
// Writes the program's text exports (CSV) to a file the user chose.

#include <QString>
#include <string>

// Replaces the file's content with `text`, whole or not at all; an empty
// result means written, otherwise the text says why not, naming the file,
// and the file is as it was.
QString writeTextFile(const QString& file, const std::string& text);
