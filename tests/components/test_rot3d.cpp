// The 3-D point view drawn on an image: where the axes point at the starting angles, a
// point landing where Project puts it, and the nearest point to a position.
#include "Rot3D.h"

#include <QImage>
#include <QPainter>

#include <cmath>

#include <gtest/gtest.h>

TEST(Rot3D, StartingViewPutsTheFirstAxisUpAndDrawsPointsWhereProjected)
{
    TRot3D view;
    view.resize(200, 200);
    view.SetCentre(QPoint(100, 100));
    view.SetMagnification(0.5);
    EXPECT_EQ(view.ViewAngleX(), 225);
    EXPECT_EQ(view.ViewAngleY(), 45);
    EXPECT_EQ(view.ViewAngleZ(), 270);
    // Origin 10 and scale 2 on every axis: coordinate 510 is 1000 view units out.
    for (int a = 0; a < 3; ++a) {
        view.SetOrigin(a, 10);
        view.SetScale(a, 2);
    }
    const double reach = 1000 * 0.5 * TRot3D::PixelsPerUnit;
    const QPointF up = view.Project({510, 10, 10});
    EXPECT_NEAR(up.x(), 100, 1e-9);
    EXPECT_NEAR(up.y(), 100 - reach * std::sqrt(0.5), 1e-9);
    const QPointF left = view.Project({10, 510, 10}), right = view.Project({10, 10, 510});
    EXPECT_LT(left.x(), 100);
    EXPECT_GT(right.x(), 100);
    EXPECT_GT(left.y(), 100);
    EXPECT_GT(right.y(), 100);

    view.SetBackgroundColour(Qt::black);
    view.SetPointColour(Qt::yellow);
    view.AddPoint(300, 100, 200, TRot3D::PointDot);
    view.SetPointColour(Qt::cyan);
    view.AddPoint(10, 10, 10, TRot3D::PointDot);
    view.SetViewAngles(30, 60, 270);
    QImage image(200, 200, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    view.Render(p);
    p.end();
    const QPoint a = view.Project(view.Point(0).Coord).toPoint();
    EXPECT_EQ(image.pixelColor(a), QColor(Qt::yellow));
    EXPECT_EQ(image.pixelColor(100, 100), QColor(Qt::cyan));
    EXPECT_EQ(image.pixelColor(2, 2), QColor(Qt::black));

    EXPECT_EQ(view.NearestPoint(QPointF(a) + QPointF(3, 3)), 0);
    EXPECT_EQ(view.NearestPoint(QPointF(101, 99)), 1);
    view.Clear();
    EXPECT_EQ(view.NearestPoint(QPointF(101, 99)), -1);
}
