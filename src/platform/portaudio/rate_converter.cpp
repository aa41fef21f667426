#include "platform/portaudio/rate_converter.h"

#include <soxr.h>

#include <algorithm>
#include <cmath>

namespace pa {

std::unique_ptr<RateConverter> RateConverter::Make(double inRate, double outRate, int channels,
                                                   size_t maxFrames) {
  if (!(inRate > 0) || !(outRate > 0) || channels < 1 || channels > 2 || maxFrames == 0) return nullptr;
  std::unique_ptr<RateConverter> c(new RateConverter());
  c->channels_ = channels;
  // A Push of maxFrames yields at most this many frames (plus what the filter held back).
  c->outCapacity_ = static_cast<size_t>(std::ceil(static_cast<double>(maxFrames) * outRate / inRate)) + 64;
  c->scratch_.assign(static_cast<size_t>(std::ceil(static_cast<double>(maxFrames) * inRate / outRate) + 64) *
                         static_cast<size_t>(channels),
                     0);
  const soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
  const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
  const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);  // no worker threads of its own
  soxr_error_t error = nullptr;
  c->soxr_ = soxr_create(inRate, outRate, static_cast<unsigned>(channels), &error, &io, &quality, &runtime);
  if (error || !c->soxr_) return nullptr;
  return c;
}

RateConverter::~RateConverter() {
  if (soxr_) soxr_delete(soxr_);
}

size_t RateConverter::Push(const int16_t* in, size_t frames, int16_t* out) {
  size_t used = 0, made = 0;
  if (soxr_process(soxr_, in, frames, &used, out, outCapacity_, &made)) return 0;
  return made;
}

size_t RateConverter::Supply(void* self, const void** data, size_t requested) {
  auto* c = static_cast<RateConverter*>(self);
  const size_t frames = std::min(requested, c->scratch_.size() / static_cast<size_t>(c->channels_));
  const size_t got = c->source_ ? c->source_(c->user_, c->scratch_.data(), frames) : 0;
  // Silence where the source has nothing: the stream goes on (0 would mean its end).
  std::fill(c->scratch_.begin() + static_cast<std::ptrdiff_t>(got * static_cast<size_t>(c->channels_)),
            c->scratch_.begin() + static_cast<std::ptrdiff_t>(frames * static_cast<size_t>(c->channels_)),
            int16_t{0});
  *data = c->scratch_.data();
  return std::max<size_t>(frames, 1);
}

void RateConverter::Pull(int16_t* out, size_t frames, Source source, void* user) {
  // A converter pulls or is pushed, never both: the input function is set at the first pull.
  if (!source_ && soxr_set_input_fn(soxr_, &RateConverter::Supply, this,
                                    scratch_.size() / static_cast<size_t>(channels_)))
    return;
  source_ = source;
  user_ = user;
  size_t done = 0;
  while (done < frames) {
    const size_t n = soxr_output(soxr_, out + done * static_cast<size_t>(channels_), frames - done);
    if (n == 0) break;
    done += n;
  }
  std::fill(out + done * static_cast<size_t>(channels_), out + frames * static_cast<size_t>(channels_),
            int16_t{0});
}

}  // namespace pa
