#include "mixer/AudioMixer.h"

#include "core/TruncatedText.h"

#include <QCoreApplication>
#include <algorithm>

namespace {

bool isSelector(std::uint32_t type) {
    return type == platform::controlType::mux || type == platform::controlType::singleSelect;
}

} // namespace

bool TMixerMan::event(QEvent* e) {
    if (e->type() != platform::DeviceEvent::eventType()) return QObject::event(e);
    const auto* device = static_cast<const platform::DeviceEvent*>(e);
    // Only control changes are acted on; line changes and anything else are
    // taken and dropped.
    if (device->message() == platform::message::mixerControlChange)
        Mixer->ControlChanged(device->device(), device->param());
    return true;
}

TAudioMixer::TAudioMixer(QObject* Owner)
    : QObject(Owner), Manager(std::make_unique<TMixerMan>(this)) {
    DeviceCount = platform::hasSoundCard() ? platform::soundCard().mixerCount() : 0;
}

TAudioMixer::~TAudioMixer() {
    CloseMixer();
    Manager.reset();
}

void TAudioMixer::SetMixerID(int Value) {
    CloseMixer();
    if (Value >= 0 && Value < DeviceCount) {
        MixerID_ = Value;
        return;
    }
    throw EMixerID("MixerID maximum for this machine: " + std::to_string(DeviceCount - 1));
}

void TAudioMixer::OpenMixer() {
    if (IsOpen) CloseMixer();
    if (DeviceCount == 0) throw EMixerID("No mixer device present in this system.");

    auto& card = platform::soundCard();
    platform::MixerCaps caps;
    if (card.mixerCaps(MixerID_, caps) != platform::error::ok)
        throw EMixerCaps("Function mixerGetDevCaps failed. Mixer device ID: " +
                         std::to_string(MixerID_));
    ProductName = truncated(caps.productName, 31);
    DestinationCount = caps.destinations;

    std::unique_ptr<platform::Mixer> handle;
    if (card.openMixer(MixerID_, Manager.get(), handle) != platform::error::ok || !handle)
        throw EMixerOpen("Function mixerOpen failed");
    Handle_ = std::move(handle);

    for (std::uint32_t d = 0; d < DestinationCount; ++d) {
        const auto D = static_cast<std::int32_t>(d);
        Destinations.push_back(std::make_unique<TDestination>());
        ReadLineInfo(D, -1);
        auto* destination = Destinations.back().get();
        if (!destination->Valid) continue;
        ReadControlsOf(D, -1);
        for (std::uint32_t s = 0; s < destination->ConnectionCount; ++s) {
            const auto S = static_cast<std::int32_t>(s);
            destination->Sources.push_back(std::make_unique<TSource>());
            ReadLineInfo(D, S);
            const auto* source = destination->Sources.back().get();
            if (source->Valid && source->ControlCount > 0) ReadControlsOf(D, S);
        }
    }
    IsOpen = true;
}

void TAudioMixer::ReadControlsOf(std::int32_t D, std::int32_t S) {
    auto* line = Line(D, S);
    for (std::uint32_t c = 0; c < line->ControlCount; ++c) {
        auto control = std::make_unique<TAudioControl>();
        control->Channels = line->Channels;
        control->MixerHandle = Handle_.get();
        line->Controls.push_back(std::move(control));
    }
    ReadLineControls(D, S);
    for (std::size_t c = 0; c < line->Controls.size(); ++c)
        ReadControlValue(D, S, static_cast<std::int32_t>(c));
}

void TAudioMixer::CloseMixer() {
    // Closing the handle first: the device posts nothing more for it.
    Handle_.reset();
    IsOpen = false;
    PlaybackDestination = RecordingDestination = VoiceDestination = nullptr;
    LineSource = LineRecordingSource = MicrophoneSource = MicrophoneRecordingSource = nullptr;
    SynthesizerSource = CDSource = CDRecordingSource = nullptr;
    TelephoneSource = TelephoneRecordingSource = PCSpeakerSource = WaveOutSource = nullptr;
    AuxSource = AuxRecordingSource = AnalogSource = AnalogRecordingSource = nullptr;
    Destinations.clear();
    // Control changes already on their way refer to the closed handle.
    if (Manager) QCoreApplication::removePostedEvents(Manager.get());
}

TSource* TAudioMixer::Line(std::int32_t D, std::int32_t S) const {
    if (D < 0 || static_cast<std::size_t>(D) >= Destinations.size()) return nullptr;
    auto* destination = Destinations[static_cast<std::size_t>(D)].get();
    if (S < 0) return destination;
    if (static_cast<std::size_t>(S) >= destination->Sources.size()) return nullptr;
    return destination->Sources[static_cast<std::size_t>(S)].get();
}

void TAudioMixer::ReadLineInfo(std::int32_t D, std::int32_t S) {
    auto* line = Line(D, S);
    if (!line || !Handle_) return;
    platform::MixerLine info;
    const auto result = S < 0 ? Handle_->lineInfo(static_cast<std::uint32_t>(D), info)
                              : Handle_->lineInfo(static_cast<std::uint32_t>(D),
                                                  static_cast<std::uint32_t>(S), info);
    if (result != platform::error::ok) {
        line->Valid = false;
        return;
    }
    line->Valid = true;
    line->Disconnected = (info.flags & platform::lineFlag::disconnected) != 0;
    line->Active = (info.flags & platform::lineFlag::active) != 0;
    line->ComponentType = info.componentType;
    line->Channels = info.channels;
    line->ControlCount = info.controls;
    line->ShortName = truncated(info.shortName, 15);
    line->Name = truncated(info.name, 63);
    line->LineID = info.lineId;
    if (S < 0) static_cast<TDestination*>(line)->ConnectionCount = info.connections;
    FillLineSlots(line, D, S);
}

void TAudioMixer::FillLineSlots(TSource* line, std::int32_t D, std::int32_t S) {
    using namespace platform::lineType;
    if (S < 0) {
        auto* destination = static_cast<TDestination*>(line);
        switch (line->ComponentType) {
        case destinationSpeakers:
        case destinationHeadphones:
            if (!PlaybackDestination) PlaybackDestination = destination;
            break;
        case destinationWaveIn:
            if (!RecordingDestination) RecordingDestination = destination;
            break;
        case destinationVoiceIn:
            if (!VoiceDestination) VoiceDestination = destination;
            break;
        default:
            break;
        }
        return;
    }
    (void)D;
    // A source goes to its first slot while that is free and no recording
    // destination has been seen; otherwise to its recording-side slot.
    auto place = [&](TSource*& first, TSource*& recording, bool replaceRecording) {
        if (!RecordingDestination && !first) {
            first = line;
        } else if (replaceRecording || !recording) {
            recording = line;
            line->SourceIndex = S;
        }
    };
    switch (line->ComponentType) {
    case sourceLine:
        place(LineSource, LineRecordingSource, true);
        break;
    case sourceMicrophone:
        place(MicrophoneSource, MicrophoneRecordingSource, false);
        break;
    case sourceCompactDisc:
        place(CDSource, CDRecordingSource, true);
        break;
    case sourceTelephone:
        place(TelephoneSource, TelephoneRecordingSource, true);
        break;
    case sourceAuxiliary:
        place(AuxSource, AuxRecordingSource, true);
        break;
    case sourceAnalog:
        place(AnalogSource, AnalogRecordingSource, true);
        break;
    case sourceSynthesizer:
        if (!RecordingDestination && !SynthesizerSource) SynthesizerSource = line;
        break;
    case sourcePcSpeaker:
        if (!PCSpeakerSource) PCSpeakerSource = line;
        break;
    case sourceWaveOut:
        if (!WaveOutSource) WaveOutSource = line;
        break;
    default:
        break;
    }
}

void TAudioMixer::ReadLineControls(std::int32_t D, std::int32_t S) {
    auto* line = Line(D, S);
    if (!line || !Handle_) return;
    std::vector<platform::MixerControl> records;
    const bool read = Handle_->lineControls(line->LineID, records) == platform::error::ok;
    line->MuteIndex = line->LevelIndex = line->SelectorIndex = -1;
    for (std::size_t c = 0; c < line->Controls.size(); ++c) {
        auto& control = *line->Controls[c];
        control.Volumes.clear();
        if (!read || c >= records.size()) {
            control.Valid = false;
            continue;
        }
        const auto& record = records[c];
        control.Valid = true;
        control.ControlID = record.controlId;
        control.ControlType = record.controlType;
        control.Disabled = (record.flags & platform::controlFlag::disabled) != 0;
        control.Multiple = (record.flags & platform::controlFlag::multiple) != 0;
        control.Uniform = (record.flags & platform::controlFlag::uniform) != 0;
        control.ItemCount = control.Multiple ? record.multipleItems : 0;
        control.Minimum = record.minimum;
        control.Maximum = record.maximum;
        control.Steps = record.steps;
        control.ShortName = truncated(record.shortName, 15);
        control.Name = truncated(record.name, 63);
        const std::uint32_t volumes = control.Multiple ? control.ItemCount : 1;
        for (std::uint32_t i = 0; i < volumes; ++i) {
            auto volume = std::make_unique<TVolume>();
            volume->Index = static_cast<std::int32_t>(i);
            volume->Control = &control;
            control.Volumes.push_back(std::move(volume));
        }

        const auto index = static_cast<std::int32_t>(c);
        switch (control.ControlType) {
        case platform::controlType::mute:
            if (line->MuteIndex < 0) line->MuteIndex = index;
            break;
        case platform::controlType::mux:
            if (line->SelectorIndex < 0) line->SelectorIndex = index;
            break;
        case platform::controlType::bass:
        case platform::controlType::treble:
            break;
        default:
            if (line->LevelIndex < 0) line->LevelIndex = index;
            break;
        }
    }
}

void TAudioMixer::ReadControlValue(std::int32_t D, std::int32_t S, std::int32_t C) {
    auto* line = Line(D, S);
    if (!line || C < 0 || static_cast<std::size_t>(C) >= line->Controls.size() || !Handle_) return;
    auto& control = *line->Controls[static_cast<std::size_t>(C)];
    if (!control.Valid) return;
    const std::uint32_t channels =
        control.Uniform ? 1 : std::max<std::uint32_t>(control.Channels, 1);
    std::vector<std::uint32_t> values;
    if (Handle_->getValues(control.ControlID, channels, control.ItemCount, values) !=
            platform::error::ok ||
        values.size() <
            static_cast<std::size_t>(channels) * std::max<std::uint32_t>(control.ItemCount, 1)) {
        control.Valid = false;
        return;
    }
    const auto encoding = encodingOf(control.ControlType);
    if (control.Multiple) {
        // Item i's value sits at i * channels (its first channel).
        for (auto& volume : control.Volumes) {
            const auto value =
                decodeValue(encoding, values[static_cast<std::size_t>(volume->Index) * channels]);
            volume->Left = volume->Right = value;
        }
    } else if (!control.Volumes.empty()) {
        auto& volume = *control.Volumes.front();
        volume.Left = decodeValue(encoding, values[0]);
        volume.Right = channels > 1 ? decodeValue(encoding, values[1]) : volume.Left;
    }
}

void TAudioMixer::ApplyControlValue(TAudioControl* Control, std::int32_t Item, TVolume* Volume) {
    if (!Control || !Volume || !Control->Valid) return;
    if (!Control->MixerHandle || Control->MixerHandle != Handle_.get()) return;
    const auto encoding = encodingOf(Control->ControlType);
    const std::uint32_t lineChannels = std::max<std::uint32_t>(Control->Channels, 1);
    const std::uint32_t channels = Control->Uniform ? 1 : lineChannels;
    std::vector<std::uint32_t> values;
    if (Control->Multiple) {
        if (Item < 0 || static_cast<std::uint32_t>(Item) >= Control->ItemCount) return;
        const bool exclusive = isSelector(Control->ControlType);
        values.resize(static_cast<std::size_t>(channels) * Control->ItemCount);
        for (std::uint32_t i = 0; i < Control->ItemCount; ++i) {
            std::int64_t value = 0;
            if (i == static_cast<std::uint32_t>(Item))
                value = Volume->Left;
            else if (!exclusive && i < Control->Volumes.size())
                value = Control->Volumes[i]->Left;
            for (std::uint32_t c = 0; c < channels; ++c)
                values[i * channels + c] = encodeValue(encoding, value);
        }
    } else {
        values.resize(channels);
        values[0] = encodeValue(encoding, Volume->Left);
        for (std::uint32_t c = 1; c < channels; ++c)
            values[c] = encodeValue(encoding, Volume->Right);
    }
    if (Control->MixerHandle->setValues(Control->ControlID, channels, Control->ItemCount, values) !=
        platform::error::ok) {
        Control->Valid = false;
        return;
    }
    if (Control->Multiple) {
        // The model follows what the device now holds: one item of a
        // selector on, the others off.
        for (auto& volume : Control->Volumes) {
            if (volume.get() == Volume || volume->Index == Item)
                volume->Right = volume->Left =
                    decodeValue(encoding, values[static_cast<std::size_t>(Item) * channels]);
            else if (isSelector(Control->ControlType))
                volume->Left = volume->Right = 0;
        }
    }
    if (OnControlApplied) OnControlApplied(Control->ControlID);
}

std::optional<std::int64_t> TAudioMixer::ReadBack(const TVolume* Volume) const {
    if (!Volume || !Volume->Control || !Handle_) return std::nullopt;
    const auto& control = *Volume->Control;
    if (!control.Valid || control.MixerHandle != Handle_.get()) return std::nullopt;
    const std::uint32_t channels =
        control.Uniform ? 1 : std::max<std::uint32_t>(control.Channels, 1);
    std::vector<std::uint32_t> values;
    const auto item = static_cast<std::size_t>(std::max(Volume->Index, 0)) * channels;
    if (Handle_->getValues(control.ControlID, channels, control.ItemCount, values) !=
            platform::error::ok ||
        values.size() <= item)
        return std::nullopt;
    return decodeValue(encodingOf(control.ControlType), values[item]);
}

void TAudioMixer::SetLeft(TVolume* Volume, std::int64_t Value) {
    if (!Volume) return;
    Volume->Left = Value;
    ApplyControlValue(Volume->Control, Volume->Index, Volume);
}

void TAudioMixer::SetRight(TVolume* Volume, std::int64_t Value) {
    if (!Volume) return;
    Volume->Right = Value;
    ApplyControlValue(Volume->Control, Volume->Index, Volume);
}

TVolume* TAudioMixer::LevelVolume(TSource* Line) const {
    if (!Line || Line->LevelIndex < 0 ||
        static_cast<std::size_t>(Line->LevelIndex) >= Line->Controls.size())
        return nullptr;
    auto& control = *Line->Controls[static_cast<std::size_t>(Line->LevelIndex)];
    return control.Volumes.empty() ? nullptr : control.Volumes.front().get();
}

TVolume* TAudioMixer::LineInputLevel() const {
    if (!LineRecordingSource) return nullptr;
    if (auto* own = LevelVolume(LineRecordingSource)) return own;
    return LevelVolume(RecordingDestination);
}

void TAudioMixer::SelectSource(TDestination* Destination, std::int32_t Index) {
    if (!Destination || Destination->SelectorIndex < 0 || Index < 0) return;
    auto& control = *Destination->Controls[static_cast<std::size_t>(Destination->SelectorIndex)];
    if (static_cast<std::uint32_t>(Index) >= control.ItemCount ||
        static_cast<std::size_t>(Index) >= control.Volumes.size())
        return;
    auto& volume = *control.Volumes[static_cast<std::size_t>(Index)];
    // A selector whose bounds end at 0 would switch every input off: the
    // chosen input is then switched on with 1.
    volume.Left = control.Maximum > 0 ? control.Maximum : 1;
    ApplyControlValue(&control, Index, &volume);
}

void TAudioMixer::ControlChanged(const void* Device, std::uint32_t ControlID) {
    if (!IsOpen || !Handle_ || Device != static_cast<const void*>(Handle_.get())) return;
    // Source controls first, then the destinations' own.
    for (std::size_t d = 0; d < Destinations.size(); ++d) {
        const auto& sources = Destinations[d]->Sources;
        for (std::size_t s = 0; s < sources.size(); ++s) {
            const auto& controls = sources[s]->Controls;
            for (std::size_t c = 0; c < controls.size(); ++c)
                if (controls[c]->ControlID == ControlID) {
                    ReadControlValue(static_cast<std::int32_t>(d), static_cast<std::int32_t>(s),
                                     static_cast<std::int32_t>(c));
                    if (OnMixerControlChange)
                        OnMixerControlChange(this, static_cast<std::uint32_t>(d),
                                             static_cast<std::uint32_t>(s),
                                             static_cast<std::uint32_t>(c));
                    return;
                }
        }
    }
    for (std::size_t d = 0; d < Destinations.size(); ++d) {
        const auto& controls = Destinations[d]->Controls;
        for (std::size_t c = 0; c < controls.size(); ++c)
            if (controls[c]->ControlID == ControlID) {
                ReadControlValue(static_cast<std::int32_t>(d), -1, static_cast<std::int32_t>(c));
                if (OnMixerControlChange)
                    OnMixerControlChange(this, static_cast<std::uint32_t>(d), DestinationControl,
                                         static_cast<std::uint32_t>(c));
                return;
            }
    }
}
