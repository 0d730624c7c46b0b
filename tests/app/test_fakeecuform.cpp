#include "EcuConstData.h"
#include "FakeEcu.h"
#include "FakeEcuForm.h"
#include "FakeEcuInterface.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

class EmulatorPanel : public ::testing::Test {
protected:
    void SetUp() override
    {
        Ecu = std::make_unique<TFakeEcu>(7u);
        Ecu->Connect(&Link);
        Form = std::make_unique<TfrmFakeEcu>(Ecu.get());
    }
    void TearDown() override
    {
        Form.reset();
        Ecu.reset();
    }
    TFakeEcuInterface Link;
    std::unique_ptr<TFakeEcu> Ecu;
    std::unique_ptr<TfrmFakeEcu> Form;
};

TEST_F(EmulatorPanel, PagesInOrder)
{
    QStringList tabs;
    for (int i = 0; i < Form->pgcPages->count(); ++i)
        tabs << Form->pgcPages->tabText(i);
    EXPECT_EQ(tabs, QStringList({"Subaru DTCs", "OBD DTCs", "Settings", "Debug", "Flash Contents",
                                 "Digital Params", "Analogue Params", "Ecu Version"}));
    EXPECT_EQ(Form->windowTitle(), "ECU Emulator");
    EXPECT_EQ(Form->lstCodes[clNonObdCurrent]->count(), 88);
    EXPECT_EQ(Form->lstCodes[clObdHistoric]->count(), 488);
    EXPECT_EQ(Form->lstDigital->count(), EcuSwitchCount);
    EXPECT_EQ(Form->lstAnalogue->count(), EcuParamCount);
}

// The panel names the code page the chosen ECU reads, as the tester finds it on identifying
// that ECU, and marks the other one as not read.
TEST_F(EmulatorPanel, ShowsWhichCodePageTheEcuReads)
{
    bool sawObd = false, sawNonObd = false;
    for (int type : DemoEcuTypes) {
        Ecu->SetEcuType(type);
        bool identified = false;
        Link.OnInitResponse = [&](uint8_t, uint8_t, const TByteArray&) { identified = true; };
        Link.SetActive(true);
        Link.RequestInit();
        ASSERT_TRUE(QTest::qWaitFor([&] { return identified; }, 2000)) << type;
        QCoreApplication::processEvents();
        EXPECT_EQ(TfrmFakeEcu::ReadsObdCodes(type), Link.ObdTroubleCodes) << "ECU type " << type;
        const QLabel* read = Form->lblCodePage[Link.ObdTroubleCodes ? 1 : 0];
        const QLabel* other = Form->lblCodePage[Link.ObdTroubleCodes ? 0 : 1];
        EXPECT_EQ(read->text(), "This ECU reads these codes.") << type;
        EXPECT_TRUE(other->text().startsWith("Not read by this ECU")) << type;
        (Link.ObdTroubleCodes ? sawObd : sawNonObd) = true;
    }
    EXPECT_TRUE(sawObd && sawNonObd);
    Ecu->SetEcuType(DefaultDemoEcu);
    QCoreApplication::processEvents();
    EXPECT_EQ(Form->lblCodePage[0]->text(), "Not read by this ECU: it reads the OBD DTCs page.");
}

TEST_F(EmulatorPanel, TickingCodesWritesBitmapsAndWritesTickCodes)
{
    // Panel -> model: OBD code 260 is bit 4 of the second current group at 0x0F0.
    Ecu->VariableArea()[0x0F0] = 0;
    Form->lstCodes[clObdCurrent]->item(260)->setCheckState(Qt::Checked);
    EXPECT_EQ(Ecu->VariableArea()[0x0F0], 0x10);
    EXPECT_TRUE(Ecu->CodeTicked(clObdCurrent, 260));

    // Model -> panel: a write of a historic bitmap byte ticks its eight codes.
    Ecu->WriteVariable(0x0AE, 0x81);
    EXPECT_EQ(Form->lstCodes[clObdHistoric]->item(0)->checkState(), Qt::Checked);
    EXPECT_EQ(Form->lstCodes[clObdHistoric]->item(1)->checkState(), Qt::Unchecked);
    EXPECT_EQ(Form->lstCodes[clObdHistoric]->item(7)->checkState(), Qt::Checked);

    // With "OBD DTCs" unticked the same byte is a non-OBD bitmap.
    Form->chkObdDtcs->setChecked(false);
    EXPECT_FALSE(Ecu->ObdDtcs());
    Ecu->WriteVariable(0x0A4, 0x02);
    EXPECT_EQ(Form->lstCodes[clNonObdHistoric]->item(1)->checkState(), Qt::Checked);
}

TEST_F(EmulatorPanel, SettingsFollowTheModelAndEditIt)
{
    Ecu->WriteVariable(0x060, 0x5A);
    EXPECT_EQ(Form->edtEcuResetAddress->text(), "5A");
    Ecu->SetBaudRate(9600);
    EXPECT_EQ(Form->edtBaudRate->text(), "9600");
    QTest::mouseClick(Form->btnCycleIgnition, Qt::LeftButton);
    EXPECT_EQ(Form->edtBaudRate->text(), "4800");
    EXPECT_EQ(Form->edtParity->text(), "None");
    EXPECT_EQ(Ecu->VariableArea()[0x060], 0xAA);

    const TSwitchDef& test = SwitchDefs[esTestMode];
    Form->chkTestMode->setChecked(true);
    EXPECT_TRUE(Ecu->VariableArea()[test.ByteAddress] & (1 << test.Bit));
    Form->chkTestMode->setChecked(false);
    EXPECT_FALSE(Ecu->VariableArea()[test.ByteAddress] & (1 << test.Bit));

    Form->spnErrorsPer1000->setValue(50);
    EXPECT_EQ(Ecu->ErrorsPer1000(), 50);
    Form->edtFlashXor->setText("$3c");
    emit Form->edtFlashXor->editingFinished();
    EXPECT_EQ(Ecu->FlashXor(), 0x3C);
    Form->edtFlashXor->setText("zz");
    emit Form->edtFlashXor->editingFinished();
    EXPECT_EQ(Ecu->FlashXor(), 0x3C);
    EXPECT_EQ(Form->edtFlashXor->text(), "$3C");

    // The scenario: chosen on the panel, shown when set elsewhere (the simulator).
    EXPECT_EQ(Form->cmbScenario->currentText(), "Random");
    Form->cmbScenario->setCurrentIndex(scRoadTest);
    emit Form->cmbScenario->activated(scRoadTest);
    EXPECT_EQ(Ecu->Scenario(), scRoadTest);
    Form->spnRoadTestGear->setValue(2);
    EXPECT_EQ(Ecu->RoadTestGear(), 2);
    Ecu->SetScenario(scDrive);
    EXPECT_EQ(Form->cmbScenario->currentText(), "Drive");
}

TEST_F(EmulatorPanel, DebugAndFlashPages)
{
    Ecu->ClearAddrs();
    Ecu->ReadVariable(0x0E);
    Ecu->ReadVariable(0x123);
    QTest::mouseClick(Form->btnListAddrs, Qt::LeftButton);
    EXPECT_EQ(Form->memDebug->toPlainText(), "$00e\n$123\n2 total");
    QTest::mouseClick(Form->btnClearWindow, Qt::LeftButton);
    EXPECT_TRUE(Form->memDebug->toPlainText().isEmpty());

    Ecu->RomImage()[0x2000] = 0xAB;
    Form->spnFlashPage->setValue(2);
    QTest::mouseClick(Form->btnRefreshFlash, Qt::LeftButton);
    EXPECT_TRUE(Form->memFlash->toPlainText().contains("AB")) << Form->memFlash->toPlainText().left(80).toStdString();
    EXPECT_TRUE(Form->memFlash->toPlainText().startsWith("$2000")) << Form->memFlash->toPlainText().left(80).toStdString();
}

TEST_F(EmulatorPanel, VersionRadioButtonsChooseTheEcu)
{
    const std::vector<int>& types = Ecu->SelectableEcuTypes();
    ASSERT_EQ(Form->rbEcuVersion.size(), types.size());
    const auto it = std::find(types.begin(), types.end(), Ecu->EcuType());
    ASSERT_NE(it, types.end());
    EXPECT_TRUE(Form->rbEcuVersion[it - types.begin()]->isChecked());

    const int other = types.front() == Ecu->EcuType() ? 1 : 0;
    Form->rbEcuVersion[other]->click();
    EXPECT_EQ(Ecu->EcuType(), types[other]);
    EXPECT_EQ(Form->edtEcuVersionCode->text(), Ecu->EcuVersionCodeText());
    EXPECT_EQ(Form->edtInit37->text(), Ecu->Init37Text());

    Form->edtDiag61->setText("$12");
    emit Form->edtDiag61->textEdited("$12");
    EXPECT_EQ(Ecu->Diag61Text(), "$12");

    // An address-check request ticks its box; "Clear" unticks all.
    Ecu->ReadAddressesRequest(0x10, 0xF0, 10, TLongWordArray{0x08E, 0x08F, 0x090, 0x091, 0x092, 0x093,
                                                              0x094, 0x095, 0x096, 0x097, 0x098});
    int ticked = 0;
    for (QCheckBox* c : Form->chkAddressCheck)
        ticked += c->isChecked();
    EXPECT_EQ(ticked, 1);
    QTest::mouseClick(Form->btnClearChecks, Qt::LeftButton);
    for (QCheckBox* c : Form->chkAddressCheck)
        EXPECT_FALSE(c->isChecked());
}

TEST_F(EmulatorPanel, ClosingOnlyHides)
{
    Form->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(Form.get()) || Form->isVisible());
    Form->close();
    EXPECT_FALSE(Form->isVisible());
    Form->show();
    EXPECT_TRUE(Form->isVisible());
}

}  // namespace
