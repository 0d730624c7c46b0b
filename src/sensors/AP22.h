#pragma once

// The Race Technology AP22 accelerometer: text lines "lat long" ended by a carriage return.

#include "IAP22Reader.h"
#include "SerSensor.h"

class TAP22 : public TSerSensor, public IAP22Reader {
    Q_OBJECT
  public:
    static constexpr int BaudRate = 57600;
    // The longest line kept while waiting for its carriage return; a stream without
    // one is noise, not an AP22.
    static constexpr int MaxLine = 256;

    explicit TAP22(QObject* parent = nullptr);

    bool Active() const override { return TSerSensor::Active(); }
    bool Fresh() const override { return TSerSensor::Fresh(); }
    bool Wanted() const override { return TSerSensor::Wanted(); }
    QString Port() const override { return TSerSensor::Port(); }
    double LatG() const override { return FLatG; }
    double LongG() const override { return FLongG; }

    // Takes every complete line in the bytes so far (the last good one wins) and keeps
    // a partial line for the next chunk.
    void Receive(const QByteArray& chunk) override;

  private:
    void TakeLine(QByteArray line);

    double FLatG = 0;
    double FLongG = 0;
};
