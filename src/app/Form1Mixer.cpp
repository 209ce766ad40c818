// TForm1: the sound card's mixer and volumes around the program's run. The
// start-up saves the volumes and sets the mixer up, "optimum" saves the
// volumes again, closing gives them back; the menu item "mix. pult " starts
// the desktop's mixer application.

#include "app/ErrorReport.h"
#include "app/Form1.h"
#include "app/IdleCycle.h"
#include "audio/AudioOut.h"
#include "core/Exception.h"
#include "core/SharedState.h"
#include "measure/GainSwitch.h"
#include "mixer/MixerJournal.h"
#include "mixer/MixerSetUp.h"
#include "platform/SoundCard.h"

#include <QFile>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>

namespace {

void say(const std::string& line) {
    std::fprintf(stderr, "zo7scope: %s\n", line.c_str());
    std::fflush(stderr);
}

// How long the start-up waits for a mixer that is still loading before it
// goes on without it, and how often it looks again after that.
constexpr std::chrono::milliseconds mixerLoadWait{40};
constexpr int mixerLookMs = 20;

bool mixerReady(int id, std::chrono::milliseconds wait) {
    return !platform::hasSoundCard() || platform::soundCard().mixerReady(id, wait);
}

// Removes the mixer state file once what it records has reached the mixer:
// one that cannot be reached now (a sound server that hangs) keeps it for
// the next start.
void removeJournalWhenGiven(platform::Mixer& mixer) {
    mixer.afterChanges([path = mixerJournalPath()] { QFile::remove(path); });
}

} // namespace

void TForm1::SaveVolumes() {
    ::SaveVolumes(state);
}

void TForm1::RestoreVolumes() {
    ::RestoreVolumes(state);
}

void TForm1::setUpMixerWhenReady() {
    AudioMixer1->OnMixerControlChange = [this](TAudioMixer*, std::uint32_t D, std::uint32_t S,
                                               std::uint32_t C) {
        app::reportExceptions([&] { mixerControlChanged(D, S, C); });
    };
    if (mixerReady(AudioMixer1->MixerID(), mixerLoadWait)) {
        SaveVolumes();
        ConfigureMixer();
        return;
    }
    mixerWait_ = new QTimer(this);
    mixerWait_->setInterval(mixerLookMs);
    idle_->ignore(mixerWait_);
    connect(mixerWait_, &QTimer::timeout, this, [this] {
        if (!mixerReady(AudioMixer1->MixerID(), std::chrono::milliseconds(0))) return;
        mixerWait_->stop();
        app::reportExceptions([this] {
            SaveVolumes();
            ConfigureMixer();
        });
    });
    mixerWait_->start();
}

// On a real sound card what the set-up changes is kept in the mixer state
// file first (MixerJournal.h); a file left by a run that was killed is given
// back before anything else.
void TForm1::ConfigureMixer() {
    const bool keepJournal = platform::hasSoundCard() && platform::soundCard().name() == "alsa";
    if (!keepJournal) {
        SetUpMixer(*AudioMixer1);
        return;
    }
    AudioMixer1->OpenMixer();
    const QString path = mixerJournalPath();
    const std::string where = path.toStdString();
    std::string error;
    if (const auto left = readJournal(path, error)) {
        if (left->mixer != AudioMixer1->ProductName) {
            say(where + " belongs to the mixer \"" + left->mixer +
                "\", not this one: it is left as it is, and this run keeps none");
            SetUpOpenMixer(*AudioMixer1);
            return;
        }
        const int given = restoreJournal(*AudioMixer1->Handle(), *left, false);
        say("the last run did not close normally: " + std::to_string(given) +
            " mixer settings it had changed were given back (" + where + ")");
        // The new file written below records the values given back.
        QFile::remove(path);
        AudioMixer1->OpenMixer(); // the model reads the values given back
        // The volumes saved a moment ago were the killed run's: the ones
        // given back are those to restore at the close.
        ::SaveVolumes(state);
    } else if (!error.empty()) {
        say(where + ": " + error + "; it is left as it is, and this run keeps none");
        SetUpOpenMixer(*AudioMixer1);
        return;
    }
    const MixerJournal before = snapshotMixer(*AudioMixer1);
    if (const auto failed = writeJournal(path, before); !failed.empty()) {
        say(where + ": " + failed + "; the mixer is set up without a way back after a crash");
        SetUpOpenMixer(*AudioMixer1);
        return;
    }
    SetUpOpenMixer(*AudioMixer1);
    mixerJournal_ = changedControls(before, snapshotMixer(*AudioMixer1));
    if (mixerJournal_.entries.empty()) {
        QFile::remove(path);
        return;
    }
    if (const auto failed = writeJournal(path, mixerJournal_); !failed.empty())
        say(where + ": " + failed);
    journalKept_ = true;
    // From now on the program's own settings (the gain switch) are what it
    // set; any other change of a control it changed is the user's, and is
    // kept in the file at once, for a start after a crash.
    AudioMixer1->OnControlApplied = [this](std::uint32_t id) {
        if (journalKept_) noteProgramValue(mixerJournal_, *AudioMixer1->Handle(), id);
    };
}

// A control of the set-up's that changed without the program setting it is
// the user's, and kept in the mixer state file at once. The level a gain
// step reached may become known only after the step (a sound server that
// answered late): the reduced readouts follow it then.
void TForm1::mixerControlChanged(std::uint32_t D, std::uint32_t S, std::uint32_t C) {
    // A destination's own control comes with S DestinationControl, which
    // reads as -1: the destination itself.
    const TSource* line =
        AudioMixer1->Line(static_cast<std::int32_t>(D), static_cast<std::int32_t>(S));
    if (!line || C >= line->Controls.size()) return;
    const TAudioControl* control = line->Controls[C].get();
    if (journalKept_ && noteChange(mixerJournal_, *AudioMixer1->Handle(), control->ControlID))
        writeJournal(mixerJournalPath(), mixerJournal_);
    const TVolume* level = AudioMixer1->LineInputLevel();
    if (state.reducedGain == 1 && level && control == level->Control)
        useReachedGain(measure::reducedGainLevel);
}

void TForm1::RestoreMixer() {
    if (!journalKept_ || !AudioMixer1->IsOpen) return;
    // The gain switch's reduced level is the program's too, unless the user
    // has moved the level since.
    TVolume* level = AudioMixer1->LineInputLevel();
    const bool userLevel =
        level && level->Control &&
        std::any_of(mixerJournal_.entries.begin(), mixerJournal_.entries.end(), [&](const auto& e) {
            return e.moved && e.controlId == level->Control->ControlID;
        });
    if (state.reducedGain == 1 && !userLevel) AudioMixer1->SetLeft(level, measure::fullGainLevel);
    journalKept_ = false;
    // The playback side stays switched on for the generator, unless the
    // generator never played, or its device failed in the end (a stream
    // whose open took its time asked for buffers before the open failed):
    // then everything the set-up changed goes back.
    const bool played = generatorPlayed_ && AudioOut1->LastResult == platform::error::ok;
    restoreJournal(*AudioMixer1->Handle(), mixerJournal_, played);
    removeJournalWhenGiven(*AudioMixer1->Handle());
}

void TForm1::mix1Click() {
    if (LaunchMixerApplication()) return;
    // Nothing opened: say why, and what to install.
    const bool bench = platform::hasSoundCard() && platform::soundCard().name() == "bench";
    throw Exception(bench ? "Simulované pracoviště nemá mixážní pult, který by šlo otevřít"
                          : "Mixážní pult nelze otevřít: není nainstalován program pavucontrol "
                            "ani alsamixer s terminálem. Nainstalujte balíček pavucontrol, "
                            "nebo balíčky alsa-utils a xterm");
}
