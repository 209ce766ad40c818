// Every command-line option that takes a value, with thousands of generated
// values, in-process: the command line is either taken, with values the
// program can use, or refused with one clear line (the program then exits
// with status 2; tests/e2e runs it with a few of them).

#include "Seed.h"
#include "Tally.h"
#include "TypedTexts.h"
#include "app/CommandLine.h"
#include "platform/SoundCardFactory.h"
#include "platform/bench/Circuit.h"

#include <QStringList>
#include <array>
#include <climits>
#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <utility>

namespace {

using robust::TypedTexts;

// Command lines tried in-process.
constexpr int commandLines = 20000;

// A value for an option: a sensible one, one slightly off, or anything.
class OptionValues {
public:
    explicit OptionValues(std::uint64_t seed) : texts_(seed) {}

    std::string audio() {
        static constexpr std::array<const char*, 9> names = {
            "auto", "alsa", "bench", "Bench", " alsa", "alsa ", "oss", "bench,alsa", "au\nto"};
        return pick(names);
    }
    std::string device() {
        static constexpr std::array<const char*, 8> names = {
            "default", "hw:0", "plughw:CARD=Device,DEV=0", " hw:1 ", "hw:\n1",
            "\t",      "null", "hw:99999999999999999999"};
        return pick(names);
    }
    std::string circuit() {
        static constexpr std::array<const char*, 7> names = {"R", "L", "C", "r", "X", "", " R "};
        static constexpr std::array<const char*, 9> suffixes = {"",  "p", "n",  "u",       "m",
                                                                "k", "M", "uu", "\xc2\xb5"};
        std::string spec;
        for (int i = 0, n = 1 + texts_.below(3); i < n; ++i) {
            if (i > 0) spec += texts_.oneIn(8) ? ";" : ",";
            spec += pick(names);
            if (!texts_.oneIn(10)) spec += "=";
            spec += texts_.oneIn(4) ? texts_.next().text : number() + pick(suffixes);
        }
        return spec;
    }
    std::string seconds() {
        switch (texts_.below(4)) {
        case 0:
            return number();
        case 1: {
            static constexpr std::array<const char*, 14> odd = {
                "1e308",   "1e309",   "-0",      "1e-400",   "0x10",     "3,5",   " 2 ",
                "2147483", "2147484", "2592000", "31536000", "31536001", "1.5.2", "\xd9\xa1"};
            return pick(odd);
        }
        default:
            return texts_.next().text;
        }
    }
    std::string snapshot() {
        static constexpr std::array<const char*, 10> names = {
            "window.png", "w.PNG",        ".png",     "png",    "a.jpg",
            "/tmp/x.png", "\xc4\x8d.png", "a\nb.png", "a.png ", "dir/"};
        std::string name = pick(names);
        if (texts_.oneIn(10))
            name = std::string(static_cast<std::size_t>(texts_.below(5000)), 'a') + ".png";
        return name;
    }
    std::string logFile() {
        static constexpr std::array<const char*, 7> names = {
            "log.csv", "/tmp/zo7.csv", "", " ", "\xc4\x8d.csv", "a\nb.csv", "dir/"};
        return pick(names);
    }
    std::string response() {
        switch (texts_.below(3)) {
        case 0: {
            static constexpr std::array<const char*, 14> odd = {
                "50:500:31",       "10:20000:200", "9:500:31",    "50:20001:31", "50:500:1",
                "50:500:201",      "500:50:31",    "50:500",      "50:500:31:1", "::",
                " 50 : 500 : 31 ", "50.5:500:31",  "0x10:500:31", "-50:500:31"};
            return pick(odd);
        }
        case 1:
            return number() + ":" + number() + ":" + number();
        default:
            return texts_.next().text;
        }
    }
    std::string anything() { return texts_.next().text; }
    TypedTexts& texts() { return texts_; }

private:
    template <std::size_t N> std::string pick(const std::array<const char*, N>& from) {
        return texts_.pick(from);
    }
    std::string number() {
        std::string text = std::to_string(texts_.number() / (texts_.oneIn(2) ? 1 : 1000));
        if (texts_.oneIn(3)) text += "." + std::to_string(texts_.below(1000));
        return text;
    }

    TypedTexts texts_;
};

bool hasControlCharacter(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f) return true;
    return false;
}

bool hasControlCharacter(const std::string& text) {
    return hasControlCharacter(QString::fromStdString(text));
}

TEST(CommandLineFuzz, EveryValueIsTakenOrRefusedInOneLine) {
    SCOPED_TRACE(robust::seedNote());
    OptionValues values(robust::testSeed());
    TypedTexts& texts = values.texts();
    using Value = std::string (OptionValues::*)();
    const std::array<std::pair<const char*, Value>, 8> options = {{
        {"audio", &OptionValues::audio},
        {"device", &OptionValues::device},
        {"circuit", &OptionValues::circuit},
        {"quit-after", &OptionValues::seconds},
        {"snapshot", &OptionValues::snapshot},
        {"log", &OptionValues::logFile},
        {"response", &OptionValues::response},
        {"response-out", &OptionValues::logFile},
    }};
    int refused = 0;
    int tried = 0;
    for (; tried < commandLines && !::testing::Test::HasFailure(); ++tried) {
        QStringList arguments{QStringLiteral("zo7scope")};
        for (int i = 0, n = 1 + texts.below(3); i < n; ++i) {
            std::string name;
            std::string value;
            if (const int which = texts.below(static_cast<int>(options.size()) + 1);
                which < static_cast<int>(options.size())) {
                name = options[static_cast<std::size_t>(which)].first;
                value = (values.*options[static_cast<std::size_t>(which)].second)();
            } else {
                // An option that does not exist, or a stray argument.
                name = texts.oneIn(2) ? values.anything() : "";
                value = values.anything();
            }
            if (texts.oneIn(2)) {
                arguments << QString::fromStdString((name.empty() ? "" : "--" + name + "=") +
                                                    value);
            } else {
                if (!name.empty()) arguments << QString::fromStdString("--" + name);
                arguments << QString::fromStdString(value);
            }
        }
        SCOPED_TRACE(arguments.join(QStringLiteral(" | ")).left(300).toStdString());

        const CommandLine line = parseCommandLine(arguments);
        std::string error;
        if (line.action == CommandLine::Action::error) {
            error = line.text.toStdString();
        } else if (line.action == CommandLine::Action::run) {
            const CommandLineOptions& o = line.options;
            EXPECT_TRUE(o.audio == "auto" || o.audio == "alsa" || o.audio == "bench")
                << o.audio.toStdString();
            if (o.quitAfterSeconds) {
                // The close timer holds it: whole milliseconds in an int.
                EXPECT_TRUE(std::isfinite(*o.quitAfterSeconds));
                EXPECT_GE(*o.quitAfterSeconds, 0.0);
                EXPECT_LE(std::lround(*o.quitAfterSeconds * 1000.0), INT_MAX)
                    << *o.quitAfterSeconds;
            }
            if (!o.snapshotFile.isEmpty()) {
                EXPECT_TRUE(o.snapshotFile.endsWith(QLatin1String(".png"), Qt::CaseInsensitive));
            }
            if (o.response) {
                // What generator 1 and the response window can do.
                EXPECT_GE(o.response->startHz, 10);
                EXPECT_LE(o.response->startHz, 20000);
                EXPECT_GE(o.response->endHz, 10);
                EXPECT_LE(o.response->endHz, 20000);
                EXPECT_GE(o.response->points, 2);
                EXPECT_LE(o.response->points, 200);
            }
            EXPECT_TRUE(o.responseFile.isEmpty() || o.response);
            error = platform::soundCardOptionError(o.audio.toStdString(), o.circuit.toStdString(),
                                                   o.device.toStdString());
            // A circuit that is taken runs on the bench: its current stays finite.
            if (error.empty() && !o.circuit.isEmpty()) {
                const auto parsed = platform::bench::parseCircuit(o.circuit.toStdString());
                ASSERT_TRUE(parsed.circuit);
                platform::bench::CircuitSimulation simulation(*parsed.circuit, 1.0 / 44100);
                for (int n = 0; n < 2000; ++n) {
                    const double i = simulation.step(500.0 * std::sin(n * 0.0142));
                    ASSERT_TRUE(std::isfinite(i)) << "sample " << n;
                }
            }
        }
        if (!error.empty()) {
            ++refused;
            EXPECT_EQ(error.rfind("zo7scope: ", 0), 0u) << error;
            EXPECT_FALSE(hasControlCharacter(error)) << "not one clear line: " << error;
        }
    }
    EXPECT_GT(refused, commandLines / 10);
    EXPECT_LT(refused, commandLines * 9 / 10);
    robust::tally("command lines tried", tried);
}

} // namespace
