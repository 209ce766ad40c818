#include "support/FileTrouble.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <csignal>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace filetrouble {

namespace {

constexpr unsigned overrides = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);

// The calling thread's capabilities (the raw call: the C library has no
// wrapper, and it acts on this thread only).
bool capabilities(__user_cap_data_struct (&data)[2]) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return syscall(SYS_capget, &header, data) == 0;
}

bool setCapabilities(__user_cap_data_struct (&data)[2]) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return syscall(SYS_capset, &header, data) == 0;
}

} // namespace

NoPermissionOverride::NoPermissionOverride() {
    __user_cap_data_struct data[2]{};
    if (!capabilities(data) || (data[0].effective & overrides) == 0) return;
    saved_[0] = data[0].effective;
    saved_[1] = data[1].effective;
    data[0].effective &= ~overrides;
    dropped_ = setCapabilities(data);
}

NoPermissionOverride::~NoPermissionOverride() {
    if (!dropped_) return;
    __user_cap_data_struct data[2]{};
    if (!capabilities(data)) return;
    data[0].effective = saved_[0];
    data[1].effective = saved_[1];
    setCapabilities(data);
}

DiskFull::DiskFull(rlim_t bytes) {
    savedSignal_ = std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &saved_);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
}

DiskFull::~DiskFull() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, savedSignal_);
}

std::function<void()> withoutPermissionOverrideInChild() {
    // Out of the bounding set, the override is not given back when the
    // child, as root, starts the program. Refused (and not needed) for
    // anyone else.
    return [] {
        prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0);
        prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH, 0, 0, 0);
    };
}

std::function<void()> diskFullInChild(rlim_t bytes) {
    return [bytes] {
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    };
}

QString placeTarget(const QString& directory, const QString& name, bool folderInstead) {
    const QString target = directory + "/data/" + name;
    if (folderInstead) return QDir().mkpath(target + "/inside") ? target : QString();
    if (!QDir().mkpath(directory + "/data")) return {};
    QFile file(target);
    if (!file.open(QIODevice::WriteOnly) || file.write(previousContent) != previousContent.size())
        return {};
    return target;
}

std::map<QString, QByteArray> contentsOf(const QString& folder) {
    std::map<QString, QByteArray> entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString name = path.mid(folder.size() + 1);
        if (it.fileInfo().isDir()) {
            entries[name] = "<folder>";
            continue;
        }
        QFile file(path);
        entries[name] = file.open(QIODevice::ReadOnly) ? file.readAll() : "<unreadable>";
    }
    return entries;
}

void setMode(const QString& path, unsigned mode) {
    ::chmod(QFile::encodeName(path).constData(), mode);
}

} // namespace filetrouble
