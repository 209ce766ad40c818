// The window's use of the mixer and the volumes, on the bench: start-up,
// "optimum", closing, and a machine without a mixer.
#include "app/ErrorReport.h"
#include "app/Form1.h"
#include "mixer/AudioMixer.h"
#include "platform/bench/BenchSoundCard.h"

#include <QCoreApplication>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using namespace platform;
using namespace platform::bench;

// The bench, with every volume call and device open recorded on the way.
class LoggingCard : public SoundCard {
public:
    explicit LoggingCard(BenchOptions options)
        : bench(std::make_unique<BenchSoundCard>(std::move(options))) {}

    struct VolumeCall {
        bool set;
        VolumeDevice device;
        std::uint32_t value;
        bool operator==(const VolumeCall&) const = default;
    };
    std::unique_ptr<BenchSoundCard> bench;
    std::vector<VolumeCall> volumeCalls;
    int inputOpens = 0, outputOpens = 0, mixerOpens = 0, launches = 0;

    // The backend's name as the window shows it (the bench's unless set).
    std::string cardName;
    std::string name() const override { return cardName.empty() ? bench->name() : cardName; }
    MMResult openInput(int device, const PcmFormat& format, QObject* notify,
                       std::unique_ptr<WaveInput>& input) override {
        ++inputOpens;
        return bench->openInput(device, format, notify, input);
    }
    MMResult openOutput(int device, const PcmFormat& format, QObject* notify,
                        std::unique_ptr<WaveOutput>& output) override {
        ++outputOpens;
        return bench->openOutput(device, format, notify, output);
    }
    int mixerCount() override { return bench->mixerCount(); }
    MMResult mixerCaps(int id, MixerCaps& caps) override { return bench->mixerCaps(id, caps); }
    MMResult openMixer(int id, QObject* notify, std::unique_ptr<Mixer>& mixer) override {
        ++mixerOpens;
        return bench->openMixer(id, notify, mixer);
    }
    MMResult getVolume(VolumeDevice device, std::uint32_t& volume) override {
        const auto result = bench->getVolume(device, volume);
        volumeCalls.push_back({false, device, result == error::ok ? volume : 0});
        return result;
    }
    MMResult setVolume(VolumeDevice device, std::uint32_t volume) override {
        volumeCalls.push_back({true, device, volume});
        return bench->setVolume(device, volume);
    }
    bool launchMixerApplication() override {
        ++launches;
        return bench->launchMixerApplication();
    }
    // A sound server's mixer that is still loading while this is false.
    bool loaded = true;
    bool mixerReady(int, std::chrono::milliseconds) override { return loaded; }
};

class Form1MixerTest : public ::testing::Test {
protected:
    LoggingCard& install(BenchOptions options) {
        auto card = std::make_unique<LoggingCard>(std::move(options));
        card_ = card.get();
        installSoundCard(std::move(card));
        previousBox_ = app::setErrorBox(
            [this](const QString&, const QString& text) { errors_.push_back(text.toStdString()); });
        return *card_;
    }
    void TearDown() override {
        form_.reset();
        app::setErrorBox(previousBox_);
        installSoundCard(nullptr);
    }
    static BenchOptions options() {
        BenchOptions o;
        o.clock = ClockMode::manual;
        o.volumes = {0x80008000u, 0x1111u, 0x2222u, 0x3333u, 0x4444u, 0x5555u};
        return o;
    }
    TForm1& createForm() {
        form_ = std::make_unique<TForm1>();
        return *form_;
    }

    LoggingCard* card_ = nullptr;
    std::unique_ptr<TForm1> form_;
    std::vector<std::string> errors_;
    app::ErrorBox previousBox_;
};

std::uint32_t level(BenchMixer& mixer, std::uint32_t line, std::uint32_t destination = 0) {
    const auto id = mixer.findControl(line, controlType::volume, destination);
    EXPECT_NE(id, 0u);
    return mixer.values(id).at(0);
}

std::vector<LoggingCard::VolumeCall> writesOf(const std::vector<LoggingCard::VolumeCall>& calls) {
    std::vector<LoggingCard::VolumeCall> out;
    for (const auto& c : calls)
        if (c.set) out.push_back(c);
    return out;
}

using V = VolumeDevice;

TEST_F(Form1MixerTest, StartUpSetsTheBenchMixerUpAndClosingGivesTheVolumesBack) {
    auto& card = install(options());
    auto& form = createForm();
    EXPECT_TRUE(errors_.empty());
    ASSERT_NE(form.AudioMixer1, nullptr);
    EXPECT_TRUE(form.AudioMixer1->IsOpen);

    auto& mixer = card.bench->mixer(0);
    using namespace lineType;
    const auto signal = mixer.signalLevels();
    EXPECT_TRUE(signal.lineSelected);
    EXPECT_EQ(level(mixer, sourceLine, destinationWaveIn), 65535u);
    for (auto muted : {sourceTelephone, sourceCompactDisc, sourceAuxiliary, sourceMicrophone})
        EXPECT_EQ(level(mixer, muted, destinationWaveIn), 0u) << std::hex << muted;
    EXPECT_EQ(level(mixer, sourceWaveOut), 65535u);
    EXPECT_EQ(level(mixer, destinationSpeakers), 65535u);

    // The volumes are read before anything changes them, in their order.
    const std::vector<LoggingCard::VolumeCall> reads = {
        {false, V::waveOut0, 0x80008000u}, {false, V::aux3, 0x3333u}, {false, V::aux2, 0x2222u},
        {false, V::aux4, 0x4444u},         {false, V::aux1, 0x1111u}, {false, V::aux5, 0x5555u}};
    EXPECT_EQ(card.volumeCalls, reads);
    EXPECT_EQ(form.state.savedWaveOutVolume, 0x80008000u);
    EXPECT_EQ(form.state.savedAuxVolume3, 0x3333u);

    // Someone turns the volumes down while the program runs; closing brings
    // back the ones of the start, in the same order.
    for (auto d : {V::waveOut0, V::aux1, V::aux2, V::aux3, V::aux4, V::aux5})
        card.bench->setVolume(d, 0);
    card.volumeCalls.clear();
    form.close();
    const std::vector<LoggingCard::VolumeCall> restored = {
        {true, V::waveOut0, 0x80008000u}, {true, V::aux3, 0x3333u}, {true, V::aux2, 0x2222u},
        {true, V::aux4, 0x4444u},         {true, V::aux1, 0x1111u}, {true, V::aux5, 0x5555u}};
    EXPECT_EQ(writesOf(card.volumeCalls), restored);
    std::uint32_t v = 0;
    card.bench->getVolume(V::aux4, v);
    EXPECT_EQ(v, 0x4444u);
}

// A sound server's mixer still loading when the window starts: the window
// does not wait for it, and sets it up, volumes saved first, once it has
// loaded; closed before that, it neither sets it up nor writes volumes it
// never read.
TEST_F(Form1MixerTest, AMixerThatLoadsLateIsSetUpOnceLoaded) {
    using namespace lineType;
    auto& card = install(options());
    card.loaded = false;
    auto& form = createForm();
    auto& mixer = card.bench->mixer(0);
    ASSERT_NE(level(mixer, sourceLine, destinationWaveIn), 65535u);
    EXPECT_FALSE(form.AudioMixer1->IsOpen);
    EXPECT_TRUE(card.volumeCalls.empty());
    card.loaded = true;
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.AudioMixer1->IsOpen; }, 2000));
    EXPECT_EQ(level(mixer, sourceLine, destinationWaveIn), 65535u);
    ASSERT_FALSE(card.volumeCalls.empty());
    EXPECT_FALSE(card.volumeCalls.front().set) << "the volumes are read first";
    EXPECT_EQ(form.state.savedWaveOutVolume, 0x80008000u);
    EXPECT_TRUE(errors_.empty());
}

TEST_F(Form1MixerTest, AWindowClosedBeforeItsMixerLoadedLeavesMixerAndVolumesAlone) {
    using namespace lineType;
    auto& card = install(options());
    card.loaded = false;
    auto& form = createForm();
    auto& mixer = card.bench->mixer(0);
    const std::uint32_t before = level(mixer, sourceLine, destinationWaveIn);
    form.close();
    card.loaded = true;
    QTest::qWait(200);
    EXPECT_FALSE(form.AudioMixer1->IsOpen);
    EXPECT_EQ(level(mixer, sourceLine, destinationWaveIn), before);
    EXPECT_TRUE(card.volumeCalls.empty());
    EXPECT_TRUE(errors_.empty());
}

TEST_F(Form1MixerTest, OptimumSavesTheVolumesInForceAndLeavesTheMixerAlone) {
    auto& card = install(options());
    auto& form = createForm();
    auto& mixer = card.bench->mixer(0);
    const auto lineLevel =
        mixer.findControl(lineType::sourceLine, controlType::volume, lineType::destinationWaveIn);
    // The measurement has reduced the line input's gain.
    form.AudioMixer1->SetLeft(form.AudioMixer1->LineInputLevel(), 35535);
    mixer.clearWrites();
    const int opens = card.mixerOpens;

    card.bench->setVolume(V::waveOut0, 0x12341234u);
    card.bench->setVolume(V::aux2, 0x00AA00AAu);
    form.Button2Click();
    EXPECT_EQ(form.state.savedWaveOutVolume, 0x12341234u);
    EXPECT_EQ(form.state.savedAuxVolume2, 0x00AA00AAu);
    EXPECT_EQ(form.state.savedAuxVolume1, 0x1111u);
    EXPECT_TRUE(mixer.writes().empty());
    EXPECT_EQ(card.mixerOpens, opens);
    EXPECT_EQ(mixer.values(lineLevel).at(0), 35535u);

    card.bench->setVolume(V::waveOut0, 0);
    card.volumeCalls.clear();
    form.close();
    const auto writes = writesOf(card.volumeCalls);
    ASSERT_EQ(writes.size(), 6u);
    EXPECT_EQ(writes[0], (LoggingCard::VolumeCall{true, V::waveOut0, 0x12341234u}));
    EXPECT_EQ(writes[2], (LoggingCard::VolumeCall{true, V::aux2, 0x00AA00AAu}));
}

TEST_F(Form1MixerTest, WithoutAMixerTheWindowOpensIdleAndOptimumStartsItWithoutTheMixer) {
    auto o = options();
    o.mixers.clear();
    auto& card = install(std::move(o));
    auto& form = createForm();
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_EQ(errors_[0], "No mixer device present in this system.");
    EXPECT_FALSE(form.idleHooked());
    EXPECT_EQ(card.outputOpens, 0);
    EXPECT_EQ(card.inputOpens, 0);
    EXPECT_FALSE(form.AudioMixer1->IsOpen);

    form.Button2Click();
    QCoreApplication::processEvents();
    EXPECT_EQ(errors_.size(), 1u);
    EXPECT_TRUE(form.idleHooked());
    // Playback started by the sequence, recording by the frequency slider or
    // the first idle pass.
    EXPECT_GE(card.outputOpens, 1);
    for (int i = 0; i < 5 && card.inputOpens == 0; ++i)
        QCoreApplication::processEvents();
    EXPECT_GE(card.inputOpens, 1);
    EXPECT_EQ(card.mixerOpens, 0);
    EXPECT_FALSE(form.AudioMixer1->IsOpen);
}

TEST_F(Form1MixerTest, MixerMenuLaunchesTheDesktopMixerOrSaysWhatToInstall) {
    // A mixer application started: nothing to say. None found (or none
    // could be run): a message that names the packages to install.
    const struct {
        bool started;
        const char* card;
        const char* message;
    } table[] = {
        {true, "alsa", nullptr},
        {false, "alsa",
         "Mixážní pult nelze otevřít: není nainstalován program pavucontrol ani alsamixer s "
         "terminálem. Nainstalujte balíček pavucontrol, nebo balíčky alsa-utils a xterm."},
        {false, "bench", "Simulované pracoviště nemá mixážní pult, který by šlo otevřít."},
    };
    auto o = options();
    int started = 0;
    bool starts = false;
    o.mixerLauncher = [&] {
        ++started;
        return starts;
    };
    auto& card = install(std::move(o));
    auto& form = createForm();
    for (const auto& c : table) {
        SCOPED_TRACE(std::string(c.card) + (c.started ? " started" : " none"));
        starts = c.started;
        card.cardName = c.card;
        started = 0;
        card.launches = 0;
        errors_.clear();
        form.mix1->trigger();
        EXPECT_EQ(card.launches, 1);
        EXPECT_EQ(started, 1);
        if (c.message == nullptr) {
            EXPECT_TRUE(errors_.empty());
        } else {
            ASSERT_EQ(errors_.size(), 1u);
            EXPECT_EQ(errors_[0], c.message);
        }
    }
}

} // namespace
