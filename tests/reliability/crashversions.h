#pragma once

#include "store/notetable.h"

// The tables that the crash test's writer saves one after the other. Version v names itself
// in its first cell; sizes vary from one short record to several hundred kilobytes, so that
// a kill lands in writes of every size.
namespace crashversions {
NoteTable table(int version);
// The version named by a table read back, or -1.
int versionOf(const NoteTable &table);
} // namespace crashversions
