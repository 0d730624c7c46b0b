#pragma once

// A chart of the log viewer. It draws only when it can be seen: a replot asked for while
// it is hidden or scrolled out of view waits until it is painted, so a viewer with dozens
// of graphs draws only the ones on the screen. A caption at the top left (the column) and
// one at the top right (the read-out) sit in the top margin.

#include <qcustomplot.h>

class TLogPlot : public QCustomPlot {
    Q_OBJECT
  public:
    explicit TLogPlot(QWidget* parent = nullptr);

    // Replots now when on the screen, else when next painted.
    void RequestReplot();
    bool ReplotPending() const { return FDirty; }

    void SetLeftCaption(const QString& text);
    void SetRightCaption(const QString& text);
    QString LeftCaption() const;
    QString RightCaption() const;
    void SetCaptionColour(const QColor& colour);

  signals:
    void LeftPressed(QMouseEvent* event);
    void RightPressed(QMouseEvent* event);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    QCPItemText* FLeft;
    QCPItemText* FRight;
    QPoint FPressPos;
    bool FDirty = true;
};
