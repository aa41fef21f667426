#include "analysis/decibels.h"

#include <cmath>
#include <limits>
#include <new>

int16_t DecibelOfPower(double power) {
  if (!(power > 0.0)) return 0;
  double value = 10.0 * std::log10(power);
  if (value > 32767.0) value = 32767.0;
  if (value < -32768.0) value = -32768.0;
  return static_cast<int16_t>(value);  // conversion truncates toward zero
}

namespace {

double FromBits(uint64_t bits) {
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

uint64_t ToBits(double d) {
  uint64_t bits;
  std::memcpy(&bits, &d, sizeof bits);
  return bits;
}

int DbOfBits(uint64_t bits) { return DecibelOfPower(FromBits(bits)); }

// Lowest bit pattern in (lo, hi] whose result reaches target, given DbOfBits(lo) < target <= DbOfBits(hi).
// Starts next to where the threshold should be in exact arithmetic, so a few logarithms usually do.
uint64_t FindStep(uint64_t lo, uint64_t hi, int target) {
  // Truncation toward zero: a result >= target > 0 needs 10 log10 p >= target, a result
  // >= target <= 0 needs 10 log10 p > target - 1.
  const double guessDb = target > 0 ? target : target - 1;
  uint64_t guess = ToBits(std::pow(10.0, guessDb / 10.0));
  if (guess <= lo) guess = lo + 1;
  if (guess > hi) guess = hi;
  constexpr uint64_t kNear = 8;
  if (DbOfBits(guess) >= target) {
    hi = guess;
    if (guess - lo > kNear && DbOfBits(guess - kNear) < target) lo = guess - kNear;
  } else {
    lo = guess;
    if (hi - guess > kNear && DbOfBits(guess + kNear) >= target) hi = guess + kNear;
  }
  while (hi - lo > 1) {
    const uint64_t mid = lo + (hi - lo) / 2;
    if (DbOfBits(mid) >= target)
      hi = mid;
    else
      lo = mid;
  }
  return hi;
}

}  // namespace

bool BuildDecibelTable(DecibelTable& table) {
  table.Exact = false;
  constexpr size_t kBuckets = size_t{1} << (64 - 1 - DecibelTable::kShift);
  try {
    table.Base.assign(kBuckets, 0);
    table.Step.assign(kBuckets, std::numeric_limits<double>::infinity());
  } catch (const std::bad_alloc&) {
    table.Base.clear();
    table.Step.clear();
    return false;
  }
  bool consistent = true;
  const uint64_t first = DecibelTable::kFirstBits >> DecibelTable::kShift;
  const uint64_t end = DecibelTable::kEndBits >> DecibelTable::kShift;
  for (uint64_t bucket = first; bucket < end; ++bucket) {
    const uint64_t lo = bucket << DecibelTable::kShift;
    const uint64_t hi = lo + (uint64_t{1} << DecibelTable::kShift) - 1;
    const int low = DbOfBits(lo);
    const int high = DbOfBits(hi);
    table.Base[bucket] = static_cast<int16_t>(low);
    // A bucket spans under 1 dB, so the result rises by at most one inside it.
    if (high > low + 1 || high < low) consistent = false;
    if (high > low) table.Step[bucket] = FromBits(FindStep(lo, hi, low + 1));
  }
  table.Exact = consistent;
  return true;
}
