#pragma once
// TAudioMixer: opens one mixer device of the sound-card layer, builds the
// model of its destination lines, source lines and controls, finds the lines
// the program needs (line input, microphone, wave-out ... on the playback and
// on the recording side) and sets control values.
//
// Everything runs on the GUI thread; the device reports control changes by a
// notification posted to the component's manager object.

#include "mixer/MixerErrors.h"
#include "mixer/MixerModel.h"

#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TAudioMixer;

// D: destination index; S: source index, or 0xFFFFFFFF for a destination's
// own control; C: control index within its line.
using TMixerControlChangeEvent =
    std::function<void(TAudioMixer* Sender, std::uint32_t D, std::uint32_t S, std::uint32_t C)>;
using TMixerLineChangeEvent =
    std::function<void(TAudioMixer* Sender, std::uint32_t D, std::uint32_t S)>;

// Receives the device's notifications for its mixer.
class TMixerMan : public QObject {
public:
    explicit TMixerMan(TAudioMixer* mixer) : Mixer(mixer) {}
    TAudioMixer* const Mixer;

protected:
    bool event(QEvent* e) override;
};

class TAudioMixer : public QObject {
public:
    static constexpr std::uint32_t DestinationControl = 0xFFFFFFFFu;

    explicit TAudioMixer(QObject* Owner = nullptr);
    ~TAudioMixer() override;
    TAudioMixer(const TAudioMixer&) = delete;
    TAudioMixer& operator=(const TAudioMixer&) = delete;

    // Number of mixer devices, taken once at creation.
    int DeviceCount = 0;
    int MixerID() const { return MixerID_; }
    // Closes the device if open; raises EMixerID for a number the machine lacks.
    void SetMixerID(int Value);

    TMixerControlChangeEvent OnMixerControlChange;
    TMixerLineChangeEvent OnMixerLineChange; // line changes are not acted on
    // After the program itself has set a control's values on the device (the
    // device's own change notification follows later, like anyone else's).
    std::function<void(std::uint32_t ControlID)> OnControlApplied;

    bool IsOpen = false;
    platform::Mixer* Handle() const { return Handle_.get(); }
    std::string ProductName; // at most 31 characters
    std::uint32_t DestinationCount = 0;
    std::vector<std::unique_ptr<TDestination>> Destinations;
    std::unique_ptr<TMixerMan> Manager;

    // Well-known lines, found while the model is built; null when absent.
    TDestination* PlaybackDestination = nullptr;
    TDestination* RecordingDestination = nullptr;
    TDestination* VoiceDestination = nullptr;
    TSource* LineSource = nullptr;
    TSource* LineRecordingSource = nullptr;
    TSource* MicrophoneSource = nullptr;
    TSource* MicrophoneRecordingSource = nullptr;
    TSource* SynthesizerSource = nullptr;
    TSource* CDSource = nullptr;
    TSource* CDRecordingSource = nullptr;
    TSource* TelephoneSource = nullptr;
    TSource* TelephoneRecordingSource = nullptr;
    TSource* PCSpeakerSource = nullptr;
    TSource* WaveOutSource = nullptr;
    TSource* AuxSource = nullptr;
    TSource* AuxRecordingSource = nullptr;
    TSource* AnalogSource = nullptr;
    TSource* AnalogRecordingSource = nullptr;

    // Opens device MixerID and builds the model; raises EMixerID, EMixerCaps
    // or EMixerOpen.
    void OpenMixer();
    // Closes the device and frees the model; every line slot becomes null.
    void CloseMixer();

    // Fill one line, its control list, or one control's values from the
    // device; S = -1 addresses the destination itself.
    void ReadLineInfo(std::int32_t D, std::int32_t S);
    void ReadLineControls(std::int32_t D, std::int32_t S);
    void ReadControlValue(std::int32_t D, std::int32_t S, std::int32_t C);
    // Sends the values of the whole control, Volume standing for item Item.
    void ApplyControlValue(TAudioControl* Control, std::int32_t Item, TVolume* Volume);

    // Store a value and apply the control at once. A null volume does nothing.
    void SetLeft(TVolume* Volume, std::int64_t Value);
    void SetRight(TVolume* Volume, std::int64_t Value);

    // The value the device holds now for the volume's first channel (what a
    // stepped control reached when a level was set); none when it cannot be
    // read.
    std::optional<std::int64_t> ReadBack(const TVolume* Volume) const;

    // The first value of the line's level control; null when there is none.
    TVolume* LevelVolume(TSource* Line) const;
    // The level that governs the recorded line input: the line input's own
    // level, or the recording destination's when the line input has none.
    TVolume* LineInputLevel() const;
    // Makes item Index of the destination's multiplexer the one selected input.
    void SelectSource(TDestination* Destination, std::int32_t Index);

    // The line at D, S (S = -1: the destination); null when out of range.
    TSource* Line(std::int32_t D, std::int32_t S) const;

    // Handles a control-change notification of the open device.
    void ControlChanged(const void* Device, std::uint32_t ControlID);

private:
    void FillLineSlots(TSource* Line, std::int32_t D, std::int32_t S);
    void ReadControlsOf(std::int32_t D, std::int32_t S);

    int MixerID_ = 0;
    std::unique_ptr<platform::Mixer> Handle_;
};
