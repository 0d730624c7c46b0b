#include "EcuPacket.h"

uint8_t PacketChecksum(uint8_t destination, uint8_t source, const uint8_t* data, int length)
{
    unsigned sum = 0x80u + destination + source + static_cast<uint8_t>(length);
    for (int i = 0; i < length; ++i)
        sum += data[i];
    return static_cast<uint8_t>(sum);
}

uint8_t PacketChecksum(uint8_t destination, uint8_t source, const TByteArray& data)
{
    return PacketChecksum(destination, source, data.data(), static_cast<int>(data.size()));
}

TByteArray BuildPacket(uint8_t destination, uint8_t source, const TByteArray& data)
{
    TByteArray frame;
    frame.reserve(data.size() + 5);
    frame.push_back(0x80);
    frame.push_back(destination);
    frame.push_back(source);
    frame.push_back(static_cast<uint8_t>(data.size()));
    frame.insert(frame.end(), data.begin(), data.end());
    frame.push_back(PacketChecksum(destination, source, data));
    return frame;
}

TEcuReceiver::TRxResult TEcuReceiver::Feed(uint8_t b)
{
    switch (FState) {
    case rsIdle:
        if (b != 0x80)
            return rxStopTimer;
        FState = rsDest;
        return rxContinue;
    case rsDest:
        if (!IsKnownNode(b)) {
            FState = rsIdle;
            return rxContinue;
        }
        FDest = b;
        FState = rsSource;
        return rxContinue;
    case rsSource:
        if (!IsKnownNode(b)) {
            FState = rsIdle;
            return rxContinue;
        }
        FSource = b;
        FState = rsLength;
        return rxContinue;
    case rsLength:
        if (b == 0) {
            FState = rsIdle;
            return rxContinue;
        }
        FLength = b;
        FCount = 0;
        FState = rsData;
        return rxContinue;
    case rsData:
        FData[FCount++] = b;
        if (FCount == FLength)
            FState = rsChecksum;
        return rxContinue;
    case rsChecksum:
        // Back to Idle before the frame is handed on, so a handler starts from a clean receiver.
        FState = rsIdle;
        if (PacketChecksum(FDest, FSource, FData.data(), FLength) == b)
            return rxFrame;
        return rxBadChecksum;
    }
    return rxContinue;
}
