#pragma once

// A rotating 3-D point cloud drawn with QPainter. Each point has three coordinates, a
// marker style and a colour. Per axis an origin and a scale factor turn coordinates into
// view units (the log viewer scales every axis to about 2000 units); three view angles
// in degrees turn the cloud, and a magnification and a centre place it in the widget.
// Dragging with the left button turns it.
//
// The view: coordinates are rotated about the first, second and third axis by the X, Y
// and Z view angles in that order and projected straight onto the screen. At the angles
// 225 / 45 / 270 the first axis points up and the other two run down to the left and
// down to the right.

#include <QColor>
#include <QPointF>
#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <vector>

class TRot3D : public QWidget {
    Q_OBJECT
  public:
    // Pixels per view unit at magnification 1.
    static constexpr double PixelsPerUnit = 0.16;
    // A marker: 16 a small square dot, anything else a small cross.
    static constexpr int PointDot = 16;

    struct TPoint {
        std::array<double, 3> Coord;
        int Style;
        QColor Colour;
    };

    explicit TRot3D(QWidget* parent = nullptr);

    void Clear();
    void SetPointColour(const QColor& colour) { FPointColour = colour; }
    QColor PointColour() const { return FPointColour; }
    void SetBackgroundColour(const QColor& colour);
    QColor BackgroundColour() const { return FBackground; }
    // Added with the current point colour; answers its index.
    int AddPoint(double a, double b, double c, int style);
    int PointCount() const { return static_cast<int>(FPoints.size()); }
    const TPoint& Point(int index) const { return FPoints[size_t(index)]; }
    void SetPointColourAt(int index, const QColor& colour);

    void SetAxisName(int axis, const QString& name);
    QString AxisName(int axis) const { return FAxisNames[size_t(axis)]; }
    void SetOrigin(int axis, double origin);
    double Origin(int axis) const { return FOrigin[size_t(axis)]; }
    void SetScale(int axis, double scale);
    double Scale(int axis) const { return FScale[size_t(axis)]; }

    // Degrees about the first (X), second (Y) and third (Z) axis.
    void SetViewAngles(double x, double y, double z);
    double ViewAngleX() const { return FAngle[0]; }
    double ViewAngleY() const { return FAngle[1]; }
    double ViewAngleZ() const { return FAngle[2]; }
    void SetMagnification(double m);
    double Magnification() const { return FMagnification; }
    void SetCentre(const QPoint& centre);
    QPoint Centre() const { return FCentre; }

    // Where a point (or coordinates) lands in the widget.
    QPointF Project(const std::array<double, 3>& coord) const;
    // The point nearest to a position in the widget; -1 when there are none.
    int NearestPoint(const QPointF& pos) const;

    // Draws the whole view (background, axes, points) into a painter of the widget's size.
    void Render(QPainter& painter) const;

    // Every mouse button press, after the view's own handling.
    std::function<void(QMouseEvent*)> OnMouseDown;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    void UpdateMatrix();

    std::vector<TPoint> FPoints;
    QColor FPointColour = Qt::green;
    QColor FBackground = Qt::black;
    std::array<QString, 3> FAxisNames;
    std::array<double, 3> FOrigin{0, 0, 0};
    std::array<double, 3> FScale{1, 1, 1};
    std::array<double, 3> FAngle{225, 45, 270};
    std::array<std::array<double, 3>, 2> FRows{}; // the screen rows of the rotation
    double FMagnification = 1;
    QPoint FCentre;
    QPoint FDragFrom;
    bool FDragging = false;
};
