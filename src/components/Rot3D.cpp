#include "Rot3D.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>
#include <numbers>

namespace {

using TMatrix = std::array<std::array<double, 3>, 3>;

TMatrix Multiply(const TMatrix& a, const TMatrix& b)
{
    TMatrix m{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k)
                m[i][j] += a[i][k] * b[k][j];
    return m;
}

TMatrix Rotation(int axis, double degrees)
{
    const double r = degrees * std::numbers::pi / 180;
    const double c = std::cos(r), s = std::sin(r);
    switch (axis) {
    case 0:
        return {{{1, 0, 0}, {0, c, -s}, {0, s, c}}};
    case 1:
        return {{{c, 0, s}, {0, 1, 0}, {-s, 0, c}}};
    default:
        return {{{c, -s, 0}, {s, c, 0}, {0, 0, 1}}};
    }
}

constexpr double AxisHalfLength = 1000; // view units: the log viewer's 2000-unit span

} // namespace

TRot3D::TRot3D(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    FCentre = QPoint(width() / 2, height() / 2);
    UpdateMatrix();
}

void TRot3D::Clear()
{
    FPoints.clear();
    update();
}

void TRot3D::SetBackgroundColour(const QColor& colour)
{
    FBackground = colour;
    update();
}

int TRot3D::AddPoint(double a, double b, double c, int style)
{
    FPoints.push_back({{a, b, c}, style, FPointColour});
    return PointCount() - 1;
}

void TRot3D::SetPointColourAt(int index, const QColor& colour)
{
    if (index >= 0 && index < PointCount()) FPoints[size_t(index)].Colour = colour;
}

void TRot3D::SetAxisName(int axis, const QString& name)
{
    FAxisNames.at(size_t(axis)) = name;
}

void TRot3D::SetOrigin(int axis, double origin)
{
    FOrigin.at(size_t(axis)) = origin;
}

void TRot3D::SetScale(int axis, double scale)
{
    FScale.at(size_t(axis)) = scale;
}

void TRot3D::SetViewAngles(double x, double y, double z)
{
    FAngle = {x, y, z};
    UpdateMatrix();
    update();
}

void TRot3D::SetMagnification(double m)
{
    FMagnification = m;
    update();
}

void TRot3D::SetCentre(const QPoint& centre)
{
    FCentre = centre;
    update();
}

void TRot3D::UpdateMatrix()
{
    const TMatrix m =
        Multiply(Multiply(Rotation(2, FAngle[2]), Rotation(1, FAngle[1])), Rotation(0, FAngle[0]));
    FRows = {m[0], m[1]};
}

QPointF TRot3D::Project(const std::array<double, 3>& coord) const
{
    double v[3];
    for (int i = 0; i < 3; ++i)
        v[i] = (coord[size_t(i)] - FOrigin[size_t(i)]) * FScale[size_t(i)];
    const double k = FMagnification * PixelsPerUnit;
    return QPointF(FCentre.x() + k * (FRows[0][0] * v[0] + FRows[0][1] * v[1] + FRows[0][2] * v[2]),
                   FCentre.y() +
                       k * (FRows[1][0] * v[0] + FRows[1][1] * v[1] + FRows[1][2] * v[2]));
}

int TRot3D::NearestPoint(const QPointF& pos) const
{
    int best = -1;
    double bestDistance = 0;
    for (int i = 0; i < PointCount(); ++i) {
        const QPointF d = Project(FPoints[size_t(i)].Coord) - pos;
        const double dd = d.x() * d.x() + d.y() * d.y();
        if (best < 0 || dd < bestDistance) {
            best = i;
            bestDistance = dd;
        }
    }
    return best;
}

void TRot3D::Render(QPainter& p) const
{
    p.fillRect(QRect(QPoint(0, 0), size()), FBackground);

    // The axes through the origin; their captions go on top of the points.
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(13);
    font.setBold(true);
    font.setUnderline(true);
    p.setFont(font);
    std::array<QPointF, 3> labels;
    p.setPen(QPen(QColor(128, 128, 128), 1));
    for (int a = 0; a < 3; ++a) {
        std::array<double, 3> from = FOrigin, to = FOrigin, label = FOrigin;
        const double s = FScale[size_t(a)] != 0 ? FScale[size_t(a)] : 1;
        from[size_t(a)] -= AxisHalfLength / s;
        to[size_t(a)] += AxisHalfLength / s;
        label[size_t(a)] += 1.12 * AxisHalfLength / s;
        p.drawLine(Project(from), Project(to));
        labels[size_t(a)] = Project(label);
    }

    // Points in runs of one colour, so a cloud of thousands is a handful of calls; points
    // of another colour than the cloud's (a highlighted one) go last, so none hides them.
    QVector<QRectF> dots;
    QVector<QLineF> crosses;
    QColor colour;
    auto flush = [&] {
        if (dots.isEmpty() && crosses.isEmpty()) return;
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawRects(dots.constData(), int(dots.size()));
        p.setPen(QPen(colour, 1));
        p.drawLines(crosses.constData(), int(crosses.size()));
        dots.clear();
        crosses.clear();
    };
    auto add = [&](const TPoint& pt, double size) {
        if (pt.Colour != colour) {
            flush();
            colour = pt.Colour;
        }
        const QPointF c = Project(pt.Coord);
        if (pt.Style == PointDot) {
            dots.append(QRectF(c.x() - size / 2, c.y() - size / 2, size, size));
        } else {
            crosses.append(QLineF(c.x() - 2, c.y(), c.x() + 2, c.y()));
            crosses.append(QLineF(c.x(), c.y() - 2, c.x(), c.y() + 2));
        }
    };
    for (const TPoint& pt : FPoints)
        if (pt.Colour == FPointColour) add(pt, 3);
    for (const TPoint& pt : FPoints)
        if (pt.Colour != FPointColour) add(pt, 5); // a highlighted point stands out
    flush();

    p.setPen(Qt::red);
    for (int a = 0; a < 3; ++a) {
        const QString& name = FAxisNames[size_t(a)];
        const int w = p.fontMetrics().horizontalAdvance(name);
        const QPointF at = labels[size_t(a)];
        p.drawText(QPointF(at.x() - w / 2.0, at.y() + p.fontMetrics().ascent() / 2.0), name);
    }
    p.setBrush(Qt::NoBrush);
}

void TRot3D::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    Render(p);
}

void TRot3D::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        FDragging = true;
        FDragFrom = event->pos();
    }
    if (OnMouseDown) OnMouseDown(event);
}

void TRot3D::mouseMoveEvent(QMouseEvent* event)
{
    if (!FDragging || !(event->buttons() & Qt::LeftButton)) {
        FDragging = false;
        return;
    }
    // Half a degree per pixel: across about the turn the mouse makes.
    const QPoint d = event->pos() - FDragFrom;
    FDragFrom = event->pos();
    auto wrap = [](double a) { return std::fmod(std::fmod(a, 360) + 360, 360); };
    SetViewAngles(wrap(FAngle[0] + d.y() * 0.5), wrap(FAngle[1] + d.x() * 0.5), FAngle[2]);
}
