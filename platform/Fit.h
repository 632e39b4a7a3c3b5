#pragma once

#include <QSize>

// The size of a picture of width x height fitted into a box of boxWidth x boxHeight, keeping its
// proportions: scaled by the larger factor at which both sides fit, each side truncated. The slide image
// control fits every picture this way; the JPEG reader reads at a reduction that stays at least this
// large. Both sizes must be above 0.
QSize FittedSize(int width, int height, int boxWidth, int boxHeight);
