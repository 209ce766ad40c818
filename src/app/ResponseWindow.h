#pragma once
// The frequency-response window: start and end frequency, the number of
// points (spaced evenly on a logarithmic axis) and the settle time; "start"
// and "stop"; a table and two plots that grow while the run goes on, with
// the resonance marked; the table as CSV and the plots as a picture.
// It is not modal: the instrument's window goes on working beside it.

#include "app/ResponseRun.h"
#include "measure/CircuitFit.h"

#include <QImage>
#include <QWidget>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class TForm1;

class ResponseWindow : public QWidget {
    Q_OBJECT
public:
    // The settle time the window starts with, ms.
    static constexpr int defaultSettleMs = measure::defaultSettleMs;

    explicit ResponseWindow(TForm1& form);
    ~ResponseWindow() override;

    QLineEdit* startEdit = nullptr;  // "od" Hz
    QLineEdit* endEdit = nullptr;    // "do" Hz
    QLineEdit* pointsEdit = nullptr; // points
    QLineEdit* settleEdit = nullptr; // settle time, ms
    QPushButton* startButton = nullptr;
    QPushButton* stopButton = nullptr;
    QPushButton* saveCsvButton = nullptr;
    QPushButton* saveImageButton = nullptr;
    QTableWidget* table = nullptr;
    QLabel* impedancePlot = nullptr;
    QLabel* phasePlot = nullptr;
    QLabel* statusLabel = nullptr;
    // Under the plots: the series model fitted to the points and its values,
    // or why the points cannot decide.
    QLabel* fitLabel = nullptr;

    // "start": reads the boxes (a text that is no number, or a value out of
    // range, is reported and starts nothing) and starts the run.
    void startClick();
    // Starts a run with these settings, as "start" does after reading them.
    void startRun(int startHz, int endHz, int points, int settleMs);
    void stopClick();
    void saveCsvClick();
    void saveImageClick();

    ResponseRun& run() { return run_; }
    // The table as CSV, and both plots in one picture.
    std::string csv(const CsvStyle& style = plainCsv) const;
    QImage plotsImage() const;
    std::optional<measure::Resonance> resonance() const;
    // The series-circuit fit of the points so far, and the table as CSV
    // with the fit's comment lines before it (what "uložit CSV…" writes).
    const measure::CircuitFit& circuitFit() const { return fit_; }
    std::string csvWithFit(const CsvStyle& style = plainCsv) const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void addRow(int index);
    void redraw();
    void showFit();
    void finished(bool completed);

    TForm1& form_;
    ResponseRun run_;
    int startHz_ = 50;
    int endHz_ = 500;
    measure::CircuitFit fit_;
};
