#pragma once

#include "store/notetable.h"

#include <QDate>
#include <QString>

// Note tables of realistic content for the benchmarks: French text with accents, quotes and
// line breaks of varied length, creation stamps, and a mix of alerts around a given day.
namespace benchdata {

// The day the alerts are placed around: a Monday, like a working week's start.
QDate today();

// Fills a freshly set-up table with n notes (n >= 1); the same n and day always give the same
// notes. About a third of the notes have an alert within fifteen days of the day, some of them on
// the day itself, and some of those have already been raised.
void fill(NoteTable &table, int n, QDate day = today());

// The bytes of the notes file of such a table.
QByteArray notesFile(int n, QDate day = today());

} // namespace benchdata
