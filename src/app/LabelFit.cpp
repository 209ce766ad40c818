#include "app/LabelFit.h"

#include <QFontMetricsF>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QWidget>
#include <algorithm>
#include <optional>

namespace {

// Free pixels between a word and the box next to it.
constexpr int clearance = 2;

struct Span {
    int left = 0;
    int right = 0; // one past the last pixel
};

// Where the words of a label may stand, in the parent's coordinates: the
// label's text area less what the siblings stacked above it cover of its
// ends, and the span its value boxes (the siblings above it that lie inside
// it) cover.
struct Room {
    Span text;
    std::optional<Span> boxes;
};

Room roomOf(const QLineEdit& label, int origin) {
    const int inset = origin - label.x();
    Room room{{origin, label.x() + label.width() - inset}, std::nullopt};
    const QWidget* parent = label.parentWidget();
    if (parent == nullptr) return room;
    const QObjectList& siblings = parent->children();
    const auto self = std::find(siblings.begin(), siblings.end(), &label);
    if (self == siblings.end()) return room;
    const QRect place = label.geometry();
    for (auto it = self + 1; it != siblings.end(); ++it) {
        const auto* above = qobject_cast<const QWidget*>(*it);
        if (above == nullptr || above->isHidden() || !above->geometry().intersects(place)) continue;
        const QRect box = above->geometry();
        const int left = box.left();
        const int right = box.left() + box.width();
        if (left <= place.left()) {
            room.text.left = std::max(room.text.left, right + clearance);
        } else if (right >= place.left() + place.width()) {
            room.text.right = std::min(room.text.right, left - clearance);
        } else if (!room.boxes) {
            room.boxes = Span{left, right};
        } else {
            room.boxes->left = std::min(room.boxes->left, left);
            room.boxes->right = std::max(room.boxes->right, right);
        }
    }
    return room;
}

// Where the label's text starts, in the parent's coordinates, as the line
// edit paints it: its contents rectangle in the style, less its text
// margins, and the line edit's fixed inner margin of 2 pixels.
int textOrigin(QLineEdit& label) {
    label.ensurePolished();
    QStyleOptionFrame option;
    option.initFrom(&label);
    option.rect = label.rect();
    option.lineWidth =
        label.hasFrame() ? label.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &label)
                         : 0;
    const QRect contents =
        label.style()->subElementRect(QStyle::SE_LineEditContents, &option, &label);
    return label.x() + contents.x() + label.textMargins().left() + 2;
}

} // namespace

bool fitLabelAroundBoxes(QLineEdit& label) {
    const QString text = label.text();
    const qsizetype blanksFrom = text.indexOf(QStringLiteral("  "));
    if (blanksFrom <= 0) return true;
    qsizetype unitFrom = blanksFrom;
    while (unitFrom < text.size() && text[unitFrom] == QLatin1Char(' '))
        ++unitFrom;
    const QString lead = text.left(blanksFrom);
    const QString unit = text.mid(unitFrom).trimmed();
    const int origin = textOrigin(label);
    const Room room = roomOf(label, origin);
    if (!room.boxes || unit.isEmpty()) return true;
    const Span boxes = *room.boxes;

    QFont font = label.font();
    // From the present size down: the largest size whose words fit, with the
    // characters spaced a little wider or narrower (blanks included, so
    // that a run of blanks stretches with them) until the unit follows the
    // boxes.
    for (int size = font.pixelSize(); size >= 7; --size) {
        font.setPixelSize(size);
        for (int twentieths = -10; twentieths <= 40; ++twentieths) {
            font.setLetterSpacing(QFont::AbsoluteSpacing, twentieths / 20.0);
            const QFontMetricsF metrics(font);
            const double leadEnd = origin + metrics.horizontalAdvance(lead);
            const double unitStart = origin + metrics.horizontalAdvance(text.left(unitFrom));
            const double unitEnd = unitStart + metrics.horizontalAdvance(unit);
            if (leadEnd > boxes.left - clearance || unitEnd > room.text.right) break;
            if (unitStart < boxes.right + clearance) continue;
            label.setFont(font);
            label.setCursorPosition(0);
            return true;
        }
    }
    return false;
}
