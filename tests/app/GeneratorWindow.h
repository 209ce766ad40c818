#pragma once
// A window on the test's bench card, with the user's ways into the generator
// panels: choosing a combo item, double-clicking a box, typing, playing
// output buffers, and the error boxes shown on the way.

#include "app/ComboBoxItem.h"
#include "app/ErrorReport.h"
#include "app/Form1.h"
#include "platform/bench/BenchSoundCard.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

class GeneratorWindow : public ::testing::Test {
protected:
    void SetUp() override {
        bench = dynamic_cast<platform::bench::BenchSoundCard*>(&platform::soundCard());
        ASSERT_NE(bench, nullptr);
        app::setErrorBox([this](const QString&, const QString& text) { errors.push_back(text); });
        form = std::make_unique<TForm1>();
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    void TearDown() override { form.reset(); }

    // The user picks an item from the list.
    static void choose(QComboBox& box, int item) {
        SetItemIndex(box, item);
        emit box.activated(item);
    }
    static void typeAndDoubleClick(QLineEdit& box, const QString& text) {
        box.setText(text);
        QTest::mouseDClick(&box, Qt::LeftButton);
    }
    // Plays `buffers` half-second output buffers; the window refills each
    // (and shows what a refill reports once the buffer is queued).
    void play(int buffers) {
        for (int i = 0; i < buffers; ++i) {
            bench->advance(22050);
            QCoreApplication::processEvents();
            QCoreApplication::processEvents();
        }
    }

    platform::bench::BenchSoundCard* bench = nullptr;
    std::vector<QString> errors;
    std::unique_ptr<TForm1> form;
};
