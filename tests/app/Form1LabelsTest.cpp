// Every word of every caption in the window's panels is readable with the
// font in use: it lies inside its control and no control stacked above it
// covers it. The label boxes of the stepping and sweep panels, whose value
// boxes stand in a gap of blanks, are the hard cases.

#include "app/CompactStyle.h"
#include "app/Form1.h"
#include "support/BenchWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using testcard::BenchWindow;

// A word of a caption and the pixels it takes, in its panel's coordinates.
struct Word {
    QString text;
    QRect place;
};

// Where a line edit paints the start of its text, in its own coordinates:
// the style's contents rectangle less the text margins, and the line edit's
// inner margin of 2 pixels.
int textLeft(const QLineEdit& edit) {
    QStyleOptionFrame option;
    option.initFrom(&edit);
    option.rect = edit.rect();
    option.lineWidth = edit.hasFrame()
                           ? edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &edit)
                           : 0;
    return edit.style()->subElementRect(QStyle::SE_LineEditContents, &option, &edit).x() +
           edit.textMargins().left() + 2;
}

// The words of a line edit's text where the edit paints them: from the
// text's start, one advance of the edit's font after the other.
std::vector<Word> wordsOf(QLineEdit& edit, const QPoint& offset) {
    const QString text = edit.text();
    const int origin = textLeft(edit);
    const QFontMetrics metrics(edit.font());
    std::vector<Word> words;
    for (qsizetype i = 0; i < text.size();) {
        if (text[i] == QLatin1Char(' ')) {
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < text.size() && text[end] != QLatin1Char(' '))
            ++end;
        const int x = origin + metrics.horizontalAdvance(text.left(i));
        const int width = metrics.horizontalAdvance(text.mid(i, end - i));
        words.push_back(
            {text.mid(i, end - i), QRect(offset.x() + x, offset.y(), width, edit.height())});
        i = end;
    }
    return words;
}

// The room a line edit gives its text: from the text's start to as far from
// its right edge.
QRect roomOf(QLineEdit& edit, const QPoint& offset) {
    const int origin = textLeft(edit);
    return QRect(offset.x() + origin, offset.y(), edit.width() - 2 * origin, edit.height());
}

std::string describe(const QWidget& control, const QString& word) {
    return control.objectName().toStdString() + " \"" + word.toStdString() + "\"";
}

// Checks the words of `control` (a child of `panel`, at `words`' places)
// against its room and against every sibling stacked above it.
void checkWords(const QWidget& panel, const QWidget& control, const std::vector<Word>& words,
                const QRect& room) {
    const QObjectList& siblings = panel.children();
    const qsizetype self = siblings.indexOf(const_cast<QWidget*>(&control));
    for (const Word& word : words) {
        EXPECT_GE(word.place.left(), room.left()) << describe(control, word.text);
        EXPECT_LE(word.place.left() + word.place.width(), room.left() + room.width())
            << describe(control, word.text) << " is cut by the control's edge";
        for (qsizetype i = self + 1; i < siblings.size(); ++i) {
            const auto* above = qobject_cast<const QWidget*>(siblings[i]);
            if (above == nullptr || above->isHidden()) continue;
            const QRect box = above->geometry();
            EXPECT_FALSE(box.intersects(word.place))
                << describe(control, word.text) << " at " << word.place.left() << ".."
                << word.place.right() << " is covered by " << above->objectName().toStdString()
                << " at " << box.left() << ".." << box.right();
        }
    }
}

void checkControl(const QWidget& panel, QWidget& control) {
    const QPoint at = control.pos();
    if (auto* edit = qobject_cast<QLineEdit*>(&control)) {
        checkWords(panel, control, wordsOf(*edit, at), roomOf(*edit, at));
    } else if (auto* box = qobject_cast<QComboBox*>(&control); box && box->lineEdit()) {
        QLineEdit& line = *box->lineEdit();
        const QPoint lineAt = at + line.pos();
        checkWords(panel, control, wordsOf(line, lineAt), roomOf(line, lineAt));
    } else if (auto* button = qobject_cast<QAbstractButton*>(&control)) {
        // A caption drawn centred (push button) or after the indicator
        // (radio button) within the style's contents rectangle.
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        const bool radio = qobject_cast<QRadioButton*>(button) != nullptr;
        const QRect contents = button->style()->subElementRect(
            radio ? QStyle::SE_RadioButtonContents : QStyle::SE_PushButtonContents, &option,
            button);
        const int width = QFontMetrics(button->font()).horizontalAdvance(button->text().trimmed());
        const int left = radio ? contents.left() : contents.center().x() - width / 2;
        const QRect room = contents.translated(at);
        checkWords(panel, control,
                   {{button->text(), QRect(at.x() + left, at.y(), width, button->height())}}, room);
    }
}

// The program's look (its style sets the margins of buttons and boxes) for
// the length of a test.
struct ProgramStyle {
    ProgramStyle() : previous(QApplication::style()->name()) {
        QApplication::setStyle(new CompactStyle);
    }
    ~ProgramStyle() { QApplication::setStyle(QStyleFactory::create(previous)); }
    QString previous;
};

TEST(Form1Labels, EveryWordOfEveryPanelIsInsideItsControlAndUncovered) {
    const ProgramStyle style;
    BenchWindow bench;
    TForm1& form = bench.form();
    form.show();
    int panels = 0;
    int controls = 0;
    for (QLabel* panel : form.findChildren<QLabel*>()) {
        const QList<QWidget*> children = panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        if (children.isEmpty()) continue;
        ++panels;
        for (QWidget* control : children) {
            SCOPED_TRACE(panel->objectName().toStdString());
            checkControl(*panel, *control);
            ++controls;
        }
    }
    // Generator 1 and 2, stepping, sweep, the channel choice, the
    // diagnostic line.
    EXPECT_GE(panels, 6);
    EXPECT_GE(controls, 35);
}

TEST(Form1Labels, TheLabelBoxesKeepTheirTextsAndPlaces) {
    const ProgramStyle style;
    BenchWindow bench;
    TForm1& form = bench.form();
    const struct {
        QLineEdit* label;
        QRect place;
        int blanks;
        const char* unit;
    } table[] = {
        {form.Edit225, QRect(8, 4, 141, 21), 18, "Hz"},
        {form.Edit227, QRect(148, 4, 133, 21), 16, "Hz"},
        {form.Edit229, QRect(555, 4, 153, 21), 11, "sec"},
        {form.Edit130, QRect(2, 4, 159, 21), 15, "Hz"},
        {form.Edit109, QRect(168, 4, 153, 21), 14, "Hz"},
    };
    for (const auto& c : table) {
        SCOPED_TRACE(c.label->objectName().toStdString());
        EXPECT_EQ(c.label->geometry(), c.place);
        EXPECT_TRUE(c.label->text().endsWith(QString(c.blanks, QLatin1Char(' ')) +
                                             QString::fromLatin1(c.unit)));
    }
    EXPECT_EQ(form.Edit224->text(), QString::fromUtf8("krok změny frekvence") +
                                        QString(43, QLatin1Char(' ')) + QStringLiteral("Hz") +
                                        QString(42, QLatin1Char(' ')));
    // With ZO_SNAPSHOT_DIR set, the stepping and sweep panels are saved to
    // be looked at.
    if (const QByteArray dir = qgetenv("ZO_SNAPSHOT_DIR"); !dir.isEmpty()) {
        form.show();
        form.zobrazit3Click();
        form.Panel215->grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/stepping.png"));
        form.zobrazit4Click();
        form.Panel110->grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/sweep.png"));
    }
}

} // namespace
