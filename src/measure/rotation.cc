#include "measure/rotation.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "measure/speed_record.h"
#include "util/message_catalogue.h"
#include "util/strings.h"

namespace tamarack {

namespace {

constexpr std::size_t kMinSeconds = 8;
// How far a curve may stray from its shape (relative root mean square).
constexpr double kFitTolerance = 0.02;
// A flat curve stays this close to its median.
constexpr double kFlatTolerance = 0.04;
// CAV rises by at least this much over its range.
constexpr double kMinCavRise = 1.15;
// Zones: at least this many seconds each, each this much faster than the one before.
constexpr std::size_t kMinZoneSeconds = 3;
constexpr double kMinZoneStep = 1.05;
constexpr std::size_t kMaxZones = 10;

struct Series {
  std::vector<double> at;     // blocks read up to the middle of each second
  std::vector<double> speed;  // "x", smoothed
  double end = 0;             // blocks of the whole run
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

Series MakeSeries(std::span<const std::int32_t> samples) {
  Series s;
  double read = samples.empty() ? 0 : samples.front();
  std::vector<double> raw;
  for (std::size_t i = 1; i + 1 < samples.size(); ++i) {
    s.at.push_back(read + samples[i] / 2.0);
    raw.push_back(samples[i] / static_cast<double>(kBlocksPerSecondAtX1));
    read += samples[i];
  }
  s.end = read + (samples.size() > 1 ? samples.back() : 0);
  // A running median of five seconds: dips shorter than three seconds vanish.
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const std::size_t from = i < 2 ? 0 : i - 2;
    const std::size_t to = std::min(raw.size(), i + 3);
    s.speed.push_back(Median(std::vector<double>(raw.begin() + static_cast<std::ptrdiff_t>(from),
                                                 raw.begin() + static_cast<std::ptrdiff_t>(to))));
  }
  return s;
}

// speed² = a + b × position over [from, to): the CAV shape.
struct CavFit {
  double a = 0, b = 0, error = 1e9;
  double At(double position) const { return std::sqrt(std::max(0.0, a + b * position)); }
};

double RelativeError(double value, double fit) { return fit > 0 ? (value - fit) / fit : 1.0; }

CavFit FitCav(const Series& s, std::size_t from, std::size_t to) {
  CavFit f;
  const double n = static_cast<double>(to - from);
  double sx = 0, sy = 0, sxx = 0, sxy = 0;
  for (std::size_t i = from; i < to; ++i) {
    const double x = s.at[i], y = s.speed[i] * s.speed[i];
    sx += x;
    sy += y;
    sxx += x * x;
    sxy += x * y;
  }
  const double d = n * sxx - sx * sx;
  if (n < 2 || d <= 0) return f;
  f.b = (n * sxy - sx * sy) / d;
  f.a = (sy - f.b * sx) / n;
  double e = 0;
  for (std::size_t i = from; i < to; ++i) {
    const double r = RelativeError(s.speed[i], f.At(s.at[i]));
    e += r * r;
  }
  f.error = std::sqrt(e / n);
  return f;
}

// Squared relative deviations from the mean over [from, to); the mean in `level`.
double FlatError(const Series& s, std::size_t from, std::size_t to, double* level) {
  double sum = 0;
  for (std::size_t i = from; i < to; ++i) sum += s.speed[i];
  *level = sum / static_cast<double>(to - from);
  double e = 0;
  for (std::size_t i = from; i < to; ++i) {
    const double r = RelativeError(s.speed[i], *level);
    e += r * r;
  }
  return e;
}

bool IsFlat(const Series& s, double* level) {
  *level = Median(s.speed);
  for (double v : s.speed) {
    if (std::abs(RelativeError(v, *level)) > kFlatTolerance) return false;
  }
  return true;
}

bool IsCav(const Series& s, RotationVerdict* v) {
  const CavFit f = FitCav(s, 0, s.speed.size());
  v->inner = f.At(0);
  v->outer = f.At(s.end);
  return f.b > 0 && f.error < kFitTolerance && v->outer >= kMinCavRise * v->inner;
}

// CAV up to a breakpoint, flat after it at about the speed the CAV part reached.
bool IsPartialCav(const Series& s, RotationVerdict* v) {
  const std::size_t n = s.speed.size();
  const std::size_t min_part = std::max<std::size_t>(4, n / 10);
  // About two hundred breakpoints are enough to find the cap.
  const std::size_t stride = std::max<std::size_t>(1, n / 200);
  double best = 1e9;
  for (std::size_t k = min_part; k + min_part <= n; k += stride) {
    const CavFit f = FitCav(s, 0, k);
    double level = 0;
    const double flat = FlatError(s, k, n, &level);
    const double reached = f.At(s.at[k - 1]);
    if (f.b <= 0 || reached < kMinCavRise * f.At(0)) continue;
    if (std::abs(RelativeError(level, reached)) > kFlatTolerance) continue;
    const double e =
        std::sqrt((f.error * f.error * static_cast<double>(k) + flat) / static_cast<double>(n));
    if (e < best) {
      best = e;
      v->inner = f.At(0);
      v->outer = level;
    }
  }
  return best < kFitTolerance;
}

// Flat stretches of at least kMinZoneSeconds, each faster than the last, covering nearly all.
bool IsZoned(const Series& s, RotationVerdict* v) {
  const std::size_t n = s.speed.size();
  std::vector<double> levels;
  std::size_t covered = 0;
  std::size_t start = 0;
  while (start < n) {
    std::size_t end = start + 1;
    double sum = s.speed[start];
    double level = sum;
    while (end < n && std::abs(RelativeError(s.speed[end], level)) <= kFlatTolerance / 2) {
      sum += s.speed[end++];
      level = sum / static_cast<double>(end - start);
    }
    if (end - start >= kMinZoneSeconds) {
      if (!levels.empty() && level < kMinZoneStep * levels.back()) return false;
      levels.push_back(level);
      covered += end - start;
    }
    start = end;
  }
  if (levels.size() < 2 || levels.size() > kMaxZones || covered * 10 < n * 9) return false;
  v->inner = levels.front();
  v->outer = levels.back();
  return true;
}

}  // namespace

std::string RotationVerdict::Text() const {
  switch (rotation) {
    case Rotation::kClv:
      return StrFormat(Tr("回転: CLV x%.1f"), inner);
    case Rotation::kCav:
      return StrFormat(Tr("回転: CAV x%.1f - x%.1f"), inner, outer);
    case Rotation::kPartialCav:
      return StrFormat(Tr("回転: P-CAV x%.1f - x%.1f"), inner, outer);
    case Rotation::kZonedClv:
      return StrFormat(Tr("回転: ゾーン CLV x%.1f - x%.1f"), inner, outer);
    case Rotation::kUnknown:
      break;
  }
  return Tr("回転: 判別できません");
}

RotationVerdict JudgeRotation(std::span<const std::int32_t> samples) {
  RotationVerdict v;
  if (samples.size() < kMinSeconds + 2) return v;
  const Series s = MakeSeries(samples);
  double level = 0;
  if (IsFlat(s, &level)) {
    v.rotation = Rotation::kClv;
    v.inner = v.outer = level;
  } else if (IsCav(s, &v)) {
    v.rotation = Rotation::kCav;
  } else if (IsPartialCav(s, &v)) {
    v.rotation = Rotation::kPartialCav;
  } else if (IsZoned(s, &v)) {
    v.rotation = Rotation::kZonedClv;
  } else {
    v = RotationVerdict{};
  }
  return v;
}

}  // namespace tamarack
