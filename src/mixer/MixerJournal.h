#pragma once
// What the mixer set-up changes, kept in a file so that it can be given back
// even after a crash. Before its first change the program writes the values
// of the mixer's controls as they were; once the set-up is done it keeps only
// the controls it changed, with the values it set. Values are kept in the
// device's own steps (Mixer::getExactValues), so that what is given back is
// exactly what was found. A normal close gives back
// the capture-side ones and removes the file; a start that finds the file
// (the last run was killed) gives back all of them first. A control the user
// moved while the program ran is left as the user set it: the program marks
// it when the mixer reports a change that is not one of its own (its own
// writes keep `after` up to date), even when the user set it back to the
// value the program had set; a control whose value is no longer the one the
// program set was moved too.
//
// The file is written whole or not at all (QSaveFile). It lives in
// $XDG_STATE_HOME/zo7scope/ (by default ~/.local/state/zo7scope/).

#include "platform/SoundCard.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class TAudioMixer;

struct JournalEntry {
    std::uint32_t controlId = 0;
    std::uint32_t channels = 1;
    std::uint32_t items = 0;
    bool capture = false;              // a recording-side control (or a boost)
    std::string name;                  // for people reading the file
    std::vector<std::uint32_t> before; // the value the program found
    std::vector<std::uint32_t> after;  // the value it set; empty: not known yet
    bool moved = false;                // the user moved it while the program ran
    // Of a control of several items (the inputs of a recording source
    // selector): the items the user moved; the others are given back on
    // their own where the device can hold such a mixture.
    std::vector<bool> movedItems;
};

struct MixerJournal {
    std::string mixer; // the product name of the mixer the values belong to
    std::vector<JournalEntry> entries;
};

// $XDG_STATE_HOME/zo7scope/mixer-state.json, XDG_STATE_HOME defaulting to
// ~/.local/state.
QString mixerJournalPath();

// The values of every valid control of the open mixer, as `before`.
MixerJournal snapshotMixer(const TAudioMixer& mixer);

// The controls whose values differ between two snapshots of the same mixer:
// the first's values as `before`, the second's as `after`.
MixerJournal changedControls(const MixerJournal& before, const MixerJournal& after);

// Writes the file (its directory made as needed); an error text, or empty.
std::string writeJournal(const QString& path, const MixerJournal& journal);
// Reads it; none when it is absent. A file that cannot be read gives an
// error text and none.
std::optional<MixerJournal> readJournal(const QString& path, std::string& error);

// The program has set the control: its value now is the one the program
// set. False when the journal has no such control.
bool noteProgramValue(MixerJournal& journal, platform::Mixer& mixer, std::uint32_t controlId);
// The mixer reports a change of the control: one whose value is not the one
// the program set was the user's. True when that marks the control as moved
// now (the file is then to be written again).
bool noteChange(MixerJournal& journal, platform::Mixer& mixer, std::uint32_t controlId);

// Gives back the `before` values of the entries (the capture-side ones only,
// when captureOnly) whose control still holds its `after` value and was not
// moved, or every one whose `after` is not known. The count of controls
// given back.
int restoreJournal(platform::Mixer& mixer, const MixerJournal& journal, bool captureOnly);
