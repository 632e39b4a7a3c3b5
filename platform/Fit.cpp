#include "platform/Fit.h"

QSize FittedSize(int width, int height, int boxWidth, int boxHeight) {
    const double across = double(boxWidth) / width;
    const double down = double(boxHeight) / height;
    const double scale = across < down ? across : down;
    return QSize(int(width * scale), int(height * scale));
}
