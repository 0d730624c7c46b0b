#pragma once

// Colours are stored as $00BBGGRR (red in the low byte).
#include <QColor>

#include <cstdint>

QColor ColorFromRef(uint32_t ref);
uint32_t ColorToRef(const QColor& colour);
