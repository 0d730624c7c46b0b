#pragma once

// The Innovate Motorsports stream: LM1 meter packets alone, or chained packets carrying
// LM-1, LC-1 and MT1 auxiliary sub-packets. The decoder assembles the byte stream
// whatever the chunking of the port: a packet may arrive in pieces, several may arrive
// at once, and garbage is skipped up to the next byte with bit 7 set that begins a sound
// packet.

#include "IInnovateReader.h"
#include "SerSensor.h"

#include <array>
#include <cstdint>
#include <limits>

class TLM1 : public TSerSensor, public IInnovateReader {
    Q_OBJECT
  public:
    static constexpr int BaudRate = 19200;
    static constexpr int LM1PacketSize = 16;
    static constexpr int LC1PacketSize = 4;

    static const char* const StatusTexts[9];

    explicit TLM1(QObject* parent = nullptr);

    bool Active() const override { return TSerSensor::Active(); }
    bool Fresh() const override { return TSerSensor::Fresh(); }
    bool Wanted() const override { return TSerSensor::Wanted(); }
    QString Port() const override { return TSerSensor::Port(); }
    // The devices in the first packet that directly follows a complete packet.
    TSensorChannels Channels() const override { return FChannels; }
    bool ChannelsKnown() const { return FChannelsKnown; }

    double Lambda() const override { return FLambda; }
    double O2() const override { return FO2; }
    double AfrMult() const override { return FAfrMult; }
    double AFR() const override { return FAFR; }
    double BatVolts() const override { return FBatVolts; }
    // Throws Exception "LM Aux index out of range" outside 0..4.
    int GetLmAux(int index) const override;
    double LcLambda() const override { return FLcLambda; }
    double LcO2() const override { return FLcO2; }
    double LcAfrMult() const override { return FLcAfrMult; }
    double LcAFR() const override { return FLcAFR; }
    // Throws Exception "MTS Aux index out of range" outside 0..4.
    int GetMtsAux(int index) const override;

    // Last function code received, 0..8, of whichever device sent last.
    uint8_t Status() const { return FStatus; }
    // Each device's own: the LM-1's and the LC-1's, -1 before the first packet.
    int LmStatus() const override { return FLmStatus; }
    int LcStatus() const override { return FLcStatus; }
    // "Normal", "O2 level", ... for a function code; empty for -1.
    static QString StatusName(int status);
    // 1 = single LM-1 packet, 2 = chained packet; of the last packet begun.
    int PacketMode() const { return FPacketMode; }
    // Packets decoded so far.
    int Packets() const { return FPackets; }

    bool GetRPM() const override { return FGetRPM; }
    void SetGetRPM(bool value) { FGetRPM = value; }

    void Receive(const QByteArray& chunk) override;

    // Candidates refused as noise (a byte with bit 7 set where none may be, or words not
    // filled by known sub-packets).
    int Refused() const { return FRefused; }

  private:
    enum TCandidate { cdIncomplete, cdPacket, cdRefused };
    // Whether the bytes at p[0..size) begin a sound packet, as far as they go; length is
    // the packet's once its header is known.
    static TCandidate CheckPacket(const uint8_t* p, int size, int& length);
    // Decodes a complete packet that CheckPacket found sound.
    void DecodePacket(const uint8_t* p, int length);
    void DecodeLM1(const uint8_t* b);
    void DecodeLC1(const uint8_t* c);

    static constexpr double NoValue = std::numeric_limits<double>::quiet_NaN();
    double FAFR = NoValue, FO2 = NoValue, FAfrMult = 0, FLambda = NoValue, FBatVolts = 0;
    double FLcAFR = NoValue, FLcO2 = NoValue, FLcAfrMult = 0, FLcLambda = NoValue;
    int FLmStatus = -1, FLcStatus = -1;
    bool FGetRPM = false;
    std::array<int, 5> FLmAux{};
    std::array<int, 5> FMtsAux{};
    uint8_t FStatus = 0;
    int FMtsAuxCount = 0;
    int FPacketMode = 0;
    int FPackets = 0;
    int FRefused = 0;
    bool FChannelsKnown = false;
    bool FInStep = false; // the next byte follows a complete packet
    TSensorChannels FChannels;
};
