#include "fontsize.h"

namespace fontsize {

double textPoints(double written, double desktop)
{
    return desktop > kDesktopDefault && desktop > written ? desktop : written;
}

double growth(double written, double desktop)
{
    return written > 0 ? textPoints(written, desktop) / written : 1;
}

} // namespace fontsize
