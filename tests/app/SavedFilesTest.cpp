// Every file the window saves is written whole or not at all: a folder
// without write permission, a target that is a folder or a disk that fills
// up leaves the previous file byte for byte as it was, nothing else in its
// folder, and one error box that names it; a cancelled dialog writes
// nothing and says nothing.

#include "app/ErrorReport.h"
#include "app/FileChooser.h"
#include "app/ResponseWindow.h"
#include "support/BenchWindow.h"
#include "support/FileTrouble.h"

#include <QAction>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <vector>

namespace {

using namespace filetrouble;

enum class Trouble { none, readOnlyFolder, folderTarget, diskFull, dialogCancelled };

struct Writer {
    const char* label;
    const char* fileName;
    void (*save)(TForm1&);
};

const Writer writers[] = {
    {"BlockCsv", "blok.csv", [](TForm1& form) { form.saveDataAction->trigger(); }},
    {"WindowPicture", "osciloskop.png", [](TForm1& form) { form.saveImageAction->trigger(); }},
    {"ResponseCsv", "charakteristika.csv",
     [](TForm1& form) { form.responseWindow().saveCsvButton->click(); }},
    {"ResponsePicture", "charakteristika.png",
     [](TForm1& form) { form.responseWindow().saveImageButton->click(); }},
};

TEST(SavedFiles, EveryWindowWriterLeavesThePreviousFileWholeOnFailure) {
    testcard::BenchWindow bench;
    bench.capture(1);
    TForm1& form = bench.form();
    std::vector<QString> boxes;
    const app::ErrorBox box =
        app::setErrorBox([&](const QString&, const QString& text) { boxes.push_back(text); });
    const struct {
        Trouble trouble;
        bool replaced;
        std::size_t reports;
    } cases[] = {{Trouble::none, true, 0},
                 {Trouble::readOnlyFolder, false, 1},
                 {Trouble::folderTarget, false, 1},
                 {Trouble::diskFull, false, 1},
                 {Trouble::dialogCancelled, false, 0}};
    for (const Writer& writer : writers)
        for (const auto& c : cases) {
            SCOPED_TRACE(::testing::Message() << writer.label << " trouble " << int(c.trouble));
            QTemporaryDir directory;
            ASSERT_TRUE(directory.isValid());
            const QString folder = directory.filePath("data");
            const QString target =
                placeTarget(directory.path(), writer.fileName, c.trouble == Trouble::folderTarget);
            ASSERT_FALSE(target.isEmpty());
            const auto before = contentsOf(folder);
            const app::FileChooser chooser =
                app::setFileChooser([&](QWidget*, const QString&, const QString&, const QString&,
                                        QString*) {
                    return c.trouble == Trouble::dialogCancelled ? QString() : target;
                });
            boxes.clear();
            if (c.trouble == Trouble::readOnlyFolder) setMode(folder, 0555);
            {
                std::optional<NoPermissionOverride> asAUser;
                std::optional<DiskFull> full;
                if (c.trouble == Trouble::readOnlyFolder) asAUser.emplace();
                // The previous file stands; no new one gets further than 16 bytes.
                if (c.trouble == Trouble::diskFull) full.emplace(16);
                writer.save(form);
            }
            setMode(folder, 0755);
            app::setFileChooser(chooser);

            const auto after = contentsOf(folder);
            if (c.replaced) {
                ASSERT_EQ(after.size(), 1u);
                EXPECT_NE(after.begin()->second, previousContent);
                EXPECT_GT(after.begin()->second.size(), 16);
            } else {
                EXPECT_EQ(after, before);
            }
            ASSERT_EQ(boxes.size(), c.reports);
            if (c.reports == 1) {
                EXPECT_TRUE(boxes[0].contains(target)) << boxes[0].toStdString();
            }
        }
    app::setErrorBox(box);
}

} // namespace
