#pragma once

#include <QString>

// The fixed text of the help window: 21 lines, each ended by CR LF, trailing blanks kept.
const QString &helpText();
