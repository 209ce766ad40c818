#pragma once
// TForm1, the one working window of the program: the oscilloscope screen with
// the menu bar, the top row of readouts and choices, the generator panels and
// the shared measurement state. The window is glue: the numeric work lives in
// plain functions of the subsystem folders, and the TForm1 methods of each
// subsystem are defined in its own app/Form1<Subsystem>.cpp.

#include "app/ShownBlock.h"
#include "audio/SilenceText.h"
#include "audio/StreamSettings.h"
#include "audio/StreamWatch.h"
#include "core/CsvStyle.h"
#include "core/SharedState.h"
#include "display/SpectrumView.h"
#include "display/XYView.h"
#include "generator/GeneratorBufferCache.h"
#include "measure/CardCalibration.h"
#include "measure/Frequency.h"
#include "measure/Fundamental.h"
#include "measure/Harmonics.h"
#include "measure/Spectrum.h"
#include "mixer/AudioMixer.h"
#include "mixer/MixerJournal.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QScrollBar;
class CanvasWidget;
class IdleCycle;
class ResponseWindow;
class TAudioIn;
class TAudioOut;

// Size of the client area under the menu bar: the drawing area's.
constexpr int clientWidth = display::Canvas::clientWidth;
constexpr int clientHeight = display::Canvas::clientHeight;

// Panels are labels with a frame: they carry a caption, a colour and child controls.
using TPanel = QLabel;

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // Builds the controls with their design values and runs FormCreate. An
    // exception in FormCreate ends the start-up sequence and is reported; the
    // window is usable either way.
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    // The shared measurement state, one instance for the whole run.
    SharedState& state;

    // Start-up, "optimum", shutdown and resize.
    void FormCreate();
    void Button2Click();
    void FormClose();

    // The sound card's mixer, and the volumes around the program's run
    // (app/Form1Mixer.cpp).
    std::unique_ptr<TAudioMixer> AudioMixer1 = std::make_unique<TAudioMixer>();
    void SaveVolumes();
    void RestoreVolumes();
    void ConfigureMixer();
    // The reduced-gain factors for the level the line input's control holds
    // now (`asked` when it cannot be read).
    void useReachedGain(std::int64_t asked);
    // A control of the mixer changed (by the program, late, or by the user).
    void mixerControlChanged(std::uint32_t D, std::uint32_t S, std::uint32_t C);
    // Saves the volumes and sets the mixer up now, or, while the sound
    // server's mixer is still loading, as soon as it has loaded.
    void setUpMixerWhenReady();
    // Gives back the capture-side settings the set-up changed (at close).
    void RestoreMixer();
    void mix1Click();
    void FormResize();

    // Idle cycle. Done = false asks for the next pass as soon as the queue is empty.
    void MyIdleEvent(QObject* Sender, bool& Done);
    // Recording component's buffer event: copies the block into rawSamples and
    // declines to requeue the buffer.
    bool AudioIn1BufferFilled(char* Buffer, std::int32_t& Size);

    // The recording and playback components, children of the window, set up
    // before FormCreate runs (app/Form1Audio.cpp).
    TAudioIn* AudioIn1 = CreateAudioIn1();
    TAudioOut* AudioOut1 = CreateAudioOut1();
    TAudioIn* CreateAudioIn1();
    TAudioOut* CreateAudioOut1();
    // Playback component's events: the output signal
    // (app/Form1Generators.cpp); the start notification does nothing.
    bool AudioOut1FillBuffer(char* Buffer, std::int32_t& Size);
    void AudioOut1Start(QObject* Sender);
    // Every quarter second: opens a device that could not be opened (at
    // most every half second), restarts playback that stopped, and shows or
    // hides the panels that say why no sound is recorded or played.
    void WatchStreams();
    // Starts the next capture unless an attempt that failed was made less
    // than half a second ago; whether a capture may still be due.
    void StartCapture();
    bool captureAttemptDue() const;

    // Measurement (app/Form1Measure.cpp): readouts and overload warning,
    // ranges and the input-gain switch, frequencies.
    void MeasureCurrent();
    void MeasureVoltage();
    void SelectCurrentRange();
    void SelectVoltageRange();
    void ComboBox9Click();
    void ComboBox10Click();
    // The mixer could not lower the line input's level when the gain switch
    // asked it to: the reduced readouts then stand on full gain.
    bool gainNotReduced = false;
    int FindFirstPositiveCurrent();
    int FindFirstPositiveVoltage();
    int FindFirstNegativeCurrent();
    int FindFirstNegativeVoltage();
    // One half-period search (find, smooth, search) with the pass's step and
    // skip; the measured frequency is also left in the shared state.
    double MeasurePeriodCurrent(measure::SearchPass pass);
    double MeasurePeriodVoltage(measure::SearchPass pass);
    void ShowCurrentFrequency();
    void ShowVoltageFrequency();

    // Display (app/Form1Display.cpp): grid, display frame, trigger and time
    // base, channel choice, one-shot mode, scales and time-axis labels.
    void DrawGrid();
    void UpDown2Changing();
    void file1Click();
    void DrawScreen();
    void SelectTimeBaseByVoltage();
    void SelectTimeBaseByCurrent();
    void ComboBox4Click();
    void RadioButton3Click();
    void RadioButton4Click();
    void RadioButton5Click();
    void Button3Click();
    void ComboBox1Click();
    void DrawScales();
    void DrawTimeAxis100ms();
    void DrawTimeAxis50ms();
    void DrawTimeAxis20ms();
    void DrawTimeAxis10ms();
    void DrawTimeAxis5ms();
    void DrawTimeAxis2ms();
    void DrawTimeAxis1ms();
    // The back buffer the display routines draw into.
    display::Canvas& screen();
    // The label set of time base 1..7 (DrawTimeAxis100ms ... DrawTimeAxis1ms).
    void drawTimeAxis(int index);
    // The centre line and both traces of a frame from the trigger index,
    // erasing the previous frame's traces, which it then replaces.
    void drawTraces(std::uint16_t trigger);

    // Generator panels, stepping and sweep (app/Form1Generators.cpp).
    void ScrollBar4Change();
    void ComboBox7Click();
    void ScrollBar5Change();
    void ComboBox8Click();
    void Edit13DblClick();
    void Edit14DblClick();
    void zobrazit1Click();
    void zruit1Click();
    void zobrazit2Click();
    void zruit2Click();
    void ScrollBar403Change();
    void ScrollBar406Change();
    void ComboBox410Change();
    void ComboBox411Click();
    void zobrazit3Click();
    void zruit3Click();
    void Button203Click();
    void Timer1Timer();
    void Button204Click();
    void zobrazit4Click();
    void zruit4Click();
    void Button103Click();
    void Button104Click();

    // Repaints the whole window at once: the screen becomes black and the
    // controls draw themselves again.
    void Refresh();

    // True once the idle cycle has been hooked in (end of start-up).
    bool idleHooked() const;
    // Number of idle passes run so far.
    std::uint64_t idlePassCount() const;
    // The idle cycle, which waits while passes could only repeat themselves.
    IdleCycle& idleCycle() const { return *idle_; }

    // Every control of the window in creation order (for reports and tests).
    const std::vector<QWidget*>& controls() const { return controls_; }
    CanvasWidget* canvas() const { return canvas_; }

    // Menu bar: the captions above the top row and the generator menu.
    QAction* spoutn1 = nullptr;        // "   spouštění"
    QAction* mix1 = nullptr;           // "mix. pult "
    QAction* volbazobrazen1 = nullptr; // "volba zobrazení"
    QAction* file1 = nullptr;          // "mazání"
    QAction* proudIL1 = nullptr;       // "proud IL"
    QAction* volbarozsahu1 = nullptr;  // "volba rozsahu" (current)
    QAction* frekvence1 = nullptr;     // "frekvence" (current)
    QAction* naptUR1 = nullptr;        // "napětí UR"
    QAction* volbarozsahu2 = nullptr;  // "volba rozsahu" (voltage)
    QAction* frekvence2 = nullptr;     // "frekvence" (voltage)
    QAction* asovosa1 = nullptr;       // "časová &osa"
    QMenu* test2 = nullptr;            // "generátor"
    QMenu* genertor11 = nullptr;       // "generátor 1"
    QAction* zobrazit1 = nullptr;
    QAction* zruit1 = nullptr;
    QMenu* genertor21 = nullptr; // "generátor 2"
    QAction* zobrazit2 = nullptr;
    QAction* zruit2 = nullptr;
    QMenu* automatick1 = nullptr; // "automatický"
    QAction* zobrazit3 = nullptr;
    QAction* zruit3 = nullptr;
    QMenu* rozmtan1 = nullptr; // "rozmítaný"
    QAction* zobrazit4 = nullptr;
    QAction* zruit4 = nullptr;

    // Top row.
    QComboBox* ComboBox4 = nullptr; // trigger source
    TPanel* Panel15 = nullptr;      // channel choice and one-shot button
    QRadioButton* RadioButton3 = nullptr;
    QRadioButton* RadioButton4 = nullptr;
    QRadioButton* RadioButton5 = nullptr;
    QPushButton* Button3 = nullptr;
    QLineEdit* Edit4 = nullptr;      // current readout
    QComboBox* ComboBox9 = nullptr;  // current range
    QLineEdit* Edit12 = nullptr;     // current frequency
    QLineEdit* Edit1 = nullptr;      // voltage readout
    QComboBox* ComboBox10 = nullptr; // voltage range
    QLineEdit* Edit8 = nullptr;      // voltage frequency
    QComboBox* ComboBox1 = nullptr;  // time base

    // "optimum" on its red frame.
    TPanel* Panel10 = nullptr;
    QPushButton* Button2 = nullptr;

    // Warnings.
    TPanel* Panel2 = nullptr;  // overload
    TPanel* Panel14 = nullptr; // frequency beyond the display limit
    // Why no sound is recorded / played (over the screen, red, as Panel2).
    TPanel* recordingPanel = nullptr;
    TPanel* playbackPanel = nullptr;

    // Unit labels of the vertical scales.
    QLineEdit* Edit18 = nullptr;
    QLineEdit* Edit19 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLineEdit* Edit5 = nullptr;

    // Diagnostic line, kept outside the visible client area.
    TPanel* Panel3 = nullptr;
    QLineEdit* Edit11 = nullptr;

    // Generator 1.
    TPanel* Panel13 = nullptr;
    QComboBox* ComboBox7 = nullptr;
    QLineEdit* Edit13 = nullptr;
    QLineEdit* Edit6 = nullptr;
    QScrollBar* ScrollBar4 = nullptr;
    QScrollBar* ScrollBar5 = nullptr;
    QLineEdit* Edit14 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QComboBox* ComboBox8 = nullptr;

    // Generator 2.
    TPanel* Panel410 = nullptr;
    QComboBox* ComboBox410 = nullptr;
    QLineEdit* Edit403 = nullptr;
    QLineEdit* Edit10 = nullptr;
    QScrollBar* ScrollBar403 = nullptr;
    QScrollBar* ScrollBar406 = nullptr;
    QLineEdit* Edit409 = nullptr;
    QLineEdit* Edit9 = nullptr;
    QComboBox* ComboBox411 = nullptr;

    // Automatic frequency stepping.
    TPanel* Panel215 = nullptr;
    QLineEdit* Edit225 = nullptr;
    QLineEdit* Edit206 = nullptr;
    QLineEdit* Edit227 = nullptr;
    QLineEdit* Edit216 = nullptr;
    QLineEdit* Edit224 = nullptr;
    QComboBox* ComboBox212 = nullptr;
    QLineEdit* Edit223 = nullptr;
    QLineEdit* Edit229 = nullptr;
    QLineEdit* Edit222 = nullptr;
    QPushButton* Button203 = nullptr;
    QPushButton* Button204 = nullptr;

    // Swept generator.
    TPanel* Panel110 = nullptr;
    QLineEdit* Edit130 = nullptr;
    QLineEdit* Edit106 = nullptr;
    QLineEdit* Edit109 = nullptr;
    QLineEdit* Edit110 = nullptr;
    QPushButton* Button103 = nullptr;
    QPushButton* Button104 = nullptr;

    // The stepping timer, disabled until stepping starts.
    QTimer* Timer1 = nullptr;

    // Circuit analysis, reached from the screen's context menu
    // (app/Form1Analysis.cpp).
    QMenu* screenMenu = nullptr;
    QAction* phaseLineAction = nullptr;  // "fáze a impedance"
    QAction* xyViewAction = nullptr;     // "X-Y"
    QAction* responseAction = nullptr;   // "frekvenční charakteristika…"
    QAction* saveDataAction = nullptr;   // "uložit data…"
    QAction* saveImageAction = nullptr;  // "uložit obrázek…"
    QAction* spectrumAction = nullptr;   // "spektrum"
    QAction* spectrumDbAction = nullptr; // "spektrum v dB"
    // The fundamental of both channels of the last recorded block, analysed
    // once per block when something asks for it.
    const measure::CircuitReading& circuitReading();
    // The same of the block whose picture is on the screen (in one-shot mode
    // an older block than the last recorded one).
    const measure::CircuitReading& shownCircuitReading();
    // The readout factors in force while the last block was recorded: the
    // gain switch may set others while that block is measured.
    struct BlockFactors {
        double current = 0.03, voltage = 0.0357;
    };
    const BlockFactors& blockFactors() const { return blockFactors_; }
    // Blocks recorded since start-up.
    // The frequency-response window (created on first use).
    ResponseWindow& responseWindow();
    // Writes the recorded block as CSV (time, IL, UR, calibrated): in
    // one-shot mode the block whose picture is on the screen. An empty text
    // when it worked, else why not.
    QString saveBlockCsv(const QString& file, const CsvStyle& style = plainCsv);
    // The spectra of both channels of the last recorded block and their
    // harmonic table, computed once per block when something asks for them
    // (app/Form1Spectrum.cpp). The table's fundamental is the analysed
    // frequency of the block, or generator 1's.
    const measure::BlockSpectra& blockSpectra();
    const measure::HarmonicTable& harmonicTable();

    // The calibration of the sound card in use (app/Form1Calibration.cpp).
    // Loads the card's factors from the settings file (a problem goes to
    // stderr) and adds "kalibrace…" to the screen's context menu.
    void enableCalibration();
    // Puts factors in force: readouts, traces and the generators' amplitude
    // readouts follow at once; the title says "(kalibrováno)" unless all are 1.
    void useCalibration(const measure::CalibrationFactors& factors);
    measure::CalibrationFactors calibration() const;
    // The dialog that takes a meter's readings ("kalibrace…").
    void openCalibrationDialog();
    QAction* calibrationAction = nullptr; // "kalibrace…"

signals:
    // Emitted when the window closes, after FormClose, while it is still shown.
    void closing();
    // A recorded block has reached rawSamples.
    void blockRecorded();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void createMenu();
    void createControls();
    // Each subsystem's glue connects the events of its own controls.
    void connectMeasureControls();
    void connectDisplayControls();
    void connectGeneratorControls();
    void createScreenMenu();
    void createStreamWatch();
    // Milliseconds on the clock the stream watch keeps time by.
    std::int64_t streamNow() const;
    void showSilence(TPanel& panel, StreamKind kind,
                     const std::optional<platform::MMResult>& reason, const std::string& extra);
    // The figure of the X-Y view and the circuit line, drawn in a frame
    // instead of the traces / after them.
    void drawXYView();
    void drawCircuitLine();
    // "spektrum" and "spektrum v dB": what they exclude and switch with them,
    // and the view with its table drawn in place of the traces.
    void connectSpectrumActions();
    void drawSpectrumView();
    void placeTopRow();
    void setClientSize(int width, int height);
    // The start-up sequence; "optimum" runs it with its differences.
    void runStartupSequence(bool optimum);
    void hookIdle();
    // Generator 1's start values: frequency slider 100..1000 at 100 Hz, shown
    // frequencies 40 Hz, range boxes, amplitude slider at 3000 (start-up,
    // "optimum" and the menu's "zobrazit").
    void setGenerator1StartValues();
    // Stepping: readouts of the frequency stepped to; the end of a stepping.
    void showSteppedFrequency();
    void stopStepping();

    // Registers a control under its name for reports and tests.
    template <class W> W* add(W* widget, const char* name);

    std::unique_ptr<SharedState> stateStorage_;
    CanvasWidget* canvas_ = nullptr;
    std::vector<QWidget*> controls_;
    IdleCycle* idle_ = nullptr;
    std::uint64_t blocksRecorded_ = 0;
    MixerJournal mixerJournal_; // what the set-up changed
    bool journalKept_ = false;
    QTimer* mixerWait_ = nullptr;  // runs while the set-up waits for the mixer
    bool generatorPlayed_ = false; // a playback stream has asked for a buffer
    StreamWatch recordingWatch_;
    StreamWatch playbackWatch_;
    QTimer* watchTimer_ = nullptr;
    QElapsedTimer captureTried_;             // wall time of the last attempt to open the input
    std::set<std::string> reportedSilences_; // each reason goes to stderr once
    std::uint64_t analysedBlock_ = ~std::uint64_t{0};
    measure::CircuitReading circuitReading_;
    // The block on the screen, kept whenever its traces are drawn.
    std::unique_ptr<ShownBlock> shownBlock_ = std::make_unique<ShownBlock>();
    std::uint64_t analysedShownBlock_ = ~std::uint64_t{0};
    measure::CircuitReading shownCircuitReading_;
    BlockFactors blockFactors_;
    display::XYFigure xyFigure_;
    measure::SpectrumAnalyser spectrumAnalyser_;
    measure::BlockSpectra blockSpectra_;
    measure::HarmonicTable harmonicTable_;
    std::uint64_t spectrumBlock_ = ~std::uint64_t{0};
    std::uint64_t harmonicBlock_ = ~std::uint64_t{0};
    display::SpectrumFigure spectrumFigure_;
    std::unique_ptr<ResponseWindow> responseWindow_;
    // The hidden grid-brightness control's position (5 x position = brightness).
    int gridBrightnessPosition_ = 15;
    // The output buffers of generators 1 + 2 computed last, copied while the
    // generators stay unchanged.
    synthesis::GeneratorBufferCache generatorBuffers_;
};
