// The files the program writes from its command line are written whole or
// not at all: --snapshot and --response-out leave the previous file byte
// for byte as it was when the folder refuses writing, the target is a
// folder, the disk fills up or the run ends early, and say so in one line
// on stderr with status 2 (at start) or 1 (at the end). The log appends
// whole lines only and goes on after a failed append, which it says once.

#include "support/FileTrouble.h"
#include "support/ProgramRun.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using namespace filetrouble;

enum class Writer { snapshot, responseOut, log };
enum class Trouble { none, readOnlyFolder, folderTarget, diskFull, cancelled };
enum class Outcome { replaced, appended, unchanged };

struct Row {
    const char* label;
    Writer writer;
    Trouble trouble;
    int status;
    Outcome outcome;
    int reports; // stderr lines that name the target
};

void PrintTo(const Row& row, std::ostream* os) {
    *os << row.label;
}

QStringList arguments(const Row& row, const QString& target) {
    QStringList list{"--audio=bench"};
    switch (row.writer) {
    case Writer::snapshot:
        list << "--quit-after=0.3"
             << "--snapshot=" + target;
        break;
    case Writer::responseOut:
        list << "--response=50:500:3"
             << "--response-out=" + target;
        break;
    case Writer::log:
        // The run on simulated time records a block after another, as many every run.
        list << "--response=50:500:3"
             << "--log=" + target;
        break;
    }
    // The window closes before the run has its first point.
    if (row.trouble == Trouble::cancelled) list << "--quit-after=0";
    return list;
}

// After the previous content, whole log lines only: seven fields each.
void expectWholeLogLines(const QByteArray& content) {
    ASSERT_TRUE(content.startsWith(previousContent));
    const QByteArray added = content.mid(previousContent.size());
    ASSERT_FALSE(added.isEmpty());
    EXPECT_TRUE(added.endsWith('\n'));
    for (const QByteArray& line : added.split('\n'))
        if (!line.isEmpty()) {
            EXPECT_EQ(line.count(','), 6) << line.toStdString();
        }
}

class SavedFilesTest : public ::testing::TestWithParam<Row> {};

TEST_P(SavedFilesTest, ThePreviousFileStaysWholeAndTheFailureIsSaidOnce) {
    const Row& row = GetParam();
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    const QString folder = directory.filePath("data");
    const QString target =
        placeTarget(directory.path(), row.writer == Writer::snapshot ? "window.png" : "out.csv",
                    row.trouble == Trouble::folderTarget);
    ASSERT_FALSE(target.isEmpty());
    const auto before = contentsOf(folder);

    std::function<void()> inChild;
    if (row.trouble == Trouble::readOnlyFolder) {
        setMode(folder, 0555);
        inChild = withoutPermissionOverrideInChild();
    }
    // A new file takes 30 bytes, less than any of these writes; a log line
    // gets 30 bytes in before the disk is full.
    if (row.trouble == Trouble::diskFull) inChild = diskFullInChild(previousContent.size() + 30);
    const ProgramRun run = runProgram(arguments(row, target), headless(), inChild);
    setMode(folder, 0755);

    EXPECT_EQ(run.status, row.status) << run.err.toStdString();
    const QStringList lines = ownLines(run.err);
    EXPECT_EQ(lines.filter(target).size(), row.reports) << run.err.toStdString();
    // Refused at start: that line alone.
    if (row.status == 2) {
        EXPECT_EQ(lines.size(), 1) << run.err.toStdString();
    }

    const auto after = contentsOf(folder);
    switch (row.outcome) {
    case Outcome::unchanged:
        EXPECT_EQ(after, before);
        break;
    case Outcome::replaced:
        ASSERT_EQ(after.size(), 1u);
        EXPECT_NE(after.begin()->second, previousContent);
        EXPECT_GT(after.begin()->second.size(), 100);
        break;
    case Outcome::appended:
        ASSERT_EQ(after.size(), 1u);
        expectWholeLogLines(after.begin()->second);
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Writers, SavedFilesTest,
    ::testing::Values(
        Row{"SnapshotWritten", Writer::snapshot, Trouble::none, 0, Outcome::replaced, 0},
        Row{"SnapshotReadOnlyFolder", Writer::snapshot, Trouble::readOnlyFolder, 2,
            Outcome::unchanged, 1},
        Row{"SnapshotOnAFolder", Writer::snapshot, Trouble::folderTarget, 2, Outcome::unchanged, 1},
        Row{"SnapshotDiskFull", Writer::snapshot, Trouble::diskFull, 1, Outcome::unchanged, 1},
        Row{"ResponseWritten", Writer::responseOut, Trouble::none, 0, Outcome::replaced, 0},
        Row{"ResponseReadOnlyFolder", Writer::responseOut, Trouble::readOnlyFolder, 2,
            Outcome::unchanged, 1},
        Row{"ResponseOnAFolder", Writer::responseOut, Trouble::folderTarget, 2, Outcome::unchanged,
            1},
        Row{"ResponseDiskFull", Writer::responseOut, Trouble::diskFull, 1, Outcome::unchanged, 1},
        Row{"ResponseCancelled", Writer::responseOut, Trouble::cancelled, 1, Outcome::unchanged, 1},
        Row{"LogAppended", Writer::log, Trouble::none, 0, Outcome::appended, 0},
        // The log file itself may be written: appending needs no new file.
        Row{"LogReadOnlyFolder", Writer::log, Trouble::readOnlyFolder, 0, Outcome::appended, 0},
        Row{"LogOnAFolder", Writer::log, Trouble::folderTarget, 2, Outcome::unchanged, 1},
        // The first line's 30 bytes are taken back; every later line fails too.
        Row{"LogDiskFull", Writer::log, Trouble::diskFull, 1, Outcome::unchanged, 1}),
    [](const auto& info) { return std::string(info.param.label); });

} // namespace
