#include "Plot3DFrame.h"

#include "LogReader.h"
#include "Rot3D.h"

#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QLineEdit* ValueBox(QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setReadOnly(true);
    e->setFocusPolicy(Qt::ClickFocus);
    return e;
}

} // namespace

Tframe3DPlot::Tframe3DPlot(QWidget* parent) : QWidget(parent)
{
    pnlLeft = new QWidget(this);
    pnlLeft->setFixedWidth(PanelWidth);
    auto* panel = new QVBoxLayout(pnlLeft);
    panel->setContentsMargins(4, 4, 4, 4);
    SBAutoRot = new QPushButton(QStringLiteral("Auto Rotation"), pnlLeft);
    SBAutoRot->setCheckable(true);
    panel->addWidget(SBAutoRot);
    panel->addSpacing(8);
    auto row = [&](QLabel*& label, QLineEdit*& edit) {
        label = new QLabel(pnlLeft);
        label->setWordWrap(true);
        edit = ValueBox(pnlLeft);
        panel->addWidget(label);
        panel->addWidget(edit);
        panel->addSpacing(4);
    };
    row(lblXname, edtXval);
    row(lblYname, edtYval);
    row(lblZname, edtZVal);
    panel->addStretch(1);

    Rot3D1 = new TRot3D(this);
    Rot3D1->resize(DesignHeight, DesignHeight);
    Rot3D1->SetMagnification(MagFactor);
    Rot3D1->setToolTip(QStringLiteral(
        "Left click and drag the mouse cursor to rotate\nRight click a point to see its value"));
    Rot3D1->OnMouseDown = [this](QMouseEvent* e) { Rot3D1MouseDown(e); };

    RotTimer = new QTimer(this);
    RotTimer->setInterval(15);
    RotTimer->setTimerType(Qt::PreciseTimer);
    connect(RotTimer, &QTimer::timeout, this, &Tframe3DPlot::RotTimerTimer);
    connect(SBAutoRot, &QPushButton::clicked, this, &Tframe3DPlot::SBAutoRotClick);
}

void Tframe3DPlot::resizeEvent(QResizeEvent*)
{
    FrameResize();
}

void Tframe3DPlot::FrameResize()
{
    pnlLeft->setGeometry(0, 0, PanelWidth, height());
    const int free = width() - PanelWidth;
    const int side = std::max(1, std::min({free, 600, height()}));
    const int left = side < free ? PanelWidth + (free - side) / 2 : PanelWidth;
    const int top = side < height() ? (height() - side) / 2 : 0;
    Rot3D1->setGeometry(left, top, side, side);
    Rot3D1->SetCentre(QPoint(side / 2, side / 2));
    Rot3D1->SetMagnification(side * MagFactor / DesignHeight);
}

void Tframe3DPlot::SBAutoRotClick()
{
    if (SBAutoRot->isChecked())
        RotTimer->start();
    else
        RotTimer->stop();
}

void Tframe3DPlot::RotTimerTimer()
{
    double x = Rot3D1->ViewAngleX() + 1;
    double y = Rot3D1->ViewAngleY() + 1;
    if (x > 360) x -= 360;
    if (y > 360) y -= 360;
    Rot3D1->SetViewAngles(x, y, 270);
}

void Tframe3DPlot::Rot3D1MouseDown(QMouseEvent* event)
{
    if (event->button() != Qt::RightButton) return;
    if (MarkedPoint >= 0) Rot3D1->SetPointColourAt(MarkedPoint, SavedColour);
    const int nearest = Rot3D1->NearestPoint(event->position());
    if (nearest >= 0) {
        MarkedPoint = nearest;
        SavedColour = Rot3D1->Point(nearest).Colour;
        Rot3D1->SetPointColourAt(nearest, Qt::red);
        // The view's axes run z, y, x (see Draw3DPlot).
        const auto& c = Rot3D1->Point(nearest).Coord;
        edtXval->setText(LogValueText(c[2]));
        edtYval->setText(LogValueText(c[1]));
        edtZVal->setText(LogValueText(c[0]));
    } else {
        MarkedPoint = -1;
    }
    Rot3D1->update();
}

void Tframe3DPlot::hideEvent(QHideEvent* event)
{
    // Spinning a view nobody sees would only cost time.
    RotTimer->stop();
    QWidget::hideEvent(event);
}

void Tframe3DPlot::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (SBAutoRot->isChecked()) RotTimer->start();
}
