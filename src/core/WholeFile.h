#pragma once
// Files the program writes are written whole or not at all. The new content
// goes into a temporary file beside the target, which takes the target's
// place only once every byte has reached the disk. A full disk, a removed
// stick, a folder without write permission or a target that is a folder
// leave the previous file byte for byte as it was, and no temporary file
// behind.

#include <QString>
#include <string_view>

class QIODevice;

// Makes `bytes` the whole content of `file`. Returns an empty text when the
// new file is in place; otherwise the reason in the system's words, never
// empty, and the file is as it was.
QString writeWholeFile(const QString& file, std::string_view bytes);

// Why `file` could not be replaced now (the same checks as writing it, with
// nothing written and nothing left behind); an empty text when it could.
// For a target named at start whose content comes much later.
QString wholeFileRefusal(const QString& file);

// Writes all of `bytes` at the device's position. A write may take only a
// part (the disk filled up on the way); the rest is given again until the
// system says why it cannot take it. False with that reason in `reason`
// when not everything was written.
bool writeEverything(QIODevice& out, std::string_view bytes, QString& reason);
