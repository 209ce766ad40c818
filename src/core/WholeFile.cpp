#include "core/WholeFile.h"

#include <QIODevice>
#include <QSaveFile>

namespace {

// Never in place: when the replacement cannot be made beside the target, the
// target is not written at all. Unbuffered, so that a write that falls short
// shows at once instead of vanishing in a buffer that commit() flushes
// without a word.
constexpr QIODevice::OpenMode replacement = QIODevice::WriteOnly | QIODevice::Unbuffered;

QString reasonOf(const QIODevice& device) {
    const QString reason = device.errorString();
    return reason.isEmpty() ? QStringLiteral("Unknown error") : reason;
}

} // namespace

bool writeEverything(QIODevice& out, std::string_view bytes, QString& reason) {
    const char* next = bytes.data();
    auto left = static_cast<qint64>(bytes.size());
    while (left > 0) {
        const qint64 written = out.write(next, left);
        if (written <= 0) {
            reason = reasonOf(out);
            return false;
        }
        next += written;
        left -= written;
    }
    return true;
}

QString writeWholeFile(const QString& file, std::string_view bytes) {
    QSaveFile out(file);
    if (!out.open(replacement)) return reasonOf(out);
    QString reason;
    if (!writeEverything(out, bytes, reason)) {
        // The destructor removes the temporary file.
        out.cancelWriting();
        return reason;
    }
    if (!out.commit()) return reasonOf(out);
    return {};
}

QString wholeFileRefusal(const QString& file) {
    QSaveFile out(file);
    if (!out.open(replacement)) return reasonOf(out);
    out.cancelWriting();
    return {};
}
