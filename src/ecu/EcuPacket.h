#pragma once

// Frames on the ECU line: 0x80, destination, source, length, data (length bytes, the
// first being the command or reply code), checksum (low byte of the sum of all before).

#include "EcuTypes.h"

#include <array>

namespace EcuNodes {
constexpr uint8_t Ecu = 0x10;
constexpr uint8_t Tester = 0xF0;
constexpr uint8_t AltEcu = 0x01;   // treated as a reply from the ECU
constexpr uint8_t Other1 = 0x02;   // handed on undecoded
constexpr uint8_t Other2 = 0x18;
} // namespace EcuNodes

namespace EcuCmd {
constexpr uint8_t ReadBlock = 0xA0;
constexpr uint8_t ReadAddresses = 0xA8;
constexpr uint8_t WriteBlock = 0xB0;
constexpr uint8_t WriteAddress = 0xB8;
constexpr uint8_t Init = 0xBF;
constexpr uint8_t ReadBlockReply = 0xE0;
constexpr uint8_t ReadAddressesReply = 0xE8;
constexpr uint8_t WriteBlockReply = 0xF0;
constexpr uint8_t WriteAddressReply = 0xF8;
constexpr uint8_t InitReply = 0xFF;
} // namespace EcuCmd

constexpr uint32_t BaudRateRegister = 0x000000;
constexpr uint32_t ResetRegister = 0x000060;
constexpr uint8_t ResetValue = 0x40;
constexpr int MaxFrameLength = 255;
constexpr int MaxRequestData = MaxFrameLength - 5;

uint8_t PacketChecksum(uint8_t destination, uint8_t source, const uint8_t* data, int length);
uint8_t PacketChecksum(uint8_t destination, uint8_t source, const TByteArray& data);
TByteArray BuildPacket(uint8_t destination, uint8_t source, const TByteArray& data);

// A node address the receiver accepts in the destination and source positions.
constexpr bool IsKnownNode(uint8_t b)
{
    return b == 0x01 || b == 0x02 || b == 0x10 || b == 0x18 || b == 0xF0;
}

// The receive state machine. Fed one byte at a time; tells the caller when the
// packet-complete timer should stop and when a frame with a good checksum is complete.
class TEcuReceiver {
public:
    enum TRxState { rsIdle, rsDest, rsSource, rsLength, rsData, rsChecksum };
    // rxBadChecksum: a whole frame arrived but its checksum is wrong (dropped; the timer stops).
    enum TRxResult { rxContinue, rxStopTimer, rxFrame, rxBadChecksum };

    TRxResult Feed(uint8_t b);
    void Reset() { FState = rsIdle; }
    TRxState State() const { return FState; }

    // The completed frame; valid after Feed returned rxFrame, until the next Feed.
    uint8_t Destination() const { return FDest; }
    uint8_t Source() const { return FSource; }
    const uint8_t* Data() const { return FData.data(); }
    int DataLength() const { return FLength; }

private:
    TRxState FState = rsIdle;
    uint8_t FDest = 0, FSource = 0;
    int FLength = 0, FCount = 0;
    std::array<uint8_t, 255> FData{};
};
