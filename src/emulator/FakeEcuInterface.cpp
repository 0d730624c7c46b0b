#include "FakeEcuInterface.h"

#include "GenFuncs.h"
#include "ThdTimer.h"

TFakeEcuInterface::TFakeEcuInterface()
{
    FlushRxBuf();
    FReplyDelayTimer = new TThreadedTimer(QStringLiteral("ReplyDelayTimer"), this);
    FReplyDelayTimer->SetInterval(100);
    FReplyDelayTimer->OnTimer = [this](TThreadedTimer*) { OnReplyDelay(); };
    SetBaudRate(4800);
    SetParity(0);
    SetRxThreshold(0);
}

TFakeEcuInterface::~TFakeEcuInterface()
{
    delete FReplyDelayTimer;
    FReplyDelayTimer = nullptr;
}

bool TFakeEcuInterface::ReadByte(uint8_t& b)
{
    if (FRxPos >= FRxBuffer.size())
        return false;
    b = FRxBuffer[FRxPos++];
    return true;
}

int TFakeEcuInterface::Read(uint8_t* buffer, int count)
{
    int n = 0;
    while (n < count && ReadByte(buffer[n]))
        ++n;
    return n;
}

void TFakeEcuInterface::SetActive(bool value)
{
    FActive = value;
    if (!value && FReplyDelayTimer)
        FReplyDelayTimer->SetEnabled(false);
}

void TFakeEcuInterface::SetBaudRate(int value)
{
    TEcuInterface::SetBaudRate(value);
    FBaudRate = value;
}

void TFakeEcuInterface::SetParity(uint8_t value)
{
    TEcuInterface::SetParity(value);
    FParity = value;
}

int TFakeEcuInterface::FlushRxBuf()
{
    LogMsg(QStringLiteral("TFakeEcuInterface.FlushRxBuf: "), 6);
    const int dropped = static_cast<int>(FRxBuffer.size() - FRxPos);
    FRxBuffer.clear();
    FRxPos = 0;
    return dropped;
}

unsigned TFakeEcuInterface::WireTime(size_t n) const
{
    return FBaudRate > 0 ? static_cast<unsigned>(n * 9840u / static_cast<unsigned>(FBaudRate)) : 0;
}

void TFakeEcuInterface::SendRaw(const TByteArray& bytes)
{
    LogMsg(QStringLiteral("TFakeEcuInterface.SendRaw: Entered."), 6);
    if (!FActive) {
        LogMsg(QStringLiteral("TFakeEcuInterface.SendRaw: Interface Disabled Ignoring Send"), 7);
        return;
    }
    if (Log().LogInformation())
        LogMsg(QStringLiteral("TFakeEcuInterface.SendRaw: Sending ") + HexDumpAddr(bytes, 1, 16) +
                   QStringLiteral("."),
               6);
    FOutBuffer = bytes;
    if (RecordSent)
        SentFrames.push_back(bytes);
    if (!bytes.empty()) {
        // A 0 ms wire time (short frames at high rates) must still be delivered.
        FReplyDelayTimer->SetAllowZero(true);
        FReplyDelayTimer->SetInterval(static_cast<int>(WireTime(bytes.size())));
        FReplyDelayTimer->Restart();
    }
}

void TFakeEcuInterface::OnReplyDelay()
{
    if (!FActive)
        return;
    if (Log().LogInformation())
        LogMsg(QStringLiteral("TFakeEcuInterface.OnReplyDelay: Sent ") + HexDumpAddr(FOutBuffer, 1, 16) +
                   QStringLiteral("."),
               6);
    FRxBuffer = FOutBuffer;
    FRxPos = 0;
    // The line is free again before the bytes are decoded, so a streaming ECU can put its
    // next reply on it while the tester takes this one.
    if (OnTxEmpty)
        OnTxEmpty();
    ProcessRx();
}
