#pragma once

#include "store/notetable.h"

#include <QDate>
#include <QString>

// The Print text of the list: a header with the date, two empty lines, then one block per
// note that has text (its text, then its alert if any), blocks parted by a line of hyphens.
// Every line ends with CR LF.
QString composer_impression(const NoteTable &table, const QDate &today);
