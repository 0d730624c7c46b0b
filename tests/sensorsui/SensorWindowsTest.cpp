#include "AP22.h"
#include "Dialogs.h"
#include "LM1.h"
#include "SensorCalForm.h"
#include "SensorHub.h"
#include "SensorSetupForm.h"
#include "SerialPortForm.h"
#include "sensors/Pty.h"
#include "sensors/TempSettings.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class SensorWindows : public TempSettings {
  protected:
    TRecordingDialogs Dialogs;
};

TEST_F(SensorWindows, ConfigurationRowsFollowTheHub)
{
    TSensorHub none;
    TfrmSensorSetup empty(none, Dialogs);
    EXPECT_EQ(empty.height(), 4 + 15 + 1); // the column labels only
    EXPECT_EQ(empty.width(), 441);

    const QString key = SensorChannelKey(lj1);
    Store().WriteInteger(key, "Enabled", 0);
    Store().WriteString(key, "SensorName", "Boost");
    Store().WriteString(SensorChannelKey(rtLat), "SensorName", "Ignored");
    TSensorHub hub;
    hub.SetAvailableChannels(SensorChannelRange(lj0, 8) | SensorChannelRange(rtLat, 2));
    hub.LoadChannelSettings();
    TfrmSensorSetup form(hub, Dialogs);

    const auto& lat = form.Row(rtLat);
    ASSERT_TRUE(lat.Name);
    EXPECT_EQ(lat.Name->text(), QString::fromLatin1(ChanInfs[rtLat].DefaultName));
    EXPECT_FALSE(lat.Edit);
    EXPECT_FALSE(lat.Enabled);
    EXPECT_FALSE(form.Row(elan0).Name);

    const auto& r = form.Row(lj1);
    EXPECT_EQ(r.Name->text(), "Boost");
    EXPECT_EQ(r.Name->y(), 4 + 21 + 2 + 23);
    EXPECT_EQ(r.Edit->y(), r.Name->y() - 2);
    ASSERT_TRUE(r.Enabled);
    EXPECT_FALSE(r.Enabled->isChecked());
    EXPECT_FALSE(hub.GetActiveChannels().test(lj1));
    r.Enabled->click(); // acts at once
    EXPECT_TRUE(hub.GetActiveChannels().test(lj1));
    EXPECT_EQ(form.height(), form.Row(rtLong).Name->y() + 21 + 1);

    // Edit... hands the channel to the calibration dialog; OK stores it.
    form.ExecCalibration = [](TfrmSensorCal& cal) {
        EXPECT_EQ(cal.CalName(), "Boost");
        EXPECT_EQ(cal.CalUnits(), "Volts");
        EXPECT_EQ(cal.windowTitle(), "Sensor Calibration - Boost");
        cal.btnClearPointsClick();
        cal.AddCalPoint(4.5f, 250);
        cal.AddCalPoint(0.5f, 0);
        cal.SetCalName("MAP");
        cal.SetCalUnits("kPa");
        return int(QDialog::Accepted);
    };
    r.Edit->click();
    EXPECT_EQ(hub.GetSensorName(lj1), "MAP");
    EXPECT_EQ(hub.GetSensorUnits(lj1), "kPa");
    EXPECT_EQ(r.Name->text(), "MAP");
    ASSERT_EQ(hub.Conversion(lj1).Points.size(), 2u);
    EXPECT_EQ(hub.Conversion(lj1).Points[0].Volts, 0.5f);

    form.ExecCalibration = [](TfrmSensorCal& cal) {
        cal.btnClearPointsClick();
        return int(QDialog::Rejected);
    };
    r.Edit->click();
    EXPECT_EQ(hub.Conversion(lj1).Points.size(), 2u);
}

TEST_F(SensorWindows, CalibrationGridImportAndExport)
{
    TfrmSensorCal cal(Dialogs);
    TSensorConv conv;
    conv.Points = {{3, 30.125f}, {1, 10}, {2, 20.5f}};
    cal.LoadPoints(conv);
    ASSERT_EQ(cal.sgPoints->rowCount(), 3);
    EXPECT_EQ(cal.sgPoints->item(0, 0)->text(), "0");
    EXPECT_EQ(cal.sgPoints->item(0, 1)->text(), "1.00");
    EXPECT_EQ(cal.sgPoints->item(0, 2)->text(), "10.00");
    EXPECT_EQ(cal.sgPoints->item(2, 2)->text(), "30.125");
    EXPECT_FALSE(cal.btnDeletePoint->isEnabled()); // no row selected
    EXPECT_TRUE(cal.btnClearPoints->isEnabled());
    cal.sgPoints->selectRow(1);
    EXPECT_TRUE(cal.btnDeletePoint->isEnabled());
    EXPECT_EQ(cal.niInput->value(), 2);

    cal.niInputTest->setValue(1.5);
    cal.btnConvertClick();
    EXPECT_EQ(cal.edtOutput->text(), "15.25");

    QTemporaryDir dir;
    const QString file = dir.filePath("boost.cal");
    cal.SetCalName("Boost");
    cal.SetCalUnits("kPa");
    Dialogs.FileAnswers.push_back(file);
    cal.ExportClick();
    ASSERT_TRUE(QFile::exists(file));

    TfrmSensorCal back(Dialogs);
    Dialogs.FileAnswers.push_back(file);
    back.ImportClick();
    EXPECT_EQ(back.CalName(), "Boost");
    EXPECT_EQ(back.CalUnits(), "kPa");
    ASSERT_EQ(back.Points().size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(back.Points()[i].Volts, cal.Points()[i].Volts);
        EXPECT_EQ(back.Points()[i].Value, cal.Points()[i].Value);
    }

    // A bad file is refused with its line and leaves the calibration alone.
    const QString bad = dir.filePath("bad.cal");
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("Other,V\r\n1,2\r\n1,3\r\n");
    f.close();
    Dialogs.FileAnswers.push_back(bad);
    back.ImportClick();
    ASSERT_EQ(Dialogs.Count(TDialogKind::Error), 1);
    EXPECT_TRUE(Dialogs.Texts(TDialogKind::Error)[0].contains("Line 3:"));
    EXPECT_EQ(back.CalName(), "Boost");
    EXPECT_EQ(back.Points().size(), 3u);
}

TEST_F(SensorWindows, PortDialogsActOnlyOnOkWithAChange)
{
    TestPty pty;
    ASSERT_TRUE(pty.Valid());
    TAP22 ap;
    ap.SetPort("COM1");
    auto answer = [](const QString& port, bool use, int result) {
        return [=](TfrmSerialPortSetup& form) {
            form.edtDevice->setText(port); // typed: a pty is not listed
            form.SetUse(use);
            return result;
        };
    };
    AP22SerialPortSetup(ap, Dialogs, nullptr, answer(pty.SlavePath(), true, QDialog::Rejected));
    AP22SerialPortSetup(ap, Dialogs, nullptr, answer("COM1", false, QDialog::Accepted));
    EXPECT_TRUE(Dialogs.Calls.empty());
    EXPECT_FALSE(ap.Active());

    AP22SerialPortSetup(ap, Dialogs, nullptr, answer(pty.SlavePath(), true, QDialog::Accepted));
    EXPECT_TRUE(ap.Active());
    EXPECT_EQ(Dialogs.Texts(TDialogKind::Information),
              QStringList{"AP22 settings will take effect next time you start Quillon"});

    TLM1 lm;
    InnovateSerialPortSetup(lm, Dialogs, nullptr, {},
                            answer("/nonexistent/ttyQ9", true, QDialog::Accepted));
    EXPECT_EQ(
        Dialogs.Texts(TDialogKind::Error),
        QStringList{"The communications port you specified for Innovate Motorsport products is "
                    "currently in use. Please check which ports are free and try again."});
    EXPECT_FALSE(lm.Active());

    // The list shows the machine's ports; choosing one fills the device box.
    TfrmAP22 form;
    EXPECT_EQ(form.windowTitle(), "Race Technology AP22 Configuration");
    form.SetPorts({{"/dev/ttyUSB0", "FT232R USB UART [0403:6001]"}, {"/dev/ttyS0", ""}});
    form.lbCom->setCurrentRow(0);
    EXPECT_EQ(form.Port(), "/dev/ttyUSB0");
    form.SetPort("/dev/ttyS0");
    EXPECT_EQ(form.lbCom->currentRow(), 1);
    // A typed device survives the list taking focus (which moves its current row).
    form.SetPort("/tmp/innovate");
    form.lbCom->selectionModel()->setCurrentIndex(form.lbCom->model()->index(0, 0),
                                                  QItemSelectionModel::NoUpdate);
    EXPECT_EQ(form.Port(), "/tmp/innovate");
}

} // namespace
