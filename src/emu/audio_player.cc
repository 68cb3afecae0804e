#include "emu/audio_player.h"

#include <algorithm>

namespace tamarack::emu {

namespace {

std::int32_t BlocksIn(Clock::Duration elapsed, std::int32_t per_second) {
  return static_cast<std::int32_t>(elapsed.count() * per_second / 1000000);
}

}  // namespace

void AudioPlayer::Play(std::int32_t start, std::int32_t end, Clock::Duration now) {
  motion_ = Motion::kPlay;
  paused_ = false;
  status_ = AudioStatus::kPlaying;
  origin_ = position_ = start;
  limit_ = end;
  since_ = now;
}

void AudioPlayer::Scan(std::int32_t start, std::int32_t limit, Clock::Duration now) {
  Play(start, limit, now);
  motion_ = Motion::kScan;
}

void AudioPlayer::Advance(Clock::Duration now) {
  if (motion_ == Motion::kIdle || paused_) return;
  const Clock::Duration elapsed = now - since_;
  if (motion_ == Motion::kPlay) {
    position_ = origin_ + BlocksIn(elapsed, 75);
    if (position_ >= limit_) {
      position_ = limit_;
      motion_ = Motion::kIdle;
      status_ = AudioStatus::kCompleted;
    }
    return;
  }
  const std::int32_t moved = BlocksIn(elapsed, kScanBlocksPerSecond);
  const bool forward = limit_ >= origin_;
  position_ = forward ? std::min(limit_, origin_ + moved) : std::max(limit_, origin_ - moved);
  if (position_ == limit_) {
    motion_ = Motion::kIdle;
    status_ = AudioStatus::kCompleted;
  }
}

bool AudioPlayer::Pause(Clock::Duration now) {
  Advance(now);
  if (motion_ == Motion::kIdle) return false;
  paused_ = true;
  status_ = AudioStatus::kPaused;
  return true;
}

bool AudioPlayer::Resume(Clock::Duration now) {
  Advance(now);
  if (motion_ == Motion::kIdle) return false;
  if (paused_) {
    paused_ = false;
    origin_ = position_;
    since_ = now;
  }
  status_ = AudioStatus::kPlaying;
  return true;
}

void AudioPlayer::Stop(Clock::Duration now) {
  Advance(now);
  motion_ = Motion::kIdle;
  paused_ = false;
  status_ = AudioStatus::kNone;
}

bool AudioPlayer::Active(Clock::Duration now) {
  Advance(now);
  return motion_ != Motion::kIdle;
}

bool AudioPlayer::Scanning(Clock::Duration now) {
  Advance(now);
  return motion_ == Motion::kScan && !paused_;
}

std::int32_t AudioPlayer::Position(Clock::Duration now) {
  Advance(now);
  return position_;
}

AudioStatus AudioPlayer::TakeStatus(Clock::Duration now) {
  Advance(now);
  const AudioStatus s = status_;
  if (s == AudioStatus::kCompleted || s == AudioStatus::kError) status_ = AudioStatus::kNone;
  return s;
}

}  // namespace tamarack::emu
