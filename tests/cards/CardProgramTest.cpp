// The program on sound cards served through alsa-lib's own layers: the
// cards of plugin/CardModel.h, loaded by alsa-lib from a configuration of
// the test's own (ALSA_CONFIG_PATH names it and nothing else, so that no
// setting of the machine takes part; each test names its own "default").
// The cards keep their controls in state files that the test reads while
// the program runs and after it has ended.

#include "CardModel.h"
#include "support/ProgramRun.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <alsa/asoundlib.h>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using zo7card::Card;
using zo7card::findCard;

const QString recordingHead = QStringLiteral("Zvuková karta nenahrává: ");

struct Value {
    const char* control;
    unsigned channel;
    long value;
};

// A directory with the configuration, the cards' state files and the
// program's own state directory.
class CardBench {
public:
    CardBench() {
        QDir(dir_.path()).mkpath(QStringLiteral("cards"));
        configure("hda");
    }
    ~CardBench() {
        for (auto& [name, state] : states_)
            zo7card::unmapState(state);
    }

    // Writes the configuration: hw:CARD and plughw:CARD for every card,
    // ctl hw:CARD, and "default" on one of them. `rates` limits the PCM's
    // rates (e.g. "48000").
    void configure(const std::string& defaultCard, const std::string& rates = {}) {
        const std::string plugin = ZO7CARD_PLUGIN;
        const std::string cards = (dir_.path() + QStringLiteral("/cards")).toStdString();
        const std::string card = "type zo7card card $CARD state \"" + cards + "\"" +
                                 (rates.empty() ? "" : " rates [ " + rates + " ]");
        const std::string text =
            "pcm_type.zo7card { lib \"" + plugin + "\" }\n" + "ctl_type.zo7card { lib \"" + plugin +
            "\" }\n" + "pcm.hw { @args [ CARD ] @args.CARD { type string } " + card + " }\n" +
            "ctl.hw { @args [ CARD ] @args.CARD { type string } " + card + " }\n" +
            "pcm.plughw { @args [ CARD ] @args.CARD { type string } type plug slave.pcm { " + card +
            " } }\n";
        // "default" is one of the cards, described so that the device
        // listing shows it.
        const std::string named = "type zo7card card \"" + defaultCard + "\" state \"" + cards +
                                  "\"" + (rates.empty() ? "" : " rates [ " + rates + " ]");
        const std::string defaults = "pcm.!default { " + named +
                                     " hint { show on description \"the " + defaultCard +
                                     " card\" } }\nctl.!default { " + named + " }\n";
        QFile file(configPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray::fromStdString(text + defaults));
    }

    QString configPath() const { return dir_.path() + QStringLiteral("/asound.conf"); }
    QString journalPath() const {
        return dir_.path() + QStringLiteral("/xdg/zo7scope/mixer-state.json");
    }
    QString path(const char* name) const { return dir_.path() + "/" + name; }

    QProcessEnvironment environment() const {
        QProcessEnvironment e = headless();
        e.insert(QStringLiteral("ALSA_CONFIG_PATH"), configPath());
        e.insert(QStringLiteral("XDG_STATE_HOME"), dir_.path() + QStringLiteral("/xdg"));
        e.remove(QStringLiteral("PULSE_SERVER"));
        return e;
    }

    // The card's state as alsa-lib's clients share it (made fresh on first use).
    zo7card::State& state(const Card& card) {
        auto& s = states_[card.name];
        if (!s) {
            const std::string file =
                zo7card::stateFile((dir_.path() + QStringLiteral("/cards")).toStdString(), card);
            s = zo7card::mapState(file, card);
        }
        return *s;
    }
    long value(const Card& card, const char* control, unsigned channel = 0) {
        const int i = zo7card::controlIndex(card, control);
        EXPECT_GE(i, 0) << control;
        return i < 0 ? -1 : state(card).values[i][channel];
    }
    // Every control that differs from the card's initial values, as text.
    std::string changedControls(const Card& card) {
        std::string changed;
        for (std::size_t i = 0; i < card.controls.size(); ++i) {
            const auto& c = card.controls[i];
            for (unsigned ch = 0; ch < c.channels; ++ch)
                if (state(card).values[i][ch] != c.initial)
                    changed += std::string(c.name) + "[" + std::to_string(ch) +
                               "]=" + std::to_string(state(card).values[i][ch]) + " ";
        }
        return changed;
    }

private:
    QTemporaryDir dir_;
    std::map<std::string, zo7card::State*> states_;
};

std::unique_ptr<QProcess> startProgram(const QStringList& arguments,
                                       const QProcessEnvironment& environment) {
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(environment);
    process->start(programPath(), arguments);
    EXPECT_TRUE(process->waitForStarted(10000));
    return process;
}

bool waitUntil(int ms, const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        if (done()) return true;
        QThread::msleep(20);
    }
    return done();
}

QJsonObject reportOf(const QByteArray& out) {
    return QJsonDocument::fromJson(out.trimmed()).object();
}

QString controlText(const QJsonObject& report, const QString& name, bool* visible = nullptr) {
    for (const auto& c : report.value("controls").toArray())
        if (c.toObject().value("name").toString() == name) {
            if (visible) *visible = c.toObject().value("visible").toBool();
            return c.toObject().value("text").toString();
        }
    return {};
}

double stateNumber(const QJsonObject& report, const char* name) {
    return report.value("state").toObject().value(name).toDouble(-1);
}

// The lines of stderr that start with `head` after the program's name.
int linesStartingWith(const QByteArray& err, const QString& head) {
    int count = 0;
    for (const QString& line : ownLines(err))
        if (line.startsWith(QStringLiteral("zo7scope: ") + head)) ++count;
    return count;
}

// Every control of the card holds its initial value again, but for those
// that stay as given.
void expectGivenBackBut(CardBench& bench, const Card& card, const std::vector<Value>& stays) {
    for (const auto& v : stays) {
        EXPECT_EQ(bench.value(card, v.control, v.channel), v.value)
            << v.control << "[" << v.channel << "]";
        const int i = zo7card::controlIndex(card, v.control);
        bench.state(card).values[i][v.channel] =
            static_cast<std::int32_t>(card.controls[i].initial);
    }
    EXPECT_EQ(bench.changedControls(card), "");
}

// ---------------------------------------------------------------- set-up

struct SetUpCase {
    const char* card;
    bool records;               // the card can record what the window needs
    std::vector<Value> running; // controls while the program runs
};

void PrintTo(const SetUpCase& c, std::ostream* os) {
    *os << c.card;
}

class CardSetUp : public ::testing::TestWithParam<SetUpCase> {};

// The set-up selects the line input, switches its path on and sets every
// gain on it to 0 dB: the recorded sine has the line's own amplitude
// (8000 on the left, 6000 on the right, see CardModel.h).
TEST_P(CardSetUp, GivesTheLineInputAtUnityGainAndItsPathSwitchedOn) {
    const auto& c = GetParam();
    const Card& card = *findCard(c.card);
    CardBench bench;
    bench.configure(c.card);
    bench.state(card);
    auto program = startProgram(
        {"--audio=alsa", "--device=hw:" + QString(c.card), "--quit-after=2.5", "--report"},
        bench.environment());
    ASSERT_TRUE(waitUntil(2000, [&] { return QFile::exists(bench.journalPath()); }));
    QThread::msleep(300);
    for (const auto& v : c.running)
        EXPECT_EQ(bench.value(card, v.control, v.channel), v.value)
            << v.control << "[" << v.channel << "]";
    ASSERT_TRUE(program->waitForFinished(20000));
    EXPECT_EQ(program->exitCode(), 0);
    const auto report = reportOf(program->readAllStandardOutput());
    if (c.records) {
        EXPECT_NEAR(stateNumber(report, "voltagePeak"), 8000, 1);
        EXPECT_NEAR(stateNumber(report, "currentPeak"), 6000, 1);
    }
    EXPECT_FALSE(QFile::exists(bench.journalPath()));
}

INSTANTIATE_TEST_SUITE_P(Cards, CardSetUp,
                         ::testing::Values(
                             // Input Source on Line, not on the boost; the boost at its lowest
                             // step, the microphone's left alone; Capture at 0 dB (step 23).
                             SetUpCase{"hda",
                                       true,
                                       {{"Input Source", 0, 2},
                                        {"Capture Switch", 0, 1},
                                        {"Capture Switch", 1, 1},
                                        {"Capture Volume", 0, 23},
                                        {"Capture Volume", 1, 23},
                                        {"Line Boost Volume", 0, 0},
                                        {"Line Boost Volume", 1, 0},
                                        {"Mic Boost Volume", 0, 1},
                                        {"Master Playback Switch", 0, 1},
                                        {"Master Playback Volume", 0, 87},
                                        {"PCM Playback Volume", 0, 255}}},
                             // Line's own capture switch on, the others off; Line at 0 dB (step
                             // 23), the microphone's level at its bottom.
                             SetUpCase{"ac97",
                                       true,
                                       {{"Line Capture Switch", 0, 1},
                                        {"Line Capture Switch", 1, 1},
                                        {"Mic Capture Switch", 0, 0},
                                        {"CD Capture Switch", 0, 0},
                                        {"Line Capture Volume", 0, 23},
                                        {"Line Capture Volume", 1, 23},
                                        {"Mic Capture Volume", 0, 0},
                                        {"Capture Switch", 0, 1},
                                        {"Capture Volume", 0, 0},
                                        {"Master Playback Switch", 0, 1},
                                        {"Master Playback Volume", 0, 31},
                                        {"PCM Playback Volume", 0, 23}}},
                             // Its one input is Mic: recorded at full level (0 dB, step 0).
                             SetUpCase{"usb",
                                       false,
                                       {{"Mic Capture Switch", 0, 1},
                                        {"Mic Capture Volume", 0, 0},
                                        {"Speaker Playback Switch", 0, 1},
                                        {"Speaker Playback Volume", 0, 28}}}),
                         [](const auto& info) { return std::string(info.param.card); });

// ---------------------------------------------------------------- restore

enum class Ending { quitAfter, sigterm, sigkillAndNewStart };

struct RestoreCase {
    const char* name;
    const char* card;
    Ending ending;
    // Switched on for the generator, which played: these stay on.
    std::vector<Value> stays;
};

void PrintTo(const RestoreCase& c, std::ostream* os) {
    *os << c.name;
}

class CardRestore : public ::testing::TestWithParam<RestoreCase> {};

TEST_P(CardRestore, EveryControlTheSetUpChangedIsGivenBack) {
    const auto& c = GetParam();
    const Card& card = *findCard(c.card);
    CardBench bench;
    bench.configure(c.card);
    bench.state(card);
    const QString device = "--device=hw:" + QString(c.card);
    auto program = startProgram({"--audio=alsa", device, "--quit-after=2.5"}, bench.environment());
    ASSERT_TRUE(waitUntil(2000, [&] { return QFile::exists(bench.journalPath()); }));
    QThread::msleep(500);
    ASSERT_FALSE(bench.changedControls(card).empty()) << "the set-up changed nothing";
    switch (c.ending) {
    case Ending::quitAfter:
        break;
    case Ending::sigterm:
        program->terminate();
        break;
    case Ending::sigkillAndNewStart:
        program->kill();
        break;
    }
    ASSERT_TRUE(program->waitForFinished(20000));
    if (c.ending == Ending::sigkillAndNewStart) {
        EXPECT_TRUE(QFile::exists(bench.journalPath()));
        const auto again =
            runProgram({"--audio=alsa", device, "--quit-after=1"}, bench.environment());
        EXPECT_EQ(again.status, 0);
        EXPECT_EQ(linesStartingWith(again.err, "the last run did not close normally"), 1)
            << again.err.toStdString();
    } else {
        EXPECT_EQ(program->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program->exitCode(), 0);
    }
    EXPECT_FALSE(QFile::exists(bench.journalPath()));
    expectGivenBackBut(bench, card, c.stays);
}

INSTANTIATE_TEST_SUITE_P(
    Cards, CardRestore,
    ::testing::Values(
        RestoreCase{"hdaClosed", "hda", Ending::quitAfter, {{"Master Playback Switch", 0, 1}}},
        RestoreCase{"hdaTerminated", "hda", Ending::sigterm, {{"Master Playback Switch", 0, 1}}},
        RestoreCase{
            "hdaKilled", "hda", Ending::sigkillAndNewStart, {{"Master Playback Switch", 0, 1}}},
        RestoreCase{"ac97Closed", "ac97", Ending::quitAfter, {{"Master Playback Switch", 0, 1}}},
        RestoreCase{"ac97Terminated", "ac97", Ending::sigterm, {{"Master Playback Switch", 0, 1}}},
        RestoreCase{
            "ac97Killed", "ac97", Ending::sigkillAndNewStart, {{"Master Playback Switch", 0, 1}}},
        // Its microphone levels stand above 0 dB; nothing played.
        RestoreCase{"usbClosed", "usb", Ending::quitAfter, {}},
        RestoreCase{"usbKilled", "usb", Ending::sigkillAndNewStart, {}}),
    [](const auto& info) { return std::string(info.param.name); });

// ----------------------------------------------------------- user's moves

struct UserMoveCase {
    const char* card;
    // What the user sets while the program runs, in this order
    // (every channel of the control), and what then stays after the close.
    std::vector<Value> sets;
    std::vector<Value> stays;
};

void PrintTo(const UserMoveCase& c, std::ostream* os) {
    *os << c.card;
}

class CardUserMove : public ::testing::TestWithParam<UserMoveCase> {};

// Sets every channel of a control of the card, as another program (a mixer
// application) would: through alsa-lib and the test's configuration, from
// this process. (amixer would do the same, but cannot load the plug-in of a
// sanitizer build.)
bool setControl(const CardBench& bench, const Card& card, const char* name, long value) {
    const char* old = std::getenv("ALSA_CONFIG_PATH");
    const std::string saved = old ? old : "";
    setenv("ALSA_CONFIG_PATH", bench.configPath().toLocal8Bit().constData(), 1);
    snd_ctl_t* ctl = nullptr;
    bool done = false;
    if (snd_ctl_open(&ctl, ("hw:" + std::string(card.name)).c_str(), 0) == 0) {
        snd_ctl_elem_id_t* id = nullptr;
        snd_ctl_elem_info_t* info = nullptr;
        snd_ctl_elem_value_t* values = nullptr;
        snd_ctl_elem_id_alloca(&id);
        snd_ctl_elem_info_alloca(&info);
        snd_ctl_elem_value_alloca(&values);
        snd_ctl_elem_id_set_interface(id, SND_CTL_ELEM_IFACE_MIXER);
        snd_ctl_elem_id_set_name(id, name);
        snd_ctl_elem_info_set_id(info, id);
        if (snd_ctl_elem_info(ctl, info) == 0) {
            snd_ctl_elem_value_set_id(values, id);
            const bool enumerated =
                snd_ctl_elem_info_get_type(info) == SND_CTL_ELEM_TYPE_ENUMERATED;
            for (unsigned ch = 0; ch < snd_ctl_elem_info_get_count(info); ++ch)
                if (enumerated)
                    snd_ctl_elem_value_set_enumerated(values, ch, static_cast<unsigned>(value));
                else
                    snd_ctl_elem_value_set_integer(values, ch, value);
            done = snd_ctl_elem_write(ctl, values) >= 0;
        }
        snd_ctl_close(ctl);
    }
    if (old)
        setenv("ALSA_CONFIG_PATH", saved.c_str(), 1);
    else
        unsetenv("ALSA_CONFIG_PATH");
    return done;
}

TEST_P(CardUserMove, WhatTheUserSetWhileTheProgramRanStaysAndTheRestIsGivenBack) {
    const auto& c = GetParam();
    const Card& card = *findCard(c.card);
    CardBench bench;
    bench.configure(c.card);
    bench.state(card);
    auto program = startProgram(
        {"--audio=alsa", "--device=hw:" + QString(c.card), "--quit-after=4"}, bench.environment());
    ASSERT_TRUE(waitUntil(2000, [&] { return QFile::exists(bench.journalPath()); }));
    QThread::msleep(500);
    for (const auto& v : c.sets) {
        ASSERT_TRUE(setControl(bench, card, v.control, v.value)) << v.control;
        QThread::msleep(200);
    }
    ASSERT_TRUE(program->waitForFinished(20000));
    EXPECT_EQ(program->exitCode(), 0) << program->readAllStandardError().toStdString();
    EXPECT_FALSE(QFile::exists(bench.journalPath()));
    expectGivenBackBut(bench, card, c.stays);
}

// The level is moved; the switch the set-up turned on is turned off and on
// again, which leaves it as the program had set it, but set by the user.
INSTANTIATE_TEST_SUITE_P(Cards, CardUserMove,
                         ::testing::Values(
                             // Input Source moved from Line to CD: the microphone it had before
                             // cannot be selected beside it, so the user's choice stays whole.
                             UserMoveCase{"hda",
                                          {{"Capture Volume", 0, 10},
                                           {"Capture Switch", 0, 0},
                                           {"Capture Switch", 0, 1},
                                           {"Input Source", 0, 3}},
                                          {{"Capture Volume", 0, 10},
                                           {"Capture Volume", 1, 10},
                                           {"Capture Switch", 0, 1},
                                           {"Capture Switch", 1, 1},
                                           {"Input Source", 0, 3},
                                           {"Master Playback Switch", 0, 1}}},
                             // The microphone's capture switch, which only the program turned
                             // off, is on again.
                             UserMoveCase{"ac97",
                                          {{"Line Capture Volume", 0, 15},
                                           {"Line Capture Switch", 0, 0},
                                           {"Line Capture Switch", 0, 1}},
                                          {{"Line Capture Volume", 0, 15},
                                           {"Line Capture Volume", 1, 15},
                                           {"Line Capture Switch", 0, 1},
                                           {"Line Capture Switch", 1, 1},
                                           {"Master Playback Switch", 0, 1}}},
                             UserMoveCase{
                                 "usb",
                                 {{"Mic Capture Volume", 0, 5},
                                  {"Mic Capture Switch", 0, 0},
                                  {"Mic Capture Switch", 0, 1}},
                                 {{"Mic Capture Volume", 0, 5}, {"Mic Capture Switch", 0, 1}}}),
                         [](const auto& info) { return std::string(info.param.card); });

// ------------------------------------------------------------ gain steps

struct GainCase {
    const char* card;
    // The line input's level after the switch: the control and its step
    // nearest to -5.32 dB (35535 of 65535); none where the card has none.
    const char* level;
    long step;
};

void PrintTo(const GainCase& c, std::ostream* os) {
    *os << c.card;
}

class CardGainStep : public ::testing::TestWithParam<GainCase> {};

// The UR column of the block log lines after the first `from`.
std::vector<double> voltages(const QString& log, int from) {
    QFile file(log);
    std::vector<double> values;
    if (!file.open(QIODevice::ReadOnly)) return values;
    const auto lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    for (int i = 1 + from; i < lines.size(); ++i)
        values.push_back(lines[i].split(',').value(4).toDouble());
    return values;
}

int logLines(const QString& log) {
    QFile file(log);
    if (!file.open(QIODevice::ReadOnly)) return 0;
    return std::max<int>(0, static_cast<int>(file.readAll().count('\n')) - 1);
}

// A sine of 30300 reads at full gain; raised to 32000 it makes the input's
// level go down (by the step of 1.5 dB or 0.75 dB nearest to -5.3 dB), and
// back at 30300 it stays down (the level returns only below 15000): both
// readings of 30300 must agree within 1 %, and 32000 must read 320/303 of
// it. Where the card has no level to lower, the panel says so.
TEST_P(CardGainStep, OneSignalReadsTheSameOnBothSidesOfTheSwitch) {
    const auto& c = GetParam();
    const Card& card = *findCard(c.card);
    CardBench bench;
    bench.configure(c.card);
    auto& signal = bench.state(card);
    signal.amplitude[0] = 30300;
    const QString log = bench.path("blocks.csv");
    auto program = startProgram(
        {"--audio=alsa", "--device=hw:" + QString(c.card), "--quit-after=60", "--log=" + log},
        bench.environment());
    // Six blocks of each signal; the first three after a change may have
    // been recorded before it, or before the level moved.
    ASSERT_TRUE(waitUntil(20000, [&] { return logLines(log) >= 6; }));
    const auto full = voltages(log, 0);
    signal.amplitude[0] = 32000;
    int mark = logLines(log);
    ASSERT_TRUE(waitUntil(15000, [&] { return logLines(log) >= mark + 6; }));
    const auto loud = voltages(log, mark + 3);
    signal.amplitude[0] = 30300;
    mark = logLines(log);
    ASSERT_TRUE(waitUntil(15000, [&] { return logLines(log) >= mark + 6; }));
    const auto reduced = voltages(log, mark + 3);
    if (c.level) {
        EXPECT_EQ(bench.value(card, c.level), c.step) << c.level;
    }
    program->terminate();
    ASSERT_TRUE(program->waitForFinished(20000));
    const double atFull = full.back();
    ASSERT_GT(atFull, 0);
    EXPECT_NEAR(loud.back() / atFull, 32000.0 / 30300.0, 0.01 * 32000.0 / 30300.0);
    EXPECT_NEAR(reduced.back() / atFull, 1.0, 0.01)
        << reduced.back() << " mV after the switch, " << atFull << " mV at full gain";
    // The panel writes each text it shows to stderr once.
    const QString text = QStringLiteral("Vstup nelze ztlumit: směšovač karty nemá nižší stupeň. "
                                        "Snižte měřenou veličinu.");
    EXPECT_EQ(linesStartingWith(program->readAllStandardError(), text), c.level ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(Cards, CardGainStep,
                         // -1725 + 16 * 75 = -525; -3450 + 19 * 150 = -600
                         ::testing::Values(GainCase{"hda", "Capture Volume", 16},
                                           GainCase{"ac97", "Line Capture Volume", 19},
                                           GainCase{"usbline", nullptr, 0}),
                         [](const auto& info) { return std::string(info.param.card); });

// ----------------------------------------------------------- bad devices

// Holds both directions of a PCM through alsa-lib, as another program
// (another recorder and player, a sound server) would.
class PcmHolder {
public:
    PcmHolder(const QString& config, const char* device) {
        const char* old = std::getenv("ALSA_CONFIG_PATH");
        if (old) old_ = old;
        hadOld_ = old != nullptr;
        setenv("ALSA_CONFIG_PATH", config.toLocal8Bit().constData(), 1);
        opened_ = snd_pcm_open(&capture_, device, SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK);
        if (opened_ == 0)
            opened_ = snd_pcm_open(&playback_, device, SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    }
    ~PcmHolder() {
        if (capture_) snd_pcm_close(capture_);
        if (playback_) snd_pcm_close(playback_);
        if (hadOld_)
            setenv("ALSA_CONFIG_PATH", old_.c_str(), 1);
        else
            unsetenv("ALSA_CONFIG_PATH");
    }
    int opened() const { return opened_; }

private:
    snd_pcm_t* capture_ = nullptr;
    snd_pcm_t* playback_ = nullptr;
    int opened_ = -1;
    std::string old_;
    bool hadOld_ = false;
};

struct BadDeviceCase {
    const char* name;
    const char* device;
    const char* mixerCard; // the card whose mixer the program sets up
    const char* rates;
    bool held;
    const char* text; // after "Zvuková karta nenahrává: "
};

void PrintTo(const BadDeviceCase& c, std::ostream* os) {
    *os << c.name;
}

class BadDevice : public ::testing::TestWithParam<BadDeviceCase> {};

TEST_P(BadDevice, SaysWhyOnceAndLeavesTheMixerAsItWas) {
    const auto& c = GetParam();
    const Card& card = *findCard(c.mixerCard);
    CardBench bench;
    bench.configure("hda", c.rates);
    bench.state(card);
    std::unique_ptr<PcmHolder> holder;
    if (c.held) {
        holder = std::make_unique<PcmHolder>(bench.configPath(), c.device);
        ASSERT_EQ(holder->opened(), 0);
    }
    const auto run = runProgram(
        {"--audio=alsa", QStringLiteral("--device=") + c.device, "--quit-after=2.5", "--report"},
        bench.environment());
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    const auto report = reportOf(run.out);
    bool visible = false;
    const QString text = recordingHead + QString::fromUtf8(c.text);
    EXPECT_EQ(controlText(report, QStringLiteral("recordingPanel"), &visible).toStdString(),
              text.toStdString());
    EXPECT_TRUE(visible);
    EXPECT_EQ(linesStartingWith(run.err, text), 1) << run.err.toStdString();
    EXPECT_EQ(linesStartingWith(run.err, recordingHead), 1) << run.err.toStdString();
    EXPECT_EQ(bench.changedControls(card), "");
    EXPECT_FALSE(QFile::exists(bench.journalPath()));
}

INSTANTIATE_TEST_SUITE_P(
    Devices, BadDevice,
    ::testing::Values(
        BadDeviceCase{"Absent", "hw:7", "hda", "", false,
                      "zařízení hw:7 neexistuje. Připojte kartu nebo zvolte jiné --device."},
        BadDeviceCase{"Held", "hw:hda", "hda", "", true, "zařízení používá jiný program."},
        BadDeviceCase{"OneChannel", "hw:usb", "usb", "", false,
                      "zařízení nahrává jen jeden kanál, IL a UR potřebují dva. Zvolte jinou "
                      "kartu."},
        BadDeviceCase{"Only48kHz", "hw:hda", "hda", "48000", false,
                      "zařízení nepřijímá 44100 Hz, 16 bitů. Použijte --device=plughw:hda."}),
    [](const auto& info) { return std::string(info.param.name); });

// --------------------------------------------------------------- formats

TEST(CardFormats, AStereoOnlyCardPlaysTheGeneratorOnBothChannels) {
    const Card& card = *findCard("hda");
    CardBench bench;
    auto& played = bench.state(card);
    const auto run =
        runProgram({"--audio=alsa", "--device=hw:hda", "--quit-after=2"}, bench.environment());
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(played.playedChannels, 2u);
    // Generator 1 starts at amplitude 3000.
    EXPECT_EQ(played.playedPeak[0], 3000);
    EXPECT_EQ(played.playedPeak[1], 3000);
    EXPECT_GT(played.playedFrames, 44100u);
}

TEST(CardFormats, ThePlughwDeviceNamedForA48kHzCardRecords) {
    const Card& card = *findCard("hda");
    CardBench bench;
    bench.configure("hda", "48000");
    bench.state(card);
    const auto run = runProgram(
        {"--audio=alsa", "--device=plughw:hda", "--mixer=hw:hda", "--quit-after=2.5", "--report"},
        bench.environment());
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const auto report = reportOf(run.out);
    // The same sine as recorded at 44100 Hz: 8000 peak, RMS 8000/sqrt(2) in
    // 16-bit units, which the readout calibrates to 142.7 mV.
    EXPECT_NEAR(stateNumber(report, "voltageReading"), 142.7, 1.5);
    bool visible = true;
    controlText(report, QStringLiteral("recordingPanel"), &visible);
    EXPECT_FALSE(visible);
}

TEST(CardFormats, TheDeviceListingMarksAOneChannelInput) {
    CardBench bench;
    bench.configure("usb");
    const auto run = runProgram({"--list-devices"}, bench.environment());
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("  default  [no card, records 1 channel: NOT USABLE (IL and UR "
                                 "need two), mixer default]"))
        << run.out.toStdString();
}

} // namespace
