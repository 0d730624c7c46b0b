#pragma once

// Identifies the ECU on the far end of a link, as the main window does on connecting: true
// once the identification reply has arrived, within two seconds. The link's OnInitResponse
// slot is empty again afterwards, whatever happened.

#include "EcuInterface.h"

#include <QTest>

inline bool IdentifyEcu(TEcuInterface& link)
{
    bool identified = false;
    link.OnInitResponse = [&](uint8_t, uint8_t, const TByteArray&) { identified = true; };
    link.RequestInit();
    const bool ok = QTest::qWaitFor([&] { return identified; }, 2000);
    link.OnInitResponse = nullptr;
    return ok;
}
