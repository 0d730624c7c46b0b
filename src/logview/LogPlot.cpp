#include "LogPlot.h"

namespace {

QCPItemText* TopCaption(QCustomPlot* plot, double x, Qt::Alignment align)
{
    auto* t = new QCPItemText(plot);
    t->setClipToAxisRect(false);
    t->position->setType(QCPItemPosition::ptAxisRectRatio);
    t->position->setCoords(x, 0);
    t->setPositionAlignment(align | Qt::AlignBottom);
    t->setPadding(QMargins(2, 0, 2, 1));
    return t;
}

} // namespace

TLogPlot::TLogPlot(QWidget* parent) : QCustomPlot(parent)
{
    // Nothing in this chart is drawn until it is painted (see RequestReplot).
    FLeft = TopCaption(this, 0, Qt::AlignLeft);
    FRight = TopCaption(this, 1, Qt::AlignRight);
    setNoAntialiasingOnDrag(true);
    // The overlay (the zoom rectangle) shares the main buffer: a second buffer per graph
    // would cost a screen-wide image each for a rectangle drawn now and then.
    if (QCPLayer* overlay = layer(QStringLiteral("overlay")))
        overlay->setMode(QCPLayer::lmLogical);
}

void TLogPlot::RequestReplot()
{
    if (isVisible() && !visibleRegion().isEmpty()) {
        FDirty = false;
        replot(rpQueuedReplot);
    } else {
        FDirty = true;
    }
}

void TLogPlot::paintEvent(QPaintEvent* event)
{
    if (FDirty) {
        FDirty = false;
        replot(rpQueuedRefresh);
    }
    QCustomPlot::paintEvent(event);
}

void TLogPlot::resizeEvent(QResizeEvent*)
{
    // QCustomPlot would replot at once; a graph out of view waits until it is shown.
    setViewport(rect());
    FDirty = true;
    update();
}

void TLogPlot::showEvent(QShowEvent* event)
{
    QCustomPlot::showEvent(event);
    if (FDirty) update();
}

void TLogPlot::mousePressEvent(QMouseEvent* event)
{
    FPressPos = event->pos();
    if (event->button() == Qt::RightButton) {
        emit RightPressed(event);
        return; // no zoom rectangle for the right button
    }
    QCustomPlot::mousePressEvent(event);
    if (event->button() == Qt::LeftButton) emit LeftPressed(event);
}

void TLogPlot::mouseReleaseEvent(QMouseEvent* event)
{
    // A click is not a zoom to a rectangle of no size.
    if (selectionRect() && selectionRect()->isActive() &&
        (event->pos() - FPressPos).manhattanLength() < 4)
        selectionRect()->cancel();
    QCustomPlot::mouseReleaseEvent(event);
}

void TLogPlot::SetLeftCaption(const QString& text)
{
    FLeft->setText(text);
}

void TLogPlot::SetRightCaption(const QString& text)
{
    FRight->setText(text);
}

QString TLogPlot::LeftCaption() const
{
    return FLeft->text();
}

QString TLogPlot::RightCaption() const
{
    return FRight->text();
}

void TLogPlot::SetCaptionColour(const QColor& colour)
{
    FLeft->setColor(colour);
    FRight->setColor(colour);
}
