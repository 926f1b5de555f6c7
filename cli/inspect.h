// Readable listings of the record files.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/record_files.h"
#include "device/records.h"

namespace mouse::cli {

// sensorCode decides the DPI shown for each level's step (0: only steps).
void PrintProfile(const ProfileRecord& record, std::ostream& out, int sensorCode = 0);
void PrintMacroRecord(const MacroRecord& record, std::ostream& out);
void PrintGunRecord(const GunRecord& record, std::ostream& out);
void PrintDataRecord(const DataRecord& record, std::ostream& out);

// Prints every whole record of bytes as the given kind, numbered from 0.
void PrintRecords(const std::vector<uint8_t>& bytes, const FileKind& kind, std::ostream& out,
                  int sensorCode = 0);

// Fills a record's bytes with the next record; false when it cannot.
using NextRecordFn = std::function<bool(void* record, size_t size)>;

// Prints count records of the given kind, numbered from 0, each as soon as
// next gives it, through a single record buffer: memory stays bounded
// whatever count is. Stops early when out fails. Returns false when next
// failed.
bool PrintRecords(const NextRecordFn& next, size_t count, const FileKind& kind, std::ostream& out,
                  int sensorCode = 0);
// The same records as JSON objects, streamed as the elements of an array
// (each record is built alone, so a file of any size stays in bounded
// memory): profiles, macro and preset records with their fields, Data.bin's
// index. Field names are the records' own.
bool JsonRecords(const NextRecordFn& next, size_t count, const FileKind& kind, std::ostream& out,
                 int sensorCode);

// Display name of a key code: the key's name without the "key_" prefix,
// "none" for 0, hex for a code without a name.
std::string KeyDisplayName(uint8_t keyCode);
// Menu name of a button function, or a description for ids without one.
std::string FunctionDisplayName(int functionId);

}  // namespace mouse::cli
