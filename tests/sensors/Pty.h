#pragma once

// A pseudo-terminal standing in for a sensor's serial port: the test writes to the
// master, the sensor opens the slave by its path.
#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QString>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <functional>

class TestPty {
  public:
    TestPty()
    {
        FMaster = posix_openpt(O_RDWR | O_NOCTTY);
        if (FMaster >= 0 && grantpt(FMaster) == 0 && unlockpt(FMaster) == 0)
            FSlave = QString::fromLocal8Bit(ptsname(FMaster));
    }
    ~TestPty() { Close(); }
    bool Valid() const { return !FSlave.isEmpty(); }
    QString SlavePath() const { return FSlave; }
    void Write(const QByteArray& bytes)
    {
        if (FMaster >= 0 && ::write(FMaster, bytes.constData(), size_t(bytes.size())) < 0)
            FFailed = true;
    }
    void Close()
    {
        if (FMaster >= 0) ::close(FMaster);
        FMaster = -1;
    }

  private:
    int FMaster = -1;
    QString FSlave;
    bool FFailed = false;
};

// Handles events until done() or the time is up.
inline bool WaitFor(const std::function<bool()>& done, int ms = 3000)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}
