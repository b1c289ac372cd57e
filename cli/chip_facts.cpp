#include "chip_facts.h"

#include <array>

namespace kvnisp {
namespace {

constexpr std::array<ChipName, kChipNameCount> kNames = {{
    {"Vrel-32", 0}, {"Vrel-31", 0}, {"Vrel-30", 0}, {"Vrel-29", 0}, {"Vrel-28", 0}, {"Vrel-27", 0},
    {"Vrel-26", 1}, {"Vrel-25", 1}, {"Vrel-24", 1},
    {"Vrel-23", 2}, {"Vrel-22", 2}, {"Vrel-21", 2},
    {"Vrel-20", 3}, {"Vrel-19", 3}, {"Vrel-18", 3}, {"Vrel-17", 3}, {"Vrel-16", 3}, {"Vrel-15", 3},
    {"Vrel-14", 4}, {"Vrel-13", 4}, {"Vrel-12", 4}, {"Vrel-11", 4},
    {"Vrel-10", 5},
    {"Vrel-09", 6},
    {"Vrel-08", 7},
    {"Vrel-07", 8},
    {"Tolv-07", 9},
    {"Tolv-06", 10},
    {"Tolv-05", 11},
    {"Vrel-06", 12}, {"Vrel-05", 12}, {"Vrel-04", 12}, {"Vrel-03", 12},
    {"Tolv-04", 13},
    {"Tolv-03", 14},
    {"Vrel-02", 15},
    {"Vrel-01", 16},
    {"Tolv-02", 17},
    {"Tolv-01", 18},
    {"Zenk-01", 19},
}};

using K = ImageKind;
using E = ErasePhase;

constexpr std::array<ChipRecordFacts, kChipRecordCount> kRecords = {{
    {0, K::kVrelFile, 8, 1, 0x5100, E::kTimed},
    {1, K::kVrelFile, 8, 2, 0x2900, E::kTimed},
    {2, K::kVrelFile, 8, 5, 0x6100, E::kTimed},
    {3, K::kVrelFile, 8, 3, 0x5100, E::kTimed},
    {4, K::kVrelFile, 8, 4, 0x2900, E::kTimed},
    {5, K::kVrelFile, 8, 5, 0x6100, E::kTimed},
    {6, K::kVrelFile, 8, 6, 0x8100, E::kTimed},
    {7, K::kVrelFile, 8, 7, 0x2900, E::kTimed},
    {8, K::kVrelFile, 8, 8, 0x2100, E::kTimed},
    {9, K::kHexWordSum, 64, 9, 0x10000, E::kTimed},
    {10, K::kHexWordSum, 64, 9, 0x8000, E::kTimed},
    {11, K::kHexWordSum, 64, 9, 0x4000, E::kTimed},
    {12, K::kVrelFile, 64, 10, 0x8100, E::kTimed},
    {13, K::kHexWordSum, 64, 9, 0x7800, E::kNone},
    {14, K::kHexWordSum, 64, 9, 0x10000, E::kNone},
    {15, K::kVrelFile, 8, 8, 0x2100, E::kNone},
    {16, K::kHexByteSum, 64, 11, 0x4000, E::kNone},
    {17, K::kHexWordSum, 64, 9, 0x20000, E::kInstant},
    {18, K::kHexWordSum, 64, 9, 0x40000, E::kInstant},
    {19, K::kVrelFile, 8, 8, 0x2100, E::kNone},
}};

char FoldAsciiLetter(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameChipName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldAsciiLetter(a[i]) != FoldAsciiLetter(b[i])) return false;
  }
  return true;
}

}  // namespace

std::span<const ChipName> ChipNames() { return kNames; }

const ChipRecordFacts *FactsOfRecord(int record) {
  if (record < 0 || record >= kChipRecordCount) return nullptr;
  return &kRecords[static_cast<size_t>(record)];
}

std::optional<ChipName> FindChipName(std::string_view name) {
  for (const ChipName &entry : kNames) {
    if (SameChipName(entry.name, name)) return entry;
  }
  return std::nullopt;
}

const char *ImageKindText(ImageKind kind) {
  switch (kind) {
    case ImageKind::kVrelFile: return "Vrel file";
    case ImageKind::kHexWordSum: return "HEX/bin, word sum";
    case ImageKind::kHexByteSum: return "HEX/bin, byte sum";
  }
  return "?";
}

}  // namespace kvnisp
