#include "app/ResponseWindow.h"

#include "app/ErrorReport.h"
#include "app/FileChooser.h"
#include "app/Form1.h"
#include "app/Snapshot.h"
#include "app/TextFile.h"
#include "core/Convert.h"
#include "core/CsvStyle.h"
#include "core/Exception.h"
#include "core/FixedText.h"
#include "display/ResponsePlot.h"
#include "measure/CircuitFitText.h"
#include "measure/ResponseFit.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr int plotWidth = 470;
constexpr int plotHeight = 250;
// Points of a fitted model's curve across a plot.
constexpr int modelCurvePoints = 200;

int number(QLineEdit& box, int low, int high, const char* what) {
    const std::int32_t value = StrToInt(box.text().toStdString());
    if (value < low || value > high)
        throw Exception(std::string(what) + " musí být " + std::to_string(low) + " až " +
                        std::to_string(high));
    return value;
}

QTableWidgetItem* cell(const std::string& text) {
    auto* item = new QTableWidgetItem(QString::fromStdString(text));
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

} // namespace

ResponseWindow::ResponseWindow(TForm1& form)
    : QWidget(nullptr, Qt::Window), form_(form), run_(form) {
    setObjectName(QStringLiteral("ResponseWindow"));
    setWindowTitle(QString::fromUtf8("frekvenční charakteristika"));

    auto edit = [this](const char* name, const char* text, int width) {
        auto* box = new QLineEdit(QString::fromUtf8(text), this);
        box->setObjectName(QString::fromLatin1(name));
        box->setFixedWidth(width);
        return box;
    };
    startEdit = edit("startEdit", "50", 60);
    endEdit = edit("endEdit", "500", 60);
    pointsEdit = edit("pointsEdit", "31", 45);
    settleEdit = edit("settleEdit", std::to_string(defaultSettleMs).c_str(), 55);
    auto button = [this](const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    startButton = button("startButton", "start");
    stopButton = button("stopButton", "stop");
    saveCsvButton = button("saveCsvButton", "uložit CSV…");
    saveImageButton = button("saveImageButton", "uložit obrázek…");
    stopButton->setEnabled(false);

    auto* settings = new QHBoxLayout;
    auto label = [this](const char* text) { return new QLabel(QString::fromUtf8(text), this); };
    settings->addWidget(label("od"));
    settings->addWidget(startEdit);
    settings->addWidget(label("Hz   do"));
    settings->addWidget(endEdit);
    settings->addWidget(label("Hz   bodů"));
    settings->addWidget(pointsEdit);
    settings->addWidget(label("   ustálení"));
    settings->addWidget(settleEdit);
    settings->addWidget(label("ms"));
    settings->addStretch();
    for (QPushButton* b : {startButton, stopButton, saveCsvButton, saveImageButton})
        settings->addWidget(b);

    table = new QTableWidget(0, 8, this);
    table->setObjectName(QStringLiteral("table"));
    table->setHorizontalHeaderLabels({QStringLiteral("f [Hz]"), QStringLiteral("IL [mA]"),
                                      QStringLiteral("UR [mV]"), QString::fromUtf8("|Z| [Ω]"),
                                      QString::fromUtf8("φ [°]"), QString::fromUtf8("±|Z| [Ω]"),
                                      QString::fromUtf8("±φ [°]"), QString::fromUtf8("poznámka")});
    table->verticalHeader()->setDefaultSectionSize(18);
    // Eight columns of five-digit numbers: each as wide as what it holds.
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->setMinimumWidth(620);

    impedancePlot = new QLabel(this);
    phasePlot = new QLabel(this);
    impedancePlot->setFixedSize(plotWidth, plotHeight);
    phasePlot->setFixedSize(plotWidth, plotHeight);
    statusLabel = new QLabel(this);
    statusLabel->setObjectName(QStringLiteral("statusLabel"));
    fitLabel = new QLabel(this);
    fitLabel->setObjectName(QStringLiteral("fitLabel"));
    fitLabel->setFixedWidth(plotWidth);
    fitLabel->setWordWrap(true);
    fitLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* plots = new QVBoxLayout;
    plots->addWidget(impedancePlot);
    plots->addWidget(phasePlot);
    plots->addWidget(fitLabel);
    auto* body = new QHBoxLayout;
    body->addWidget(table, 1);
    body->addLayout(plots);
    auto* all = new QVBoxLayout(this);
    all->addLayout(settings);
    all->addLayout(body);
    all->addWidget(statusLabel);

    connect(startButton, &QPushButton::clicked, this, app::guarded([this] { startClick(); }));
    connect(stopButton, &QPushButton::clicked, this, app::guarded([this] { stopClick(); }));
    connect(saveCsvButton, &QPushButton::clicked, this, app::guarded([this] { saveCsvClick(); }));
    connect(saveImageButton, &QPushButton::clicked, this,
            app::guarded([this] { saveImageClick(); }));
    connect(&run_, &ResponseRun::pointMeasured, this, [this](int index) { addRow(index); });
    connect(&run_, &ResponseRun::finished, this, [this](bool completed) { finished(completed); });
    redraw();
}

ResponseWindow::~ResponseWindow() = default;

void ResponseWindow::startClick() {
    using namespace measure;
    const int start = number(*startEdit, lowestResponseHz, highestResponseHz, "Počáteční kmitočet");
    const int end = number(*endEdit, lowestResponseHz, highestResponseHz, "Koncový kmitočet");
    const int points = number(*pointsEdit, fewestResponsePoints, mostResponsePoints, "Počet bodů");
    const int settle = number(*settleEdit, 0, longestSettleMs, "Doba ustálení");
    startRun(start, end, points, settle);
}

void ResponseWindow::startRun(int startHz, int endHz, int points, int settleMs) {
    // A run in progress ends first, so that its end does not overwrite the
    // state of the new one.
    run_.stop();
    startHz_ = std::min(startHz, endHz);
    endHz_ = std::max(startHz, endHz);
    table->setRowCount(0);
    startButton->setEnabled(false);
    stopButton->setEnabled(true);
    statusLabel->setText(QString::fromUtf8("měří se…"));
    run_.start(measure::logarithmicPoints(startHz, endHz, points), settleMs);
    redraw();
}

void ResponseWindow::stopClick() {
    run_.stop();
}

void ResponseWindow::addRow(int index) {
    const measure::ResponsePoint& p = run_.points()[static_cast<std::size_t>(index)];
    table->insertRow(index);
    table->setItem(index, 0, cell(fixedText(p.frequency, 0, 0)));
    table->setItem(index, 1, cell(significantText(p.current)));
    table->setItem(index, 2, cell(significantText(p.voltage)));
    const bool divides = p.valid;
    table->setItem(index, 3, cell(divides ? significantText(p.impedance) : "—"));
    table->setItem(index, 4, cell(divides ? fixedText(p.phaseDegrees, 0, 2) : "—"));
    table->setItem(index, 5, cell(divides ? significantText(p.impedanceUncertainty, 2) : ""));
    table->setItem(index, 6, cell(divides ? significantText(p.phaseUncertainty, 2) : ""));
    table->setItem(index, 7, cell(measure::pointNote(p)));
    table->scrollToBottom();
    statusLabel->setText(QString::fromUtf8("bod %1 z %2").arg(index + 1).arg(run_.total()));
    redraw();
}

std::optional<measure::Resonance> ResponseWindow::resonance() const {
    return measure::findResonance(run_.points());
}

void ResponseWindow::redraw() {
    showFit();
    const std::vector<measure::ResponsePoint> model =
        measure::modelCurve(fit_, startHz_, endHz_, modelCurvePoints);
    QImage image(plotWidth, plotHeight, QImage::Format_RGB32);
    const std::optional<measure::Resonance> found = resonance();
    display::drawResponsePlot(image, display::ResponsePlotKind::impedance, run_.points(), startHz_,
                              endHz_, found, model);
    impedancePlot->setPixmap(QPixmap::fromImage(image));
    display::drawResponsePlot(image, display::ResponsePlotKind::phase, run_.points(), startHz_,
                              endHz_, found, model);
    phasePlot->setPixmap(QPixmap::fromImage(image));
}

void ResponseWindow::showFit() {
    fit_ = measure::fitResponse(run_.points());
    fitLabel->setText(run_.points().empty() ? QString()
                                            : QString::fromStdString(measure::circuitFitSummary(
                                                  fit_, measure::Language::czech)));
}

void ResponseWindow::finished(bool completed) {
    startButton->setEnabled(true);
    stopButton->setEnabled(false);
    QString text = completed ? QString::fromUtf8("hotovo") : QString::fromUtf8("zastaveno");
    if (const auto found = resonance())
        text += QString::fromUtf8(" — rezonance %1 Hz")
                    .arg(QString::fromStdString(fixedText(found->frequency, 0, 1)));
    else if (!run_.points().empty())
        text += QString::fromUtf8(" — bez rezonance v rozsahu");
    statusLabel->setText(text);
    redraw();
}

std::string ResponseWindow::csv(const CsvStyle& style) const {
    return measure::responseCsv(run_.points(), style);
}

std::string ResponseWindow::csvWithFit(const CsvStyle& style) const {
    // A byte-order mark stays the file's first bytes, before the comments.
    const std::string start = csvStart(style);
    return start + measure::fitComments(fit_) + csv(style).substr(start.size());
}

QImage ResponseWindow::plotsImage() const {
    QImage image(plotWidth, 2 * plotHeight, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.drawPixmap(0, 0, impedancePlot->pixmap());
    painter.drawPixmap(0, plotHeight, phasePlot->pixmap());
    return image;
}

void ResponseWindow::saveCsvClick() {
    CsvStyle style;
    const QString file = app::chooseCsvFile(this, QString::fromUtf8("uložit CSV"),
                                            QStringLiteral("charakteristika.csv"), style);
    if (file.isEmpty()) return;
    if (const QString failure = writeTextFile(file, csvWithFit(style)); !failure.isEmpty())
        throw Exception(failure.toStdString());
}

void ResponseWindow::saveImageClick() {
    const QString file =
        app::chooseSaveFile(this, QString::fromUtf8("uložit obrázek"),
                            QStringLiteral("charakteristika.png"), QStringLiteral("PNG (*.png)"));
    if (file.isEmpty()) return;
    if (const QString failure = savePng(plotsImage(), file); !failure.isEmpty())
        throw Exception(pictureNotSaved(file, failure).toStdString());
}

void ResponseWindow::closeEvent(QCloseEvent* event) {
    // Closing ends a run; generator 1 stays where it was left.
    run_.stop();
    QWidget::closeEvent(event);
}
