#include "mixer/MixerJournal.h"

#include "mixer/AudioMixer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <algorithm>

namespace {

QJsonArray toJson(const std::vector<std::uint32_t>& values) {
    QJsonArray array;
    for (const auto v : values)
        array.append(static_cast<double>(v));
    return array;
}

std::vector<std::uint32_t> fromJson(const QJsonValue& value) {
    std::vector<std::uint32_t> values;
    for (const auto& v : value.toArray())
        values.push_back(static_cast<std::uint32_t>(v.toDouble()));
    return values;
}

bool isBoost(const std::string& name) {
    return name.size() >= 5 && name.compare(name.size() - 5, 5, "Boost") == 0;
}

} // namespace

QString mixerJournalPath() {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || !QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/zo7scope/mixer-state.json");
}

MixerJournal snapshotMixer(const TAudioMixer& mixer) {
    MixerJournal journal;
    journal.mixer = mixer.ProductName;
    auto* handle = mixer.Handle();
    if (!handle) return journal;
    auto take = [&](const TSource& line, bool capture) {
        for (const auto& control : line.Controls) {
            if (!control->Valid) continue;
            JournalEntry entry;
            entry.controlId = control->ControlID;
            entry.channels = control->Uniform ? 1 : std::max<std::uint32_t>(control->Channels, 1);
            entry.items = control->ItemCount;
            entry.capture = capture || isBoost(line.Name);
            entry.name = line.Name + ": " + control->Name;
            if (handle->getExactValues(entry.controlId, entry.channels, entry.items,
                                       entry.before) == platform::error::ok)
                journal.entries.push_back(std::move(entry));
        }
    };
    for (const auto& destination : mixer.Destinations) {
        const bool capture = destination.get() == mixer.RecordingDestination;
        take(*destination, capture);
        for (const auto& source : destination->Sources)
            take(*source, capture);
    }
    return journal;
}

MixerJournal changedControls(const MixerJournal& before, const MixerJournal& after) {
    MixerJournal changed;
    changed.mixer = before.mixer;
    for (const auto& old : before.entries)
        for (const auto& now : after.entries)
            if (now.controlId == old.controlId && now.before != old.before) {
                JournalEntry entry = old;
                entry.after = now.before;
                changed.entries.push_back(std::move(entry));
            }
    return changed;
}

std::string writeJournal(const QString& path, const MixerJournal& journal) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return "cannot make the directory of " + path.toStdString();
    QJsonArray entries;
    for (const auto& e : journal.entries) {
        QJsonObject o;
        o[QStringLiteral("control")] = static_cast<double>(e.controlId);
        o[QStringLiteral("channels")] = static_cast<double>(e.channels);
        o[QStringLiteral("items")] = static_cast<double>(e.items);
        o[QStringLiteral("capture")] = e.capture;
        o[QStringLiteral("name")] = QString::fromStdString(e.name);
        o[QStringLiteral("before")] = toJson(e.before);
        if (!e.after.empty()) o[QStringLiteral("after")] = toJson(e.after);
        if (e.moved) o[QStringLiteral("moved")] = true;
        if (!e.movedItems.empty()) {
            QJsonArray items;
            for (const bool m : e.movedItems)
                items.append(m);
            o[QStringLiteral("movedItems")] = items;
        }
        entries.append(o);
    }
    QJsonObject root;
    root[QStringLiteral("mixer")] = QString::fromStdString(journal.mixer);
    root[QStringLiteral("controls")] = entries;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return file.errorString().toStdString();
    file.write(QJsonDocument(root).toJson(QJsonDocument::Indented));
    if (!file.commit()) return file.errorString().toStdString();
    return {};
}

std::optional<MixerJournal> readJournal(const QString& path, std::string& error) {
    QFile file(path);
    if (!file.exists()) return std::nullopt;
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString().toStdString();
        return std::nullopt;
    }
    QJsonParseError parse{};
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parse);
    if (parse.error != QJsonParseError::NoError || !document.isObject()) {
        error = "not a mixer state file: " + parse.errorString().toStdString();
        return std::nullopt;
    }
    MixerJournal journal;
    journal.mixer = document[QStringLiteral("mixer")].toString().toStdString();
    for (const auto& value : document[QStringLiteral("controls")].toArray()) {
        const QJsonObject o = value.toObject();
        JournalEntry e;
        e.controlId = static_cast<std::uint32_t>(o[QStringLiteral("control")].toDouble());
        e.channels = static_cast<std::uint32_t>(o[QStringLiteral("channels")].toDouble());
        e.items = static_cast<std::uint32_t>(o[QStringLiteral("items")].toDouble());
        e.capture = o[QStringLiteral("capture")].toBool();
        e.name = o[QStringLiteral("name")].toString().toStdString();
        e.before = fromJson(o[QStringLiteral("before")]);
        e.after = fromJson(o[QStringLiteral("after")]);
        e.moved = o[QStringLiteral("moved")].toBool();
        for (const auto& m : o[QStringLiteral("movedItems")].toArray())
            e.movedItems.push_back(m.toBool());
        journal.entries.push_back(std::move(e));
    }
    return journal;
}

bool noteProgramValue(MixerJournal& journal, platform::Mixer& mixer, std::uint32_t controlId) {
    bool found = false;
    for (auto& e : journal.entries) {
        if (e.controlId != controlId) continue;
        found = true;
        std::vector<std::uint32_t> now;
        if (mixer.getExactValues(e.controlId, e.channels, e.items, now) == platform::error::ok)
            e.after = std::move(now);
    }
    return found;
}

namespace {

// Whether item `item` of the values differs between two value lists of an
// entry (each item holds `channels` values).
bool itemDiffers(const JournalEntry& e, const std::vector<std::uint32_t>& a,
                 const std::vector<std::uint32_t>& b, std::uint32_t item) {
    for (std::uint32_t c = 0; c < e.channels; ++c) {
        const std::size_t i = static_cast<std::size_t>(item) * e.channels + c;
        if (i >= a.size() || i >= b.size() || a[i] != b[i]) return true;
    }
    return false;
}

} // namespace

bool noteChange(MixerJournal& journal, platform::Mixer& mixer, std::uint32_t controlId) {
    bool marked = false;
    for (auto& e : journal.entries) {
        if (e.controlId != controlId || e.after.empty()) continue;
        std::vector<std::uint32_t> now;
        if (mixer.getExactValues(e.controlId, e.channels, e.items, now) != platform::error::ok)
            continue;
        if (now == e.after) continue;
        if (e.items > 1) {
            e.movedItems.resize(e.items, false);
            for (std::uint32_t item = 0; item < e.items; ++item)
                if (!e.movedItems[item] && itemDiffers(e, now, e.after, item))
                    e.movedItems[item] = marked = true;
        }
        if (!e.moved) e.moved = marked = true;
    }
    return marked;
}

namespace {

// Gives back the items of a several-item control that the user did not
// move, keeping those the user did; where the device cannot hold such a
// mixture (one input selected at a time), the user's setting stays whole.
bool restoreUnmovedItems(platform::Mixer& mixer, const JournalEntry& e,
                         const std::vector<std::uint32_t>& now) {
    if (e.items <= 1 || e.movedItems.size() != e.items || e.before.size() != now.size())
        return false;
    std::vector<std::uint32_t> mixed = now;
    for (std::uint32_t item = 0; item < e.items; ++item)
        if (!e.movedItems[item])
            for (std::uint32_t c = 0; c < e.channels; ++c) {
                const std::size_t i = static_cast<std::size_t>(item) * e.channels + c;
                mixed[i] = e.before[i];
            }
    if (mixed == now ||
        mixer.setExactValues(e.controlId, e.channels, e.items, mixed) != platform::error::ok)
        return false;
    std::vector<std::uint32_t> got;
    if (mixer.getExactValues(e.controlId, e.channels, e.items, got) == platform::error::ok)
        for (std::uint32_t item = 0; item < e.items; ++item)
            if (e.movedItems[item] && itemDiffers(e, got, now, item)) {
                mixer.setExactValues(e.controlId, e.channels, e.items, now);
                return false;
            }
    return true;
}

} // namespace

int restoreJournal(platform::Mixer& mixer, const MixerJournal& journal, bool captureOnly) {
    int restored = 0;
    for (const auto& e : journal.entries) {
        if (captureOnly && !e.capture) continue;
        std::vector<std::uint32_t> now;
        if (mixer.getExactValues(e.controlId, e.channels, e.items, now) != platform::error::ok)
            continue;
        if (e.moved) {
            if (restoreUnmovedItems(mixer, e, now)) ++restored;
            continue;
        }
        // Moved by the user while the program ran: theirs.
        if (!e.after.empty() && now != e.after) continue;
        if (now == e.before) continue;
        if (mixer.setExactValues(e.controlId, e.channels, e.items, e.before) == platform::error::ok)
            ++restored;
    }
    return restored;
}
