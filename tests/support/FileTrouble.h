#pragma once
// Troubles a file meets on its way to the disk, made on purpose: a folder
// without write permission (also for root, who otherwise writes anywhere),
// a disk that takes no more bytes, and a look at a whole folder to see that
// nothing in it changed and nothing was left behind.

#include <QByteArray>
#include <QString>
#include <functional>
#include <map>
#include <sys/resource.h>

namespace filetrouble {

// While it lives, this thread is refused what an ordinary user is refused:
// root's override of file permissions is off. For any other user it changes
// nothing, since the permissions apply already.
class NoPermissionOverride {
public:
    NoPermissionOverride();
    ~NoPermissionOverride();
    NoPermissionOverride(const NoPermissionOverride&) = delete;
    NoPermissionOverride& operator=(const NoPermissionOverride&) = delete;

private:
    unsigned saved_[2]{};
    bool dropped_ = false;
};

// While it lives, no file of this process grows past `bytes`: the write
// that would pass it stores what fits and the next one fails, as on a disk
// that has just filled up (SIGXFSZ is ignored meanwhile).
class DiskFull {
public:
    explicit DiskFull(rlim_t bytes);
    ~DiskFull();
    DiskFull(const DiskFull&) = delete;
    DiskFull& operator=(const DiskFull&) = delete;

private:
    rlimit saved_{};
    void (*savedSignal_)(int) = nullptr;
};

// The same for a program the test starts: run in the child before it
// starts the program (QProcess::setChildProcessModifier). The program must
// ignore SIGXFSZ itself.
std::function<void()> withoutPermissionOverrideInChild();
std::function<void()> diskFullInChild(rlim_t bytes);

// What the user had in the target before.
inline const QByteArray previousContent = "the user's previous file\n";

// A folder "data" in `directory` with the target `name` in it: the previous
// content, or a folder (not empty) in the file's place. Returns the
// target's path, empty when it could not be made.
QString placeTarget(const QString& directory, const QString& name, bool folderInstead);

// Every entry under `folder`, by path relative to it: the bytes of a file,
// "<folder>" for a folder.
std::map<QString, QByteArray> contentsOf(const QString& folder);

// Sets the permission bits of a file or folder (as chmod does).
void setMode(const QString& path, unsigned mode);

} // namespace filetrouble
