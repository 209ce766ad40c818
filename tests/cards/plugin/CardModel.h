#pragma once
// Three sound cards as their kernel drivers present them, for the tests of
// the real ALSA path: the controls with the names, channels, raw ranges and
// dB scales the drivers give them, the PCM's formats, and a state file that
// holds every control's value and what the PCM plays and records. The
// plug-in (CardPlugin.cpp) serves them through alsa-lib; the tests read and
// write the same file, so that what one process leaves a second one sees.
//
// - "hda": an HDA analog codec (Realtek ALC887 style): Input Source chooses
//   the recorded input, Capture is the ADC's level and switch, each input has
//   a boost in 10 dB steps; stereo only; 44100 and 48000 Hz.
// - "usb": a USB adapter (C-Media CM108 style): one recording channel from
//   Mic, 48000 Hz only.
// - "ac97": an AC'97 codec whose inputs each have a capture switch and level.
// - "usbline": a stereo USB line adapter (PCM2902 style) with no recording
//   level at all: its input cannot be turned down.
//
// The signal on the line input is a sine on each channel (left and right
// amplitude in 16-bit units at 0 dB of recording gain). What is recorded is
// that signal times the gains of the recording path: the selected input's
// boost and level and the capture level, silence where a switch on the path
// is off or another input is selected.

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zo7card {

enum class Kind { integer, boolean, enumerated };

struct Control {
    const char* name; // the kernel's control name
    Kind kind;
    unsigned channels;
    long minimum, maximum;
    int dbMinimum, dbStep; // TLV dB scale, hundredths of a dB; dbStep 0: none
    long initial;          // the value a fresh card starts with
    std::vector<const char*> items = {};
};

struct Card {
    const char* name; // "hda", "usb", "ac97", "usbline"
    const char* id;
    const char* driver;
    const char* longName;
    const char* mixerName;
    unsigned captureChannels;
    std::vector<unsigned> rates;
    std::vector<Control> controls;
};

inline const std::vector<Card>& cards() {
    using K = Kind;
    static const std::vector<Card> all = {
        {"hda",
         "PCH",
         "HDA-Intel",
         "HDA Intel PCH",
         "Realtek ALC887-VD",
         2,
         {44100, 48000},
         {{"Master Playback Volume", K::integer, 1, 0, 87, -6525, 75, 40},
          {"Master Playback Switch", K::boolean, 1, 0, 1, 0, 0, 0},
          {"PCM Playback Volume", K::integer, 2, 0, 255, -5100, 20, 200},
          {"Front Playback Volume", K::integer, 2, 0, 87, -6525, 75, 87},
          {"Front Playback Switch", K::boolean, 2, 0, 1, 0, 0, 1},
          {"Line Playback Volume", K::integer, 2, 0, 31, -3450, 150, 0},
          {"Line Playback Switch", K::boolean, 2, 0, 1, 0, 0, 0},
          {"Mic Playback Volume", K::integer, 2, 0, 31, -3450, 150, 0},
          {"Mic Playback Switch", K::boolean, 2, 0, 1, 0, 0, 0},
          {"CD Playback Volume", K::integer, 2, 0, 31, -3450, 150, 0},
          {"CD Playback Switch", K::boolean, 2, 0, 1, 0, 0, 0},
          {"Capture Volume", K::integer, 2, 0, 63, -1725, 75, 20},
          {"Capture Switch", K::boolean, 2, 0, 1, 0, 0, 0},
          {"Input Source", K::enumerated, 1, 0, 3, 0, 0, 0, {"Mic", "Front Mic", "Line", "CD"}},
          {"Line Boost Volume", K::integer, 2, 0, 3, 0, 1000, 2},
          {"Mic Boost Volume", K::integer, 2, 0, 3, 0, 1000, 1}}},
        {"usb",
         "Device",
         "USB-Audio",
         "C-Media Electronics Inc. USB PnP Sound Device at usb-0000:00:14.0-2, full speed",
         "USB Mixer",
         1,
         {48000},
         {{"Speaker Playback Volume", K::integer, 2, 0, 28, -2800, 100, 14},
          {"Speaker Playback Switch", K::boolean, 1, 0, 1, 0, 0, 1},
          {"Mic Playback Volume", K::integer, 1, 0, 32, -2300, 150, 20},
          {"Mic Playback Switch", K::boolean, 1, 0, 1, 0, 0, 1},
          {"Mic Capture Volume", K::integer, 1, 0, 16, 0, 149, 8},
          {"Mic Capture Switch", K::boolean, 1, 0, 1, 0, 0, 0},
          {"Auto Gain Control", K::boolean, 1, 0, 1, 0, 0, 1}}},
        {"ac97",
         "ICH5",
         "ICH4",
         "Intel ICH5 with AD1981B at irq 17",
         "Analog Devices AD1981B",
         2,
         {44100, 48000},
         {{"Master Playback Volume", K::integer, 2, 0, 31, -4650, 150, 20},
          {"Master Playback Switch", K::boolean, 1, 0, 1, 0, 0, 0},
          {"PCM Playback Volume", K::integer, 2, 0, 31, -3450, 150, 15},
          {"PCM Playback Switch", K::boolean, 1, 0, 1, 0, 0, 1},
          {"Line Playback Volume", K::integer, 2, 0, 31, -3450, 150, 8},
          {"Line Playback Switch", K::boolean, 1, 0, 1, 0, 0, 0},
          {"CD Playback Volume", K::integer, 2, 0, 31, -3450, 150, 8},
          {"CD Playback Switch", K::boolean, 1, 0, 1, 0, 0, 0},
          {"Mic Playback Volume", K::integer, 1, 0, 31, -3450, 150, 8},
          {"Mic Playback Switch", K::boolean, 1, 0, 1, 0, 0, 0},
          {"Line Capture Volume", K::integer, 2, 0, 31, -3450, 150, 10},
          {"Line Capture Switch", K::boolean, 2, 0, 1, 0, 0, 0},
          {"CD Capture Volume", K::integer, 2, 0, 31, -3450, 150, 10},
          {"CD Capture Switch", K::boolean, 2, 0, 1, 0, 0, 0},
          {"Mic Capture Volume", K::integer, 1, 0, 31, -3450, 150, 25},
          {"Mic Capture Switch", K::boolean, 1, 0, 1, 0, 0, 1},
          {"Capture Volume", K::integer, 2, 0, 15, 0, 150, 0},
          {"Capture Switch", K::boolean, 2, 0, 1, 0, 0, 0}}},
        {"usbline",
         "CODEC",
         "USB-Audio",
         "Burr-Brown from TI USB Audio CODEC at usb-0000:00:14.0-1, full speed",
         "USB Mixer",
         2,
         {44100, 48000},
         {{"PCM Playback Volume", K::integer, 2, 0, 64, -6400, 100, 40},
          {"PCM Playback Switch", K::boolean, 1, 0, 1, 0, 0, 1}}},
    };
    return all;
}

inline const Card* findCard(const std::string& name) {
    for (const auto& card : cards())
        if (name == card.name) return &card;
    return nullptr;
}

inline int controlIndex(const Card& card, const std::string& name) {
    for (std::size_t i = 0; i < card.controls.size(); ++i)
        if (name == card.controls[i].name) return static_cast<int>(i);
    return -1;
}

constexpr int maxControls = 32;

// The state file, mapped shared by every process that uses the card.
struct State {
    char magic[8];
    char card[16];
    std::int32_t values[maxControls][2];
    double amplitude[2]; // the line input's sine at 0 dB of recording gain
    double frequency;
    // What was played: frames, the channels the PCM was opened with, and the
    // peak of each channel over everything played since the file was made.
    std::uint64_t playedFrames;
    std::uint32_t playedChannels;
    std::int32_t playedPeak[2];
    std::uint64_t recordedFrames;
    // Counts the changes of each control's value, so that every process
    // that has the card's controls open can announce another's changes.
    std::uint32_t changes[maxControls];
};

constexpr char stateMagic[8] = {'z', 'o', '7', 'c', 'a', 'r', 'd', '2'};

// The state file of a card in a directory.
inline std::string stateFile(const std::string& directory, const Card& card) {
    return directory + "/" + card.name;
}

// Maps the state file of a card, making it with the card's initial values
// when it is absent or belongs to another card. Null on failure.
inline State* mapState(const std::string& path, const Card& card) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT, 0644);
    if (fd < 0) return nullptr;
    struct stat st {};
    const bool fresh = ::fstat(fd, &st) != 0 || st.st_size != static_cast<off_t>(sizeof(State));
    if (fresh && ::ftruncate(fd, sizeof(State)) != 0) {
        ::close(fd);
        return nullptr;
    }
    void* memory = ::mmap(nullptr, sizeof(State), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    ::close(fd);
    if (memory == MAP_FAILED) return nullptr;
    auto* state = static_cast<State*>(memory);
    if (fresh || std::memcmp(state->magic, stateMagic, sizeof stateMagic) != 0 ||
        std::strncmp(state->card, card.name, sizeof state->card) != 0) {
        std::memset(state, 0, sizeof(State));
        std::memcpy(state->magic, stateMagic, sizeof stateMagic);
        std::strncpy(state->card, card.name, sizeof state->card - 1);
        for (std::size_t i = 0; i < card.controls.size(); ++i)
            state->values[i][0] = state->values[i][1] =
                static_cast<std::int32_t>(card.controls[i].initial);
        state->amplitude[0] = 8000;
        state->amplitude[1] = 6000;
        state->frequency = 440;
    }
    return state;
}

inline void unmapState(State* state) {
    if (state) ::munmap(state, sizeof(State));
}

} // namespace zo7card
