#pragma once
// Whole decibels of a power: truncate(10 * log10(power)) toward zero, 0 for a power of 0, limited to
// the 16-bit range. DecibelOfPower is the definition; DecibelTable gives the same numbers without a
// logarithm per call.
#include <cstdint>
#include <cstring>
#include <vector>

// The definition: 0 when power <= 0, else truncate(10 * log10(power)) clamped to -32768..32767.
int16_t DecibelOfPower(double power);

// For every power the result only changes at one power per whole dB. The positive doubles are cut
// into buckets by their exponent and two leading mantissa bits (less than 1 dB wide each); a bucket
// holds the result at its lowest power and the lowest power in it, if any, whose result is one
// higher. Both were found with DecibelOfPower itself, so a lookup and one compare give its result.
struct DecibelTable {
  static constexpr int kShift = 50;                           // 52 mantissa bits - 2 kept
  static constexpr uint64_t kFirstBits = 0x0010000000000000;  // smallest normal double
  static constexpr uint64_t kEndBits = 0x7FF0000000000000;    // +infinity
  std::vector<int16_t> Base;                                  // result at the lowest power of the bucket
  std::vector<double> Step;  // lowest power of the bucket whose result is Base + 1 (+inf if none)
  bool Exact = false;        // the table was built and checked; otherwise callers use DecibelOfPower
};

// Fills the table (about 50k logarithms, once). Returns false when memory runs out.
bool BuildDecibelTable(DecibelTable& table);

// Same result as DecibelOfPower(power) for every power when table.Exact is set.
inline int16_t DecibelFromTable(const DecibelTable& table, double power) {
  uint64_t bits;
  std::memcpy(&bits, &power, sizeof bits);
  // Zero, subnormal, infinite, NaN and negative powers leave the table's range: rare, so computed.
  if (bits - DecibelTable::kFirstBits >= DecibelTable::kEndBits - DecibelTable::kFirstBits)
    return DecibelOfPower(power);
  const uint64_t bucket = bits >> DecibelTable::kShift;
  return static_cast<int16_t>(table.Base[bucket] + (power >= table.Step[bucket] ? 1 : 0));
}
