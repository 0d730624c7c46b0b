#pragma once

// Colours are stored as $00BBGGRR (red in the low byte).
#include <QColor>

#include <cstdint>

QColor ColorFromRef(uint32_t ref);
uint32_t ColorToRef(const QColor& colour);

// Per channel nearest integer of (1 - f) * a + f * b, halves to even.
QColor Blend(const QColor& a, const QColor& b, double f);
