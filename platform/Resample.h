#pragma once

#include "platform/Bitmap.h"

// Stretches the whole of source into the rectangle (left, top, width, height) of target, the halftone
// stretch of the fit: each target pixel is the average of the source area it covers when shrinking, and a
// bilinear blend of its nearest source pixels when enlarging (each axis on its own). The part of the
// rectangle outside target is not written. A 1-bit target receives the averages thresholded at half grey,
// so two-colour pictures stay two-colour.
void StretchHalftone(const TBitmap& source, TBitmap& target, int left, int top, int width, int height);
