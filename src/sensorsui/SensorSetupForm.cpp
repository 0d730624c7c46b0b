#include "SensorSetupForm.h"

#include "SensorCalForm.h"
#include "SensorHub.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {

struct TColumn {
    const char* Text;
    int Left, Width;
};
constexpr TColumn Columns[] = {
    {"Source", 1, 60},         {"Channel", 66, 50},
    {"Sensor Name", 120, 190}, {"Edit Details...", 314, 63},
    {"Enabled", 390, 50},
};
constexpr int LabelTop = 4;
constexpr int ClientWidth = 441;

QLineEdit* GreyBox(QWidget* parent, const TColumn& col, int top, const QString& text)
{
    auto* e = new QLineEdit(text, parent);
    e->setReadOnly(true);
    e->setGeometry(col.Left, top, col.Width, TfrmSensorSetup::BoxHeight);
    QPalette p = e->palette();
    p.setColor(QPalette::Base, QColor(0xD4, 0xD0, 0xC8));
    e->setPalette(p);
    e->setCursorPosition(0);
    return e;
}

} // namespace

TfrmSensorSetup::TfrmSensorSetup(TSensorHub& hub, TDialogs& dialogs, QWidget* parent)
    : QDialog(parent), FHub(hub), FDialogs(dialogs)
{
    setWindowTitle(QStringLiteral("External Sensor Configuration"));
    QFont f = font();
    f.setPointSize(8);
    setFont(f);
    for (const TColumn& c : Columns) {
        auto* l = new QLabel(QString::fromLatin1(c.Text), this);
        l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        // A little wider than the column, so a wider font than the design's still fits.
        l->setGeometry(c.Left - 6, LabelTop, c.Width + 12, 15);
    }
    ExecCalibration = [](TfrmSensorCal& d) { return d.exec(); };
    lblDeviceStatus = new QLabel(this);
    FStatusTimer = new QTimer(this);
    FStatusTimer->setInterval(500);
    connect(FStatusTimer, &QTimer::timeout, this, &TfrmSensorSetup::ShowDeviceStatus);
    BuildRows();
}

void TfrmSensorSetup::ShowDeviceStatus()
{
    const QString text = FHub.InnovateStatusText();
    if (lblDeviceStatus->text() != text) lblDeviceStatus->setText(text);
}

void TfrmSensorSetup::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    ShowDeviceStatus();
    FStatusTimer->start();
}

void TfrmSensorSetup::hideEvent(QHideEvent* event)
{
    FStatusTimer->stop();
    QDialog::hideEvent(event);
}

void TfrmSensorSetup::BuildRows()
{
    for (TRow& r : FRows) {
        for (QWidget* w : {static_cast<QWidget*>(r.Source), static_cast<QWidget*>(r.Channel),
                           static_cast<QWidget*>(r.Name), static_cast<QWidget*>(r.Edit),
                           static_cast<QWidget*>(r.Enabled)})
            delete w;
        r = {};
    }
    // The first row goes 2 below a box-high labels' row.
    int top = LabelTop;
    int bottom = LabelTop + 15 + 1;
    const TSensorChannels available = FHub.AvailableChannels();
    for (int n = 0; n < SensorChannelCount; ++n) {
        if (!available.test(n)) continue;
        const auto ch = static_cast<TSensorChannel>(n);
        const TChanInf& inf = ChanInfs[n];
        top += BoxHeight + 2;
        TRow& r = FRows[n];
        r.Source = GreyBox(this, Columns[0], top, QString::fromLatin1(inf.Source));
        r.Channel = GreyBox(this, Columns[1], top, QString::fromLatin1(inf.Channel));
        r.Name = GreyBox(this, Columns[2], top, FHub.GetSensorName(ch));
        if (inf.Configurable) {
            r.Enabled = new QCheckBox(this);
            r.Enabled->setGeometry(410, top + 1, 20, 20);
            r.Enabled->setChecked(FHub.Enabled(ch));
            connect(r.Enabled, &QCheckBox::toggled, this,
                    [this, ch](bool on) { FHub.SetEnabled(ch, on); });
            r.Edit = new QPushButton(QStringLiteral("Edit..."), this);
            r.Edit->setGeometry(314, top - 2, 63, 20);
            r.Edit->setProperty("tag", n);
            connect(r.Edit, &QPushButton::clicked, this, [this, ch] { EditCalibration(ch); });
        }
        bottom = top + BoxHeight + 1;
    }
    // The Innovate devices' state under their rows.
    if (!FHub.InnovateStatusText().isEmpty()) {
        lblDeviceStatus->setGeometry(4, bottom + 2, ClientWidth - 8, 16);
        lblDeviceStatus->show();
        bottom += 20;
    } else {
        lblDeviceStatus->hide();
    }
    setFixedSize(ClientWidth, bottom);
}

void TfrmSensorSetup::EditCalibration(TSensorChannel ch)
{
    TfrmSensorCal cal(FDialogs, this);
    cal.LoadPoints(FHub.Conversion(ch));
    cal.SetCalName(FHub.GetSensorName(ch));
    cal.SetCalUnits(FHub.GetSensorUnits(ch));
    if (ExecCalibration(cal) != QDialog::Accepted) return;
    cal.StorePoints(FHub.Conversion(ch));
    FHub.SetSensorName(ch, cal.CalName());
    FHub.SetSensorUnits(ch, cal.CalUnits());
    if (FRows[ch].Name) FRows[ch].Name->setText(FHub.GetSensorName(ch));
}
