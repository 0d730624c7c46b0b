#include "SensorCalForm.h"

#include "CalFile.h"
#include "ChartAxes.h"
#include "Dialogs.h"

#include <QDoubleSpinBox>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QTableWidget>

#include <qcustomplot.h>

#include <algorithm>

QString FormatCalValue(double v)
{
    QString s = QString::number(v, 'f', 4);
    // Trailing zeros go, down to two decimals.
    while (s.endsWith(QLatin1Char('0')) && s.size() - s.indexOf(QLatin1Char('.')) > 3)
        s.chop(1);
    return s == QLatin1String("-0.00") ? QStringLiteral("0.00") : s;
}

namespace {

QDoubleSpinBox* NumericInput(QWidget* parent, QRect r)
{
    auto* n = new QDoubleSpinBox(parent);
    n->setGeometry(r);
    n->setDecimals(2);
    n->setRange(-999999.99, 999999.99);
    n->setButtonSymbols(QAbstractSpinBox::NoButtons);
    return n;
}

QLabel* Label(QWidget* parent, const QString& text, int x, int y)
{
    auto* l = new QLabel(text, parent);
    l->move(x, y);
    return l;
}

QPushButton* Button(QWidget* parent, const QString& text, QRect r)
{
    auto* b = new QPushButton(text, parent);
    b->setGeometry(r);
    return b;
}

} // namespace

TfrmSensorCal::TfrmSensorCal(TDialogs& dialogs, QWidget* parent)
    : QDialog(parent, Qt::Tool), FDialogs(dialogs)
{
    setWindowTitle(QStringLiteral("Sensor Calibration"));
    setFixedSize(783, 514);

    rcPoints = new QCustomPlot(this);
    rcPoints->setGeometry(0, 0, 490, 417);
    rcPoints->xAxis->setLabel(QStringLiteral("Sensor Voltage (V)"));
    rcPoints->yAxis->setLabel(QStringLiteral("Output Data"));
    rcPoints->xAxis->setRange(0, 10);
    rcPoints->yAxis->setRange(0, 10);
    UsePictureLabels(rcPoints->xAxis);
    UsePictureLabels(rcPoints->yAxis);

    auto* details = new QGroupBox(QStringLiteral("Sensor Details"), this);
    details->setGeometry(498, 4, 277, 78);
    Label(details, QStringLiteral("Sensor Name"), 10, 24);
    edtSensorName = new QLineEdit(details);
    edtSensorName->setGeometry(92, 20, 175, 22);
    Label(details, QStringLiteral("Data Units"), 10, 51);
    edtDataUnits = new QLineEdit(details);
    edtDataUnits->setGeometry(92, 47, 175, 22);
    connect(edtSensorName, &QLineEdit::textEdited, this, [this] { UpdateTitles(); });
    connect(edtDataUnits, &QLineEdit::textEdited, this, [this] { UpdateTitles(); });

    auto* conversion = new QGroupBox(QStringLiteral("Sensor Voltage to Data Conversion"), this);
    conversion->setGeometry(498, 88, 277, 206);
    Label(conversion, QStringLiteral("Data Points"), 10, 20);
    sgPoints = new QTableWidget(0, 3, conversion);
    sgPoints->setGeometry(10, 38, 257, 158);
    sgPoints->setHorizontalHeaderLabels(
        {QStringLiteral("Point"), QStringLiteral("Volts"), QStringLiteral("Value")});
    sgPoints->verticalHeader()->hide();
    sgPoints->verticalHeader()->setDefaultSectionSize(20);
    sgPoints->horizontalHeader()->setStretchLastSection(true);
    sgPoints->setColumnWidth(0, 50);
    sgPoints->setColumnWidth(1, 90);
    sgPoints->setSelectionBehavior(QAbstractItemView::SelectRows);
    sgPoints->setSelectionMode(QAbstractItemView::SingleSelection);
    sgPoints->setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(sgPoints, &QTableWidget::itemSelectionChanged, this, [this] { RowSelected(); });

    btnDeletePoint = Button(this, QStringLiteral("Delete Selected Point"), {498, 300, 136, 25});
    btnClearPoints = Button(this, QStringLiteral("Clear All Points"), {640, 300, 135, 25});

    auto* newPoint = new QGroupBox(QStringLiteral("New Data Point"), this);
    newPoint->setGeometry(498, 332, 277, 84);
    Label(newPoint, QStringLiteral("Input Voltage"), 10, 25);
    niInput = NumericInput(newPoint, {100, 21, 75, 22});
    Label(newPoint, QStringLiteral("Output Data"), 10, 53);
    niOutput = NumericInput(newPoint, {100, 49, 75, 22});
    btnAddPoint = Button(newPoint, QStringLiteral("Add Point"), {186, 20, 81, 25});
    btnEditPoint = Button(newPoint, QStringLiteral("Edit Point"), {186, 48, 81, 25});

    Button1 = Button(this, QStringLiteral("Import Calibration..."), {8, 428, 150, 25});
    Button2 = Button(this, QStringLiteral("Export Calibration..."), {8, 460, 150, 25});

    auto* test = new QGroupBox(QStringLiteral("Test"), this);
    test->setGeometry(170, 422, 320, 84);
    Label(test, QStringLiteral("Input (V)"), 10, 25);
    niInputTest = NumericInput(test, {80, 21, 80, 22});
    niInputTest->setValue(0);
    btnConvert = Button(test, QStringLiteral("Convert"), {172, 20, 75, 25});
    Label(test, QStringLiteral("Output"), 10, 53);
    edtOutput = new QLineEdit(test);
    edtOutput->setGeometry(80, 49, 167, 22);
    edtOutput->setReadOnly(true);

    btnOK = Button(this, QStringLiteral("OK"), {612, 480, 75, 25});
    btnOK->setDefault(true);
    btnCancel = Button(this, QStringLiteral("Cancel"), {700, 480, 75, 25});

    connect(btnAddPoint, &QPushButton::clicked, this, [this] { btnAddPointClick(); });
    connect(btnEditPoint, &QPushButton::clicked, this, [this] { btnEditPointClick(); });
    connect(btnDeletePoint, &QPushButton::clicked, this, [this] { btnDeletePointClick(); });
    connect(btnClearPoints, &QPushButton::clicked, this, [this] { btnClearPointsClick(); });
    connect(Button1, &QPushButton::clicked, this, [this] { ImportClick(); });
    connect(Button2, &QPushButton::clicked, this, [this] { ExportClick(); });
    connect(btnConvert, &QPushButton::clicked, this, [this] { btnConvertClick(); });
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    ClearPoints();
    EnableButtons();
}

void TfrmSensorCal::ClearPoints()
{
    FPoints.clear();
    FillGrid();
}

void TfrmSensorCal::LoadPoints(const TSensorConv& conv)
{
    ClearPoints();
    for (const TConvPoint& p : conv.Points)
        AddCalPoint(p.Volts, p.Value);
    RedrawPoints();
}

void TfrmSensorCal::StorePoints(TSensorConv& conv) const
{
    conv.Points = FPoints;
}

void TfrmSensorCal::AddCalPoint(float volts, float value)
{
    ::AddCalPoint(FPoints, volts, value);
    FillGrid();
}

void TfrmSensorCal::FillGrid()
{
    sgPoints->setRowCount(int(FPoints.size()));
    for (int i = 0; i < int(FPoints.size()); ++i) {
        const TConvPoint& p = FPoints[size_t(i)];
        const QString texts[3] = {QString::number(i), QString::number(double(p.Volts), 'f', 2),
                                  FormatCalValue(p.Value)};
        for (int c = 0; c < 3; ++c) {
            auto* item = new QTableWidgetItem(texts[c]);
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            sgPoints->setItem(i, c, item);
        }
    }
    EnableButtons();
}

void TfrmSensorCal::RedrawPoints()
{
    rcPoints->clearGraphs();
    QCPGraph* g = rcPoints->addGraph();
    g->setPen(QPen(QColor(0, 0, 160), 1.5));
    g->setScatterStyle(
        QCPScatterStyle(QCPScatterStyle::ssSquare, QColor(200, 0, 0), QColor(200, 0, 0), 6));
    QVector<double> xs, ys;
    for (const TConvPoint& p : FPoints) {
        xs << p.Volts;
        ys << p.Value;
    }
    g->setData(xs, ys, true);
    if (!FPoints.empty()) {
        const auto fit = [](QCPAxis* axis, double lo, double hi) {
            double margin = (hi - lo) * 0.05;
            if (margin <= 0) margin = std::max(1.0, std::abs(lo) * 0.05);
            axis->setRange(lo - margin, hi + margin);
        };
        const auto [ylo, yhi] = std::minmax_element(ys.begin(), ys.end());
        fit(rcPoints->xAxis, xs.front(), xs.back());
        fit(rcPoints->yAxis, *ylo, *yhi);
    }
    rcPoints->replot();
}

void TfrmSensorCal::SetCalName(const QString& name)
{
    edtSensorName->setText(name);
    UpdateTitles();
}

void TfrmSensorCal::SetCalUnits(const QString& units)
{
    edtDataUnits->setText(units);
    UpdateTitles();
}

QString TfrmSensorCal::CalName() const
{
    return edtSensorName->text();
}

QString TfrmSensorCal::CalUnits() const
{
    return edtDataUnits->text();
}

void TfrmSensorCal::UpdateTitles()
{
    setWindowTitle(QStringLiteral("Sensor Calibration - ") + CalName());
    rcPoints->yAxis->setLabel(CalName() + QStringLiteral(" (") + CalUnits() + QStringLiteral(")"));
    rcPoints->replot();
}

void TfrmSensorCal::EnableButtons()
{
    const bool any = !FPoints.empty();
    const bool row = any && sgPoints->currentRow() >= 0 && !sgPoints->selectedItems().isEmpty();
    btnEditPoint->setEnabled(row);
    btnDeletePoint->setEnabled(row);
    btnClearPoints->setEnabled(any);
    Button2->setEnabled(any);
    btnConvert->setEnabled(any);
}

void TfrmSensorCal::RowSelected()
{
    const int row = sgPoints->currentRow();
    if (row >= 0 && row < int(FPoints.size()) && !sgPoints->selectedItems().isEmpty()) {
        niInput->setValue(FPoints[size_t(row)].Volts);
        niOutput->setValue(FPoints[size_t(row)].Value);
    }
    EnableButtons();
}

void TfrmSensorCal::btnAddPointClick()
{
    AddCalPoint(float(niInput->value()), float(niOutput->value()));
    RedrawPoints();
}

void TfrmSensorCal::btnEditPointClick()
{
    const int row = sgPoints->currentRow();
    if (row < 0 || row >= int(FPoints.size())) return;
    // Re-inserted, so a changed voltage keeps the points ascending.
    FPoints.erase(FPoints.begin() + row);
    AddCalPoint(float(niInput->value()), float(niOutput->value()));
    RedrawPoints();
}

void TfrmSensorCal::btnDeletePointClick()
{
    const int row = sgPoints->currentRow();
    if (row < 0 || row >= int(FPoints.size())) return;
    FPoints.erase(FPoints.begin() + row);
    FillGrid();
    sgPoints->clearSelection();
    EnableButtons();
    RedrawPoints();
}

void TfrmSensorCal::btnClearPointsClick()
{
    ClearPoints();
    RedrawPoints();
}

void TfrmSensorCal::btnConvertClick()
{
    TSensorConv conv;
    conv.Points = FPoints;
    edtOutput->setText(FormatCalValue(conv.Convert(float(niInputTest->value()))));
}

void TfrmSensorCal::ImportClick()
{
    TFileDialogOptions o;
    o.Filter = QStringLiteral("Sensor Calibration Files|*.cal");
    o.DefaultExt = QStringLiteral("cal");
    const auto name = FDialogs.OpenFile(o);
    if (!name) return;
    QFile f(*name);
    QString error;
    TCalReadResult r;
    if (!f.open(QIODevice::ReadOnly))
        error = f.errorString();
    else if (f.size() > MaxCalFileBytes)
        error = QStringLiteral("The file is too large for a sensor calibration.");
    else
        r = ReadCalFile(f.read(MaxCalFileBytes + 1));
    if (error.isEmpty() && !r.Ok) error = r.Error;
    if (!error.isEmpty()) {
        FDialogs.Error(
            QStringLiteral("Unable to import the calibration %1:\r\n%2").arg(*name, error));
        return;
    }
    SetCalName(r.File.Name);
    SetCalUnits(r.File.Units);
    TSensorConv conv;
    conv.Points = r.File.Points;
    LoadPoints(conv);
}

void TfrmSensorCal::ExportClick()
{
    TFileDialogOptions o;
    o.Filter = QStringLiteral("Sensor Calibration File|*.cal");
    o.DefaultExt = QStringLiteral("cal");
    o.FileName = CalName();
    const auto name = FDialogs.SaveFile(o); // the save dialog asks before overwriting
    if (!name) return;
    QSaveFile f(*name);
    const QByteArray bytes = WriteCalFile({CalName(), CalUnits(), FPoints});
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit())
        FDialogs.Error(QStringLiteral("Unable to export the calibration %1:\r\n%2")
                           .arg(*name, f.errorString()));
}
