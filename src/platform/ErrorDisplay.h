#pragma once

// Where errors that nobody else handles are shown. The main window installs a message
// box; without one they go to the debug output.
#include <QString>

#include <functional>

using TErrorDisplay = std::function<void(const QString& message)>;

void SetApplicationErrorDisplay(TErrorDisplay display);
void ShowApplicationError(const QString& message);
