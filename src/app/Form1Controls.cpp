// TForm1: the menu bar and every control with its design values (place,
// size, caption, items, hint, colours, font, visibility).

#include "app/CanvasWidget.h"
#include "app/ComboBoxItem.h"
#include "app/ErrorReport.h"
#include "app/Fonts.h"
#include "app/Form1.h"
#include "app/IdleCycle.h"
#include "app/LabelFit.h"
#include "app/ResponseWindow.h"
#include "audio/AudioIn.h"
#include "platform/NotificationRelay.h"
#include "platform/SoundCard.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStringList>
#include <QStyle>
#include <tuple>

namespace {

// Colours of the window, by their usual names.
const QColor clBlack(0, 0, 0);
const QColor clWhite(255, 255, 255);
const QColor clRed(255, 0, 0);
const QColor clYellow(255, 255, 0);
const QColor clAqua(0, 255, 255);
const QColor clTeal(0, 128, 128);
const QColor clSilver(192, 192, 192);
const QColor cl3DLight(227, 227, 227);
const QColor clBtnShadow(160, 160, 160);

QString text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QString blanks(int count) {
    return QString(count, QLatin1Char(' '));
}

// The background of a control: the box of an edit, the face of a button, the
// area of a panel or radio button. Panels colour only their own area, so their
// child controls keep their own colours.
void setBackground(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    if (qobject_cast<QLineEdit*>(widget) != nullptr) {
        palette.setColor(QPalette::Base, colour);
    } else if (qobject_cast<QPushButton*>(widget) != nullptr) {
        palette.setColor(QPalette::Button, colour);
    } else {
        palette.setColor(QPalette::Window, colour);
        palette.setColor(QPalette::Button, colour);
        widget->setAutoFillBackground(true);
    }
    widget->setPalette(palette);
}

// The font colour of a control. A panel's font colour is its caption's only;
// its child controls keep their own.
void setTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    if (qobject_cast<QLineEdit*>(widget) != nullptr)
        palette.setColor(QPalette::Text, colour);
    else if (qobject_cast<QPushButton*>(widget) != nullptr)
        palette.setColor(QPalette::ButtonText, colour);
    else
        palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

TPanel* makePanel(QWidget* parent, const QRect& place, const QColor& colour,
                  const QString& caption = QString()) {
    auto* panel = new TPanel(caption, parent);
    panel->setGeometry(place);
    panel->setAlignment(Qt::AlignCenter);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(1);
    setBackground(panel, colour);
    return panel;
}

QLineEdit* makeEdit(QWidget* parent, const QRect& place, const QString& content,
                    bool border = true) {
    auto* edit = new QLineEdit(content, parent);
    edit->setGeometry(place);
    edit->setFrame(border);
    edit->setCursorPosition(0);
    if (!border) edit->setTextMargins(0, 0, 0, 0);
    return edit;
}

QComboBox* makeCombo(QWidget* parent, const QRect& place, const QStringList& items,
                     const QString& shown) {
    auto* box = new QComboBox(parent);
    box->setGeometry(place);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->addItems(items);
    box->setMaxVisibleItems(items.size() + 1);
    SetItemIndex(*box, -1);
    box->setEditText(shown);
    if (auto* line = box->lineEdit()) line->setCursorPosition(0);
    return box;
}

QScrollBar* makeScrollBar(QWidget* parent, const QRect& place, int min, int max, int position,
                          int largeChange, const QString& hint) {
    auto* bar = new QScrollBar(Qt::Horizontal, parent);
    bar->setGeometry(place);
    bar->setRange(min, max);
    bar->setValue(position);
    bar->setPageStep(largeChange);
    bar->setSingleStep(1);
    bar->setToolTip(hint);
    return bar;
}

QPushButton* makeButton(QWidget* parent, const QRect& place, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setGeometry(place);
    // Enter presses the button that has the focus.
    button->setAutoDefault(true);
    return button;
}

} // namespace

template <class W> W* TForm1::add(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    controls_.push_back(widget);
    return widget;
}

TForm1::TForm1(QWidget* parent)
    : QMainWindow(parent), state(*new SharedState()), stateStorage_(&state) {
    setObjectName(QStringLiteral("Form1"));
    QString title = QString::fromUtf8(app::applicationTitle);
    if (platform::hasSoundCard()) {
        const QString backend = QString::fromStdString(platform::soundCard().name());
        title += backend == QLatin1String("bench")
                     ? text(" – simulované pracoviště (bench)")
                     : text(" – zvuková karta (") + backend + QLatin1Char(')');
    }
    setWindowTitle(title);
    setFont(formFont());

    canvas_ = new CanvasWidget(this);
    setCentralWidget(canvas_);
    createMenu();
    setClientSize(clientWidth, clientHeight);
    createControls();
    placeTopRow();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);

    // A pass reports its own exceptions, and the cycle goes on with the next.
    idle_ = new IdleCycle(
        [this](bool& Done) { app::reportExceptions([&] { MyIdleEvent(this, Done); }); },
        [this] { return passInputsOf(state); },
        // While no capture runs, passes retry the input, but not more often
        // than the watch allows: between attempts the cycle may wait.
        [this] { return AudioIn1->DeviceOpen || !captureAttemptDue(); }, this);
    idle_->ignore(canvas_->refreshTimer());
    // Handled without a pass unless they change the state: the wakes of the
    // sound card's notification relay (each notification it then sends is an
    // event of its own), a played buffer that comes back for the generator's
    // next one, and the blinking cursor of a text box.
    idle_->quietWhen([](const QObject* watched, const QEvent* event) {
        if (platform::NotificationRelay::isWaker(watched)) return true;
        // A played buffer, and an opened input (its recording component does
        // nothing with it; the blocks come later).
        if (event->type() == platform::DeviceEvent::eventType()) {
            const int message = static_cast<const platform::DeviceEvent*>(event)->message();
            return message == platform::message::outputDone ||
                   message == platform::message::inputOpened;
        }
        return event->type() == QEvent::Timer && watched->inherits("QWidgetLineControl");
    });
    createStreamWatch();
    connect(Button2, &QPushButton::clicked, this, app::guarded([this] { Button2Click(); }));
    connect(mix1, &QAction::triggered, this, app::guarded([this] { mix1Click(); }));
    connectMeasureControls();
    connectDisplayControls();
    connectGeneratorControls();
    createScreenMenu();

    // An exception ends the start-up sequence; the window opens all the same.
    app::reportExceptions([this] { FormCreate(); });
}

TForm1::~TForm1() = default;

void TForm1::setClientSize(int width, int height) {
    menuBar()->resize(width, menuBar()->heightForWidth(width) > 0 ? menuBar()->heightForWidth(width)
                                                                  : menuBar()->sizeHint().height());
    canvas_->setScreenSize(width, height);
    setFixedSize(width, height + menuBar()->height());
}

void TForm1::createMenu() {
    QMenuBar* bar = menuBar();
    // The captions stand above the control groups, so the bar stays in the window.
    bar->setNativeMenuBar(false);
    bar->setFont(uiFont(11, false));
    // Narrow spacing, so that every caption fits on one line of the 794-pixel bar.
    bar->setStyleSheet(QStringLiteral(
        "QMenuBar { spacing: 0px; padding: 0px; } QMenuBar::item { padding: 2px 5px; }"));

    auto caption = [&](const char* name, const char* label) {
        QAction* action = bar->addAction(text(label));
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    spoutn1 = caption("spoutn1", "   spouštění");
    mix1 = caption("mix1", "mix. pult ");
    volbazobrazen1 = caption("volbazobrazen1", "volba zobrazení");
    volbazobrazen1->setCheckable(true);
    volbazobrazen1->setChecked(true);
    file1 = caption("file1", "mazání");
    proudIL1 = caption("proudIL1", "proud IL");
    volbarozsahu1 = caption("volbarozsahu1", "volba rozsahu");
    frekvence1 = caption("frekvence1", "frekvence");
    naptUR1 = caption("naptUR1", "napětí UR");
    volbarozsahu2 = caption("volbarozsahu2", "volba rozsahu");
    frekvence2 = caption("frekvence2", "frekvence");
    asovosa1 = caption("asovosa1", "časová &osa");

    test2 = bar->addMenu(text("generátor"));
    test2->setObjectName(QStringLiteral("test2"));
    test2->menuAction()->setObjectName(QStringLiteral("test2"));
    auto submenu = [&](const char* name, const char* label, const char* showName,
                       const char* cancelName, QAction*& show, QAction*& cancel) {
        QMenu* menu = test2->addMenu(text(label));
        menu->setObjectName(QString::fromLatin1(name));
        menu->menuAction()->setObjectName(QString::fromLatin1(name));
        show = menu->addAction(text("zobrazit"));
        show->setObjectName(QString::fromLatin1(showName));
        cancel = menu->addAction(text("zrušit"));
        cancel->setObjectName(QString::fromLatin1(cancelName));
        return menu;
    };
    genertor11 = submenu("genertor11", "generátor 1", "zobrazit1", "zruit1", zobrazit1, zruit1);
    genertor21 = submenu("genertor21", "generátor 2", "zobrazit2", "zruit2", zobrazit2, zruit2);
    automatick1 = submenu("automatick1", "automatický", "zobrazit3", "zruit3", zobrazit3, zruit3);
    rozmtan1 = submenu("rozmtan1", "rozmítaný", "zobrazit4", "zruit4", zobrazit4, zruit4);
}

void TForm1::createControls() {
    QWidget* screen = canvas_;

    // Top row: one group under each menu caption; placeTopRow() sets the places.
    ComboBox4 = add(makeCombo(screen, QRect(0, 0, 90, 21),
                              {text("automaticky"), text("od kanálu L"), text("od kanálu R")},
                              text("automaticky")),
                    "ComboBox4");
    Panel15 = add(makePanel(screen, QRect(0, 0, 150, 21), QColor(240, 240, 240)), "Panel15");
    Panel15->setFrameStyle(QFrame::NoFrame);
    RadioButton3 = add(new QRadioButton(text("L"), Panel15), "RadioButton3");
    setBackground(RadioButton3, clYellow);
    setTextColour(RadioButton3, clBlack);
    RadioButton4 = add(new QRadioButton(text("R"), Panel15), "RadioButton4");
    setBackground(RadioButton4, clAqua);
    setTextColour(RadioButton4, clBlack);
    RadioButton5 = add(new QRadioButton(text("L+R"), Panel15), "RadioButton5");
    RadioButton5->setChecked(true);
    Button3 = add(makeButton(Panel15, QRect(0, 0, 60, 21), text("jednorázové")), "Button3");
    Button3->setToolTip(text("přepíná mezi jednrázovým a periodickým (neustálým) spoštěním"));

    // A readout's text changes with nearly every block. Digits, a point and
    // a unit need no shaping: without it a new text is laid out in about
    // half the time, and looks the same. The rest of the form font is the
    // form's.
    QFont readoutFont;
    readoutFont.setStyleStrategy(QFont::PreferNoShaping);
    auto readout = [&](const char* name, const QColor& colour) {
        QLineEdit* edit = add(makeEdit(screen, QRect(0, 0, 50, 21), QString()), name);
        setBackground(edit, colour);
        setTextColour(edit, clBlack);
        edit->setFont(readoutFont);
        return edit;
    };
    const QStringList currentRanges = {
        text("automaticky"), text("    500 mA"), text("   200 mA"),
        text("   100 mA"),   text("     50 mA"), text("     20 mA    "),
        text("     10 mA"),  text("      5 mA"), text("      2 mA")};
    const QStringList voltageRanges = {
        text("automaticky"), text("      50 V"),  text("      20 V"),   text("      10 V"),
        text("        5 V"), text("        2 V"), text("        1 V"),  text("     500 mV"),
        text("     200 mV"), text("     100 mV"), text("       50 mV"), text("       20 mV"),
        text("       10 mV")};
    Edit4 = readout("Edit4", clYellow);
    ComboBox9 = add(makeCombo(screen, QRect(0, 0, 80, 21), currentRanges, text("automaticky")),
                    "ComboBox9");
    Edit12 = readout("Edit12", clYellow);
    Edit1 = readout("Edit1", clAqua);
    ComboBox10 = add(makeCombo(screen, QRect(0, 0, 80, 21), voltageRanges, text("automaticky")),
                     "ComboBox10");
    Edit8 = readout("Edit8", clAqua);
    ComboBox1 = add(makeCombo(screen, QRect(0, 0, 80, 21),
                              {text("automatická"), text("   100 msec"), text("    50 msec"),
                               text("    20 msec"), text("    10 msec"), text("      5 msec"),
                               text("      2 msec"), text("      1 msec"), text(" generátoru")},
                              text(" generátoru")),
                    "ComboBox1");
    ComboBox1->setToolTip(text("nastavení časové osy"));
    // The top row is one menu caption wide per group: a size smaller than the form font.
    for (QWidget* w : std::initializer_list<QWidget*>{ComboBox4, ComboBox9, ComboBox10, ComboBox1})
        w->setFont(uiFont(10, false));
    for (QWidget* w : std::initializer_list<QWidget*>{RadioButton3, RadioButton4, RadioButton5})
        w->setFont(uiFont(10, true));

    // "optimum" on its red frame at the right end of the top row.
    Panel10 = add(makePanel(screen, QRect(744, 0, 50, 21), clRed), "Panel10");
    Panel10->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Button2 = add(makeButton(screen, QRect(746, 2, 45, 18), text("optimum")), "Button2");
    Button2->setFont(uiFont(11, false));
    Button2->setToolTip(text("vytvoří nebo odstraní svítící rastr na obrazovce"));
    Button2->setDefault(true);

    // Warnings, hidden until the measurement shows them.
    Panel2 = add(makePanel(screen, QRect(197, 26, 400, 24), clRed,
                           text("překročen nastavený rozsah - snižte měřenou veličinu")),
                 "Panel2");
    setTextColour(Panel2, clWhite);
    Panel2->hide();
    Panel14 = add(makePanel(screen, QRect(197, 442, 400, 24), clRed,
                            text("překročena mez zobrazitelnosti - snižte frekvenci")),
                  "Panel14");
    setTextColour(Panel14, clWhite);
    Panel14->hide();
    // Why no sound: over the middle of the screen, one panel per stream.
    for (auto [panel, name, top] : {std::tuple{&recordingPanel, "recordingPanel", 200},
                                    std::tuple{&playbackPanel, "playbackPanel", 250}}) {
        *panel = add(makePanel(screen, QRect(97, top, 600, 44), clRed), name);
        setTextColour(*panel, clWhite);
        (*panel)->setWordWrap(true);
        (*panel)->hide();
    }

    // Unit labels of the vertical scales; start-up sets their tops.
    auto unitLabel = [&](const char* name, int left, int width, const char* caption,
                         const QColor& colour) {
        QLineEdit* edit =
            add(makeEdit(screen, QRect(left, 0, width, 15), text(caption), false), name);
        setBackground(edit, clBlack);
        setTextColour(edit, colour);
        return edit;
    };
    Edit18 = unitLabel("Edit18", 0, 30, "+mV", clAqua);
    Edit19 = unitLabel("Edit19", 0, 30, "-mV", clAqua);
    Edit2 = unitLabel("Edit2", 32, 22, "mA", clYellow);
    Edit5 = unitLabel("Edit5", 32, 22, "mA", clYellow);

    // The diagnostic line lies right of the visible client area.
    Panel3 = add(makePanel(screen, QRect(clientWidth + 6, 0, 200, 25), clBtnShadow), "Panel3");
    Edit11 = add(makeEdit(Panel3, QRect(2, 2, 196, 21), QString()), "Edit11");

    const QStringList frequencyRanges = {text("20 Hz až 100 Hz"), text("100 Hz až 1 kHz"),
                                         text("1 kHz až 20 kHz"), text("10 Hz až 20 kHz")};

    // Generator 1.
    Panel13 = add(makePanel(screen, QRect(0, 498, 800, 29), clTeal), "Panel13");
    setTextColour(Panel13, clWhite);
    ComboBox7 = add(makeCombo(Panel13, QRect(4, 4, 101, 21),
                              {text(" 0 až 1 V"), text(" 0 až 500 mV"), text(" 0 až 200 mV"),
                               text(" 0 až 100 mV"), text(" 0 až 50 mV"), text(" 0 až 20 mV"),
                               text(" 0 až 10 mV "), text("  vypnuto")},
                              text(" 0 až 1000mV ")),
                    "ComboBox7");
    Edit13 = add(makeEdit(Panel13, QRect(104, 4, 57, 21), text("999")), "Edit13");
    Edit6 = add(makeEdit(Panel13, QRect(137, 7, 25, 16), text("mV"), false), "Edit6");
    ScrollBar4 = add(makeScrollBar(Panel13, QRect(164, 5, 221, 20), 0, 32767, 500, 100,
                                   text("nastavení amplitudy")),
                     "ScrollBar4");
    ScrollBar5 = add(
        makeScrollBar(Panel13, QRect(388, 5, 219, 20), 0, 100, 0, 1, text("nastavení frekvence")),
        "ScrollBar5");
    Edit14 = add(makeEdit(Panel13, QRect(608, 4, 67, 21), text("100")), "Edit14");
    Edit14->setToolTip(text("double click"));
    Edit3 = add(makeEdit(Panel13, QRect(648, 7, 27, 16), text("kHz"), false), "Edit3");
    ComboBox8 =
        add(makeCombo(Panel13, QRect(674, 4, 120, 21), frequencyRanges, text("100 Hz až 1 kHz ")),
            "ComboBox8");

    // Generator 2, opened from the menu.
    Panel410 = add(makePanel(screen, QRect(0, 472, 800, 29), clTeal), "Panel410");
    setTextColour(Panel410, clWhite);
    ComboBox410 = add(makeCombo(Panel410, QRect(4, 4, 101, 21),
                                {text(" 0 až 2000m V"), text(" 0 až 1000mV"), text(" 0 až 500 mV"),
                                 text(" 0 až 200 mV"), text(" 0 až 100 mV"), text(" 0 až 50 mV"),
                                 text(" 0 až 20 mV"), text(" 0 až 10 mV "), QString()},
                                text(" 0 až 1 V ")),
                      "ComboBox410");
    Edit403 = add(makeEdit(Panel410, QRect(104, 4, 57, 21), text("1000")), "Edit403");
    Edit10 = add(makeEdit(Panel410, QRect(138, 7, 24, 16), text("mV"), false), "Edit10");
    ScrollBar403 = add(makeScrollBar(Panel410, QRect(164, 5, 221, 20), 0, 32767, 1000, 10,
                                     text("nastavení amplitudy")),
                       "ScrollBar403");
    ScrollBar406 = add(makeScrollBar(Panel410, QRect(388, 5, 219, 20), 100, 1000, 500, 1,
                                     text("nastavení frekvence")),
                       "ScrollBar406");
    Edit409 = add(makeEdit(Panel410, QRect(608, 4, 67, 21), text(" 500")), "Edit409");
    Edit9 = add(makeEdit(Panel410, QRect(648, 7, 27, 16), text(" Hz"), false), "Edit9");
    ComboBox411 =
        add(makeCombo(Panel410, QRect(674, 4, 120, 21),
                      frequencyRanges + QStringList{text("     zrušit")}, text("100 Hz až 1 kHz ")),
            "ComboBox411");
    Panel410->hide();

    // Automatic frequency stepping: the labels are boxes with blanks where the
    // value boxes sit.
    Panel215 = add(makePanel(screen, QRect(0, 472, 801, 30), clTeal), "Panel215");
    setTextColour(Panel215, clWhite);
    auto label = [&](QWidget* parent, const char* name, const QRect& place, const QString& caption,
                     const QColor& colour, const QColor& font) {
        QLineEdit* edit = add(makeEdit(parent, place, caption), name);
        setBackground(edit, colour);
        setTextColour(edit, font);
        return edit;
    };
    Edit225 = label(Panel215, "Edit225", QRect(8, 4, 141, 21),
                    text("od frekvence") + blanks(18) + text("Hz"), cl3DLight, clBlack);
    Edit206 = add(makeEdit(Panel215, QRect(80, 4, 45, 21), text("100")), "Edit206");
    Edit227 = label(Panel215, "Edit227", QRect(148, 4, 133, 21),
                    text("do frekvence") + blanks(16) + text("Hz"), clSilver, clBlack);
    Edit216 = add(makeEdit(Panel215, QRect(216, 4, 41, 21), text("200")), "Edit216");
    Edit224 = label(Panel215, "Edit224", QRect(288, 4, 260, 21),
                    text("krok změny frekvence") + blanks(43) + text("Hz") + blanks(42),
                    clBtnShadow, clWhite);
    ComboBox212 = add(makeCombo(Panel215, QRect(400, 4, 89, 21),
                                {text("automaticky"), text("   ručně")}, text("       ručně")),
                      "ComboBox212");
    Edit223 = add(makeEdit(Panel215, QRect(488, 4, 35, 21), text("10")), "Edit223");
    Edit229 = label(Panel215, "Edit229", QRect(555, 4, 153, 21),
                    text("prodleva mezi kroky") + blanks(11) + text("sec"), clBlack, clWhite);
    Edit222 = add(makeEdit(Panel215, QRect(656, 4, 25, 21), text("1")), "Edit222");
    Button203 = add(makeButton(Panel215, QRect(712, 5, 33, 21), text("start")), "Button203");
    Button204 = add(makeButton(Panel215, QRect(749, 5, 42, 21), text("zrušit")), "Button204");
    Panel215->hide();

    // Swept generator; start-up places it.
    Panel110 = add(makePanel(screen, QRect(388, 498, 409, 29), clBtnShadow), "Panel110");
    Edit130 = add(
        makeEdit(Panel110, QRect(2, 4, 159, 21), text("od frekvence") + blanks(15) + text("Hz")),
        "Edit130");
    Edit106 = add(makeEdit(Panel110, QRect(88, 4, 49, 21), text("100")), "Edit106");
    Edit109 = add(
        makeEdit(Panel110, QRect(168, 4, 153, 21), text("do frekvence") + blanks(14) + text("Hz")),
        "Edit109");
    Edit110 = add(makeEdit(Panel110, QRect(248, 4, 49, 21), text("500")), "Edit110");
    Button103 = add(makeButton(Panel110, QRect(325, 5, 33, 21), text("start")), "Button103");
    Button104 = add(makeButton(Panel110, QRect(362, 5, 42, 21), text("zrušit")), "Button104");
    Panel110->hide();

    // The value boxes sit above the label boxes they are placed over.
    for (QWidget* w : {static_cast<QWidget*>(Edit6), static_cast<QWidget*>(Edit3),
                       static_cast<QWidget*>(Edit10), static_cast<QWidget*>(Edit9)})
        w->raise();
    Button2->raise();

    // The words of the label boxes clear the value boxes placed over them.
    for (QLineEdit* labelBox : {Edit225, Edit227, Edit224, Edit229, Edit130, Edit109})
        fitLabelAroundBoxes(*labelBox);
}

void TForm1::placeTopRow() {
    QMenuBar* bar = menuBar();
    auto left = [&](QAction* caption) { return bar->actionGeometry(caption).left(); };
    constexpr int height = 21;
    constexpr int rightEnd = 743; // the red frame of "optimum" starts at 744

    // Each group starts under its caption and reaches to the next group.
    struct Group {
        QWidget* widget;
        QAction* caption;
    };
    const Group groups[] = {
        {ComboBox4, spoutn1},        {Panel15, volbazobrazen1}, {Edit4, proudIL1},
        {ComboBox9, volbarozsahu1},  {Edit12, frekvence1},      {Edit1, naptUR1},
        {ComboBox10, volbarozsahu2}, {Edit8, frekvence2},       {ComboBox1, asovosa1}};
    const int count = static_cast<int>(std::size(groups));
    for (int i = 0; i < count; ++i) {
        const int x = left(groups[i].caption);
        const int next = i + 1 < count ? left(groups[i + 1].caption) : rightEnd;
        groups[i].widget->setGeometry(x, 0, std::max(next - x - 1, 20), height);
        // Show a text from its start, also where it is wider than its box.
        if (auto* box = qobject_cast<QComboBox*>(groups[i].widget); box && box->lineEdit())
            box->lineEdit()->setCursorPosition(0);
    }

    // Inside Panel15: L, R, L+R just wide enough for indicator and caption,
    // and the one-shot button filling the rest.
    int x = 0;
    for (QRadioButton* radio : {RadioButton3, RadioButton4, RadioButton5}) {
        const int w = radio->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
                      radio->style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing) +
                      radio->fontMetrics().horizontalAdvance(radio->text()) + 2;
        radio->setGeometry(x, 0, w, height);
        x += w;
    }
    Button3->setGeometry(x, 0, std::max(Panel15->width() - x, 20), height);
    // Its caption alternates between "jednorázové" and "periodické": the
    // largest font up to 10 pixels in which both fit.
    for (int size = 10; size >= 7; --size) {
        Button3->setFont(uiFont(size, false));
        const QFontMetrics metrics(Button3->font());
        const int room = Button3->width() - 4;
        if (metrics.horizontalAdvance(text("jednorázové")) <= room &&
            metrics.horizontalAdvance(text("periodické")) <= room)
            break;
    }
}
