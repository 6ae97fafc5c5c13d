#include "host/render/audio_feed.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include <algorithm>

#include "host/render/cable_tap.h"

namespace orvel::render {
namespace {

constexpr int kBlock = 4096;  // source frames read at a time

std::unique_ptr<wave::Generator> OpenSource(const AudioSpan& span, std::string* error) {
  if (span.cable) return ReadCable(span.cable);
  if (span.input == "demo") return wave::MakeDemoGenerator();
  return wave::OpenFileGenerator(span.input, nullptr, error);
}

// A float file may hold any value; encoders refuse samples far outside full scale (AAC says
// "Invalid argument"). Sound is clipped to full scale as a sound card would, and a NaN is
// silence.
void Clip(float* samples, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const float v = samples[i];
    if (!(v >= -1.0f && v <= 1.0f)) samples[i] = v > 0 ? 1.0f : v < 0 ? -1.0f : 0.0f;
  }
}

}  // namespace

AudioFeed::~AudioFeed() {
  swr_free(&swr_);
  if (fifo_) av_audio_fifo_free(fifo_);
  av_frame_free(&frame_);
}

bool AudioFeed::Probe(const AudioSpan& span, int* rate, int* channels, std::string* error) {
  auto source = OpenSource(span, error);
  if (!source) return false;
  *rate = source->Rate();
  *channels = source->Channels();
  return true;
}

bool AudioFeed::Open(const AudioSpan& span, AVCodecContext* encoder, std::string* error) {
  source_ = OpenSource(span, error);
  if (!source_) return false;
  cable_ = span.cable;
  encoder_ = encoder;
  const int64_t rate = source_->Rate();
  sourceNext_ = span.startMicros * rate / 1000000;
  sourceEnd_ = sourceNext_ + span.lengthMicros * rate / 1000000;
  AVChannelLayout in;
  av_channel_layout_default(&in, source_->Channels());
  const int made =
      swr_alloc_set_opts2(&swr_, &encoder->ch_layout, encoder->sample_fmt, encoder->sample_rate,
                          &in, AV_SAMPLE_FMT_FLT, source_->Rate(), 0, nullptr);
  av_channel_layout_uninit(&in);
  fifo_ = av_audio_fifo_alloc(encoder->sample_fmt, encoder->ch_layout.nb_channels, kBlock * 4);
  frame_ = av_frame_alloc();
  if (made < 0 || swr_init(swr_) < 0 || !fifo_ || !frame_) {
    *error = "cannot set up the audio conversion for '" + span.input + "'";
    return false;
  }
  block_.resize(static_cast<size_t>(kBlock) * source_->Channels());
  return true;
}

int64_t AudioFeed::DoneMicros() const {
  return sent_ * 1000000 / encoder_->sample_rate;
}

// Converts source blocks into the fifo until it holds a whole encoder frame; false when the
// source is exhausted and the fifo is empty, or when a cable has not yet carried enough.
bool AudioFeed::Fill() {
  const int want = std::max(encoder_->frame_size, 1);
  while (av_audio_fifo_size(fifo_) < want) {
    uint8_t** out = nullptr;
    int got = 0;
    const int64_t ready = cable_ && !ended_ ? std::min(sourceEnd_, cable_->Recorded()) : sourceEnd_;
    if (sourceNext_ < sourceEnd_ && sourceNext_ >= ready) return false;  // not yet recorded
    if (sourceNext_ < sourceEnd_) {
      const int count = static_cast<int>(std::min<int64_t>(kBlock, ready - sourceNext_));
      source_->Read(sourceNext_, count, block_.data());
      sourceNext_ += count;
      Clip(block_.data(), static_cast<size_t>(count) * source_->Channels());
      const uint8_t* in[1] = {reinterpret_cast<const uint8_t*>(block_.data())};
      const int room = swr_get_out_samples(swr_, count);
      if (av_samples_alloc_array_and_samples(&out, nullptr, encoder_->ch_layout.nb_channels, room,
                                             encoder_->sample_fmt, 0) < 0) {
        return false;
      }
      got = swr_convert(swr_, out, room, in, count);
    } else if (!drained_) {
      drained_ = true;
      const int room = swr_get_out_samples(swr_, 0) + 16;
      if (av_samples_alloc_array_and_samples(&out, nullptr, encoder_->ch_layout.nb_channels, room,
                                             encoder_->sample_fmt, 0) < 0) {
        return false;
      }
      got = swr_convert(swr_, out, room, nullptr, 0);
    } else {
      return av_audio_fifo_size(fifo_) > 0;
    }
    if (got > 0) av_audio_fifo_write(fifo_, reinterpret_cast<void**>(out), got);
    if (out) av_freep(&out[0]);
    av_freep(&out);
  }
  return true;
}

AVFrame* AudioFeed::Next(int64_t untilMicros) {
  if (DoneMicros() >= untilMicros) return nullptr;
  if (!Fill()) return nullptr;
  const int size = std::min(av_audio_fifo_size(fifo_), std::max(encoder_->frame_size, 1));
  if (size <= 0) return nullptr;
  av_frame_unref(frame_);
  frame_->nb_samples = size;
  frame_->format = encoder_->sample_fmt;
  frame_->sample_rate = encoder_->sample_rate;
  av_channel_layout_copy(&frame_->ch_layout, &encoder_->ch_layout);
  if (av_frame_get_buffer(frame_, 0) < 0) return nullptr;
  av_audio_fifo_read(fifo_, reinterpret_cast<void**>(frame_->data), size);
  frame_->pts = sent_;
  sent_ += size;
  return frame_;
}

}  // namespace orvel::render
