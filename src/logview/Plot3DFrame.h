#pragma once

// The "Custom 3D Graphing" frame: the rotating point view, the "Auto Rotation" toggle and
// the read-out of the right-clicked point. The log viewer fills the view (Draw3DPlot).

#include <QColor>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class TRot3D;

class Tframe3DPlot : public QWidget {
    Q_OBJECT
  public:
    static constexpr int PanelWidth = 120;
    static constexpr int DesignHeight = 400; // the view's height as built
    static constexpr double MagFactor = 0.7;

    explicit Tframe3DPlot(QWidget* parent = nullptr);

    TRot3D* Rot3D1;
    QWidget* pnlLeft;
    QPushButton* SBAutoRot;
    QLabel *lblXname, *lblYname, *lblZname;
    QLineEdit *edtXval, *edtYval, *edtZVal;
    QTimer* RotTimer;

    int MarkedPoint = -1;
    QColor SavedColour;

    // The view's points were replaced: the marked point is no longer one of them.
    void PointsReplaced() { MarkedPoint = -1; }

    void FrameResize();
    void SBAutoRotClick();
    void RotTimerTimer();
    void Rot3D1MouseDown(QMouseEvent* event);

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void showEvent(QShowEvent* event) override;
};
