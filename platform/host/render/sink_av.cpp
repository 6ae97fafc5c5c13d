// Video files through FFmpeg's libraries: .mp4 (H.264 + AAC), .mkv and .webm (VP9 or AV1 +
// Opus) and .gif. The window's pixels go through libswscale into the encoder's format; the
// music is encoded alongside from its own reader, a little ahead of the pictures, so that the
// muxer interleaves the two with little buffering.
extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#include <algorithm>

#include "host/render/audio_feed.h"
#include "host/render/sink.h"
#include "kernel/output_file.h"
#include "kernel/printable.h"

namespace orvel::render {
namespace {

struct Container {
  const char* extension;
  const char* format;
  const char* videoCodecs;  // encoder names to try, best first; the first one found is default
  const char* audioCodec;   // null: no sound
  const char* choices;      // what --codec may say, for messages
  // The muxer's options ("key=value" pairs, ':' between them); null: none.
  const char* muxerOptions;
  // Longest stretch between keyframes in seconds; 0: the encoder's own choice.
  int keyframeSeconds;
};

// An MP4 file is written in fragments, one from each keyframe to the next, each with the index
// of its own samples: a plain MP4 keeps the index of every sample in memory until the end
// (about 140 bytes a frame, 90 MB over six hours). It also makes a render that is cut short by
// a crash playable up to its last fragment, and lets an MP4 go to a pipe. Keyframes at least
// every 5 s bound what the muxer holds (one fragment) at any --fps-out, and let players seek
// to within 5 s. The header waits for the first fragment (delay_moov), which tells the muxer
// how far the encoders' delays shift each track, so that the picture still starts at 0.
const Container kContainers[] = {
    {".mp4", "mp4", "libx264 h264", "aac", "h264, hevc, av1 or an FFmpeg encoder name",
     "movflags=frag_keyframe+empty_moov+delay_moov+default_base_moof", 5},
    {".mkv", "matroska", "libvpx-vp9 libaom-av1 libsvtav1", "libopus opus",
     "vp9, av1, h264 or an FFmpeg encoder name", nullptr, 0},
    {".webm", "webm", "libvpx-vp9 libaom-av1 libsvtav1", "libopus opus", "vp9 or av1", nullptr, 0},
    {".gif", "gif", "gif", nullptr, "gif", nullptr, 0},
};

// Short names for --codec.
std::string EncoderNames(const std::string& name) {
  if (name == "h264" || name == "x264" || name == "avc") return "libx264 h264";
  if (name == "hevc" || name == "h265" || name == "x265") return "libx265 hevc";
  if (name == "vp9") return "libvpx-vp9";
  if (name == "av1") return "libaom-av1 libsvtav1";
  if (name == "opus") return "libopus opus";
  return name;
}

const AVCodec* FirstEncoder(const std::string& names) {
  size_t at = 0;
  while (at < names.size()) {
    size_t space = names.find(' ', at);
    if (space == std::string::npos) space = names.size();
    const std::string name = names.substr(at, space - at);
    if (const AVCodec* c = avcodec_find_encoder_by_name(name.c_str())) return c;
    at = space + 1;
  }
  return nullptr;
}

std::string AvError(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

// The encoder's own pixel format nearest to the window's: 4:2:0 for players' sake.
AVPixelFormat PixelFormat(const AVCodec* codec) {
  if (codec->id == AV_CODEC_ID_GIF) return AV_PIX_FMT_PAL8;
  if (codec->pix_fmts == nullptr) return AV_PIX_FMT_YUV420P;
  for (const AVPixelFormat* f = codec->pix_fmts; *f != AV_PIX_FMT_NONE; ++f) {
    if (*f == AV_PIX_FMT_YUV420P) return *f;
  }
  return codec->pix_fmts[0];
}

// Quality defaults per encoder: constant quality, and a speed that suits a long render.
void Tune(AVCodecContext* c, int crf) {
  const std::string name = c->codec->name;
  auto set = [c](const char* key, const char* value) { av_opt_set(c->priv_data, key, value, 0); };
  auto setInt = [c](const char* key, int value) { av_opt_set_int(c->priv_data, key, value, 0); };
  if (name == "libx264" || name == "libx265") {
    setInt("crf", crf >= 0 ? crf : 20);
    set("preset", "fast");
    // x264 keeps a frame's planes and their interpolations for every frame it looks ahead:
    // beyond 1080p the look-ahead shrinks with the frame, so that a 4K render takes 0.9 GB
    // rather than 1.4 GB, for a file of the same size.
    const int64_t area = int64_t{c->width} * c->height;
    const int64_t lookahead = std::max<int64_t>(10, std::min<int64_t>(30, 30 * 1920 * 1080 / area));
    if (name == "libx264") setInt("rc-lookahead", static_cast<int>(lookahead));
  } else if (name == "libvpx-vp9") {
    setInt("crf", crf >= 0 ? crf : 32);
    c->bit_rate = 0;
    set("deadline", "good");
    setInt("cpu-used", 5);
    setInt("row-mt", 1);
  } else if (name == "libsvtav1") {
    setInt("crf", crf >= 0 ? crf : 35);
    setInt("preset", 8);
  } else if (name == "libaom-av1") {
    setInt("crf", crf >= 0 ? crf : 35);
    c->bit_rate = 0;
    setInt("cpu-used", 8);
    setInt("row-mt", 1);
  } else if (crf >= 0) {
    c->global_quality = FF_QP2LAMBDA * crf;
    c->flags |= AV_CODEC_FLAG_QSCALE;
  }
}

// A palette for GIF: a 6 x 7 x 6 colour cube (green gets the extra level) and one
// transparent entry, which lets the encoder leave unchanged pixels out of a frame.
struct Palette {
  uint32_t argb[256] = {};
  uint8_t nearest[32768];  // by 5-5-5 RGB

  Palette() {
    for (int r = 0; r < 6; ++r)
      for (int g = 0; g < 7; ++g)
        for (int b = 0; b < 6; ++b) {
          argb[(r * 7 + g) * 6 + b] = 0xFF000000u | (r * 51u) << 16 | (g * 85u / 2) << 8 | b * 51u;
        }
    for (int i = 0; i < 32768; ++i) {
      const int r = (((i >> 10) & 31) * 255 / 31 + 25) / 51;
      const int g = ((((i >> 5) & 31) * 255 / 31) * 2 + 42) / 85;
      const int b = ((i & 31) * 255 / 31 + 25) / 51;
      nearest[i] = static_cast<uint8_t>((r * 7 + g) * 6 + b);
    }
  }
};

// Opening a FIFO waits until a program opens it to read; the user is told why nothing happens.
void SayIfWaiting(const std::string& output) {
  struct stat st;
  if (stat(output.c_str(), &st) == 0 && S_ISFIFO(st.st_mode)) {
    fprintf(stderr, "orvel: waiting for a program to read '%s'\n", Printable(output).c_str());
  }
}

class AvSink : public Sink {
 public:
  explicit AvSink(const SinkSettings& s) : settings_(s) {}

  ~AvSink() override {
    avcodec_free_context(&video_);
    avcodec_free_context(&audio_);
    av_frame_free(&picture_);
    av_packet_free(&packet_);
    sws_freeContext(sws_);
    if (format_) {
      CloseMuxer();
      if (format_->pb) avio_closep(&format_->pb);
      avformat_free_context(format_);
    }
  }

  bool Open(const Container& box, std::string* error) {
    const AVCodec* videoCodec =
        FirstEncoder(settings_.codec.empty() ? box.videoCodecs : EncoderNames(settings_.codec));
    if (!videoCodec || videoCodec->type != AVMEDIA_TYPE_VIDEO) {
      *error = "this FFmpeg has no video encoder '" +
               (settings_.codec.empty() ? std::string(box.videoCodecs) : settings_.codec) +
               "' for " + settings_.output + " (" + box.extension + " takes " + box.choices + ")";
      return false;
    }
    if (avformat_alloc_output_context2(&format_, nullptr, box.format, settings_.output.c_str()) <
        0) {
      *error = "this FFmpeg cannot write " + std::string(box.extension) + " files";
      return false;
    }
    if (avformat_query_codec(format_->oformat, videoCodec->id, FF_COMPLIANCE_NORMAL) != 1) {
      *error = std::string(box.extension) + " files cannot hold " +
               avcodec_get_name(videoCodec->id) + " video; for " + box.extension + " use " +
               box.choices;
      return false;
    }
    if (!OpenVideo(videoCodec, box.keyframeSeconds, error)) return false;
    if (box.audioCodec && !OpenAudio(box.audioCodec, error)) return false;
    std::string why;
    if (!file_.Prepare(settings_.output, &why)) {
      *error = "cannot write '" + settings_.output + "': " + why;
      return false;
    }
    if (!Label(error)) return false;
    SayIfWaiting(settings_.output);
    const int opened = avio_open(&format_->pb, file_.path().c_str(), AVIO_FLAG_WRITE);
    if (opened < 0) {
      *error = "cannot write '" + settings_.output + "': " + AvError(opened);
      return false;
    }
    AVDictionary* options = nullptr;
    if (box.muxerOptions) av_dict_parse_string(&options, box.muxerOptions, "=", ":", 0);
    const int header = avformat_write_header(format_, &options);
    av_dict_free(&options);
    headerWritten_ = header >= 0;
    if (header < 0) {
      const std::string left = Discard();
      *error = "cannot write '" + settings_.output + "': " + AvError(header) +
               (left.empty() ? "" : "; " + left);
      return false;
    }
    return true;
  }

  bool Write(const gdi::Surface& window, const std::vector<RECT>& changed, int count) override {
    if (failed_ || count <= 0) return !failed_;
    // A picture the encoder still holds is copied first, so what did not change stays.
    if (av_frame_make_writable(picture_) < 0) return Fail(AVERROR(ENOMEM));
    if (picture_->format == AV_PIX_FMT_YUV420P) {
      for (const RECT& r : changed) ToYuv420(window, r, picture_);
      PadEdges(window.width, window.height);
    } else {
      Convert(window);
    }
    for (int i = 0; i < count && !failed_; ++i) {
      const int64_t at = av_rescale_q(frames_ + 1, video_->time_base, AVRational{1, 1000000});
      if (!EncodeAudio(at)) break;
      picture_->pts = frames_++;
      Encode(video_, stream_, picture_);
    }
    return !failed_;
  }

  bool Finish() override {
    if (!failed_) {
      // After an interruption the sound stops with the pictures.
      const int64_t end = av_rescale_q(frames_, video_->time_base, AVRational{1, 1000000});
      feed_.EndOfSound();
      EncodeAudio(std::min(end, settings_.audio.lengthMicros));
    }
    if (!failed_) Encode(video_, stream_, nullptr);
    if (!failed_ && audio_) Encode(audio_, audioStream_, nullptr);
    if (!failed_) {
      const int trailer = CloseMuxer();
      if (trailer < 0) Fail(trailer);
    }
    CloseMuxer();
    if (format_->pb) {
      avio_flush(format_->pb);
      if (format_->pb->error < 0) Fail(format_->pb->error);
      const int closed = avio_closep(&format_->pb);
      if (closed < 0) Fail(closed);
    }
    std::string why;
    if (!failed_ && !file_.Commit(&why)) Fail(AVERROR(errno));
    return !failed_;
  }

  std::string Error() const override {
    return "cannot write '" + settings_.output + "': " + AvError(error_);
  }

  std::string Discard() override {
    if (format_) CloseMuxer();
    if (format_ && format_->pb) avio_closep(&format_->pb);
    // Only a file this render made is removed; what stood there before is left as it was.
    return file_.Discard() ? "the incomplete '" + settings_.output + "' was removed" : "";
  }

 private:
  // Writes the trailer once, after a header: the muxer frees what it holds only then (the GIF
  // muxer its last packet), so it is also written to an output that failed. Its result.
  int CloseMuxer() {
    if (!headerWritten_) return 0;
    headerWritten_ = false;
    return av_write_trailer(format_);
  }

  // The file's title, artist, album and track number, and its chapters, all before the header:
  // Matroska and MP4 write the chapters there.
  bool Label(std::string* error) {
    const VideoLabels& l = settings_.labels;
    auto set = [this](const char* key, const std::string& value) {
      if (!value.empty()) av_dict_set(&format_->metadata, key, value.c_str(), 0);
    };
    set("title", l.title);
    set("artist", l.artist);
    set("album", l.album);
    if (l.track > 0) set("track", std::to_string(l.track));
    for (size_t i = 0; i < l.chapters.size(); ++i) {
      void* grown = av_realloc_array(format_->chapters, i + 1, sizeof(AVChapter*));
      AVChapter* chapter = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
      if (grown) format_->chapters = static_cast<AVChapter**>(grown);
      if (!grown || !chapter) {
        av_free(chapter);
        return (*error = "out of memory"), false;
      }
      format_->chapters[format_->nb_chapters++] = chapter;
      chapter->id = static_cast<int64_t>(i) + 1;
      chapter->time_base = AVRational{1, 1000000};
      chapter->start = l.chapters[i].startMicros;
      chapter->end = l.chapters[i].endMicros;
      av_dict_set(&chapter->metadata, "title", l.chapters[i].title.c_str(), 0);
    }
    return true;
  }

  bool OpenVideo(const AVCodec* codec, int keyframeSeconds, std::string* error) {
    video_ = avcodec_alloc_context3(codec);
    stream_ = avformat_new_stream(format_, nullptr);
    picture_ = av_frame_alloc();
    packet_ = av_packet_alloc();
    if (!video_ || !stream_ || !picture_ || !packet_) return (*error = "out of memory"), false;
    // H.264 and its kin code 4:2:0 pictures in pairs of rows and columns: an odd size gets one
    // more column or row, a copy of the edge (PadEdges), so that nothing is cut off.
    const bool even = codec->id != AV_CODEC_ID_VP9 && codec->id != AV_CODEC_ID_AV1 &&
                      codec->id != AV_CODEC_ID_VP8 && codec->id != AV_CODEC_ID_GIF;
    video_->width = even ? (settings_.width + 1) & ~1 : settings_.width;
    video_->height = even ? (settings_.height + 1) & ~1 : settings_.height;
    video_->time_base = AVRational{settings_.rate.den, settings_.rate.num};
    video_->framerate = AVRational{settings_.rate.num, settings_.rate.den};
    video_->pix_fmt = PixelFormat(codec);
    video_->sample_aspect_ratio = AVRational{1, 1};
    if (keyframeSeconds > 0) {
      const int64_t frames = av_rescale(keyframeSeconds, settings_.rate.num, settings_.rate.den);
      video_->gop_size = static_cast<int>(std::max<int64_t>(1, frames));
    }
    if (format_->oformat->flags & AVFMT_GLOBALHEADER) {
      video_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    Tune(video_, settings_.crf);
    const int opened = avcodec_open2(video_, codec, nullptr);
    if (opened < 0) {
      *error = "cannot open the " + std::string(codec->name) + " encoder: " + AvError(opened);
      return false;
    }
    avcodec_parameters_from_context(stream_->codecpar, video_);
    stream_->time_base = video_->time_base;
    stream_->avg_frame_rate = video_->framerate;
    picture_->format = video_->pix_fmt;
    picture_->width = video_->width;
    picture_->height = video_->height;
    if (av_frame_get_buffer(picture_, 0) < 0) return (*error = "out of memory"), false;
    if (video_->pix_fmt == AV_PIX_FMT_YUV420P) return true;  // ToYuv420 converts those
    if (video_->pix_fmt != AV_PIX_FMT_PAL8) {
      sws_ = sws_getContext(settings_.width, settings_.height, AV_PIX_FMT_BGR0, settings_.width,
                            settings_.height, video_->pix_fmt, SWS_BILINEAR, nullptr, nullptr,
                            nullptr);
      if (!sws_) return (*error = "cannot convert pictures for " + std::string(codec->name)), false;
    } else {
      palette_ = std::make_unique<Palette>();
    }
    return true;
  }

  bool OpenAudio(const char* names, std::string* error) {
    const AVCodec* codec = FirstEncoder(names);
    if (!codec) return (*error = std::string("this FFmpeg has no audio encoder ") + names), false;
    int rate = 0, channels = 0;
    if (!AudioFeed::Probe(settings_.audio, &rate, &channels, error)) return false;
    audio_ = avcodec_alloc_context3(codec);
    audioStream_ = avformat_new_stream(format_, nullptr);
    if (!audio_ || !audioStream_) return (*error = "out of memory"), false;
    audio_->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
    audio_->sample_rate = SupportedRate(codec, rate);
    av_channel_layout_default(&audio_->ch_layout, channels);
    audio_->bit_rate = channels == 1 ? 96000 : 160000;
    audio_->time_base = AVRational{1, audio_->sample_rate};
    if (format_->oformat->flags & AVFMT_GLOBALHEADER) {
      audio_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    const int opened = avcodec_open2(audio_, codec, nullptr);
    if (opened < 0) {
      *error = "cannot open the " + std::string(codec->name) + " encoder: " + AvError(opened);
      return false;
    }
    avcodec_parameters_from_context(audioStream_->codecpar, audio_);
    audioStream_->time_base = audio_->time_base;
    return feed_.Open(settings_.audio, audio_, error);
  }

  // The source's rate if the encoder takes it, else 48 kHz (Opus takes nothing else).
  static int SupportedRate(const AVCodec* codec, int rate) {
    if (!codec->supported_samplerates) return rate;
    for (const int* r = codec->supported_samplerates; *r; ++r) {
      if (*r == rate) return rate;
    }
    return 48000;
  }

  // The window's pixels in `r` (widened to whole 2 x 2 blocks) into 4:2:0 BT.601 video levels,
  // the colour of each block averaged: only the changed part of each frame is converted, which
  // in a 1080p render saves most of what converting whole frames costs.
  static void ToYuv420(const gdi::Surface& window, const RECT& r, AVFrame* out) {
    const int left = r.left & ~1, top = r.top & ~1;
    const int right = std::min(r.right + 1, window.width) & ~1;
    const int bottom = std::min(r.bottom + 1, window.height) & ~1;
    for (int y = top; y < bottom; y += 2) {
      const uint32_t* row0 = window.pixels.data() + static_cast<size_t>(y) * window.width;
      const uint32_t* row1 = row0 + window.width;
      uint8_t* luma = out->data[0] + static_cast<ptrdiff_t>(y) * out->linesize[0];
      Luma(row0 + left, luma + left, right - left);
      Luma(row1 + left, luma + out->linesize[0] + left, right - left);
      Chroma(row0 + left, row1 + left, (right - left) / 2,
             out->data[1] + static_cast<ptrdiff_t>(y / 2) * out->linesize[1] + left / 2,
             out->data[2] + static_cast<ptrdiff_t>(y / 2) * out->linesize[2] + left / 2);
    }
    // An odd last column or row: its pixels alone (the padding copies them outward).
    if (right < r.right || bottom < r.bottom) OddEdges(window, r, right, bottom, out);
  }

  // Plain loops over plain arrays, which the compiler turns into vector code.
  static void Luma(const uint32_t* in, uint8_t* out, int count) {
    for (int i = 0; i < count; ++i) {
      const uint32_t p = in[i];
      out[i] = static_cast<uint8_t>(
          ((66 * (p >> 16 & 0xFF) + 129 * (p >> 8 & 0xFF) + 25 * (p & 0xFF) + 128) >> 8) + 16);
    }
  }

  static void Chroma(const uint32_t* row0, const uint32_t* row1, int blocks, uint8_t* u,
                     uint8_t* v) {
    for (int i = 0; i < blocks; ++i) {
      const uint32_t a = row0[2 * i], b = row0[2 * i + 1], c = row1[2 * i], d = row1[2 * i + 1];
      // Red and blue summed in one lane pair, green in another: each sum fits its 16 bits.
      const uint32_t rb = (a & 0xFF00FF) + (b & 0xFF00FF) + (c & 0xFF00FF) + (d & 0xFF00FF);
      const uint32_t g = (a >> 8 & 0xFF) + (b >> 8 & 0xFF) + (c >> 8 & 0xFF) + (d >> 8 & 0xFF);
      const int red = static_cast<int>(rb >> 16), blue = static_cast<int>(rb & 0xFFFF);
      const int green = static_cast<int>(g);
      u[i] = static_cast<uint8_t>(((-38 * red - 74 * green + 112 * blue + 512) >> 10) + 128);
      v[i] = static_cast<uint8_t>(((112 * red - 94 * green - 18 * blue + 512) >> 10) + 128);
    }
  }

  // The last column (x = right) and row (y = bottom) of an odd-sized window: a 2 x 2 block
  // there holds its one column or row of pixels twice, as the padding repeats them.
  static void OddEdges(const gdi::Surface& window, const RECT& r, int right, int bottom,
                       AVFrame* out) {
    auto luma = [out](int y) {
      return out->data[0] + static_cast<ptrdiff_t>(y) * out->linesize[0];
    };
    auto chroma = [out](int plane, int x, int y) {
      return out->data[plane] + static_cast<ptrdiff_t>(y / 2) * out->linesize[plane] + x / 2;
    };
    if (right < r.right) {
      for (int y = r.top & ~1; y < r.bottom; y += 2) {
        const uint32_t a = window.At(right, y);
        const uint32_t b = y + 1 < window.height ? window.At(right, y + 1) : a;
        const uint32_t upper[2] = {a, a}, lower[2] = {b, b};
        Luma(&a, luma(y) + right, 1);
        if (y + 1 < window.height) Luma(&b, luma(y + 1) + right, 1);
        Chroma(upper, lower, 1, chroma(1, right, y), chroma(2, right, y));
      }
    }
    if (bottom < r.bottom) {
      for (int x = r.left & ~1; x < r.right; x += 2) {
        const uint32_t a = window.At(x, bottom);
        const uint32_t row[2] = {a, x + 1 < window.width ? window.At(x + 1, bottom) : a};
        Luma(row, luma(bottom) + x, std::min(2, window.width - x));
        Chroma(row, row, 1, chroma(1, x, bottom), chroma(2, x, bottom));
      }
    }
  }

  void Convert(const gdi::Surface& window) {
    if (palette_) {
      for (int y = 0; y < window.height; ++y) {
        const uint32_t* src = &window.pixels[static_cast<size_t>(y) * window.width];
        uint8_t* dst = picture_->data[0] + static_cast<ptrdiff_t>(y) * picture_->linesize[0];
        for (int x = 0; x < window.width; ++x) {
          const uint32_t p = src[x];
          dst[x] = palette_->nearest[(p >> 9 & 0x7C00) | (p >> 6 & 0x3E0) | (p >> 3 & 0x1F)];
        }
      }
      memcpy(picture_->data[1], palette_->argb, sizeof palette_->argb);
      return;
    }
    const uint8_t* planes[1] = {reinterpret_cast<const uint8_t*>(window.pixels.data())};
    const int strides[1] = {window.width * 4};
    sws_scale(sws_, planes, strides, 0, window.height, picture_->data, picture_->linesize);
  }

  // Fills the luma of a 4:2:0 picture's padding column and row from the picture's edge; the
  // chroma already covers them (it rounds up).
  void PadEdges(int width, int height) {
    uint8_t* y = picture_->data[0];
    const int stride = picture_->linesize[0];
    if (video_->width > width) {
      for (int row = 0; row < height; ++row) y[row * stride + width] = y[row * stride + width - 1];
    }
    if (video_->height > height)
      memcpy(y + height * stride, y + (height - 1) * stride, video_->width);
  }

  // Audio frames until the music up to `micros` is encoded.
  bool EncodeAudio(int64_t micros) {
    if (!audio_) return true;
    while (!failed_) {
      AVFrame* frame = feed_.Next(std::min(micros, settings_.audio.lengthMicros));
      if (!frame) break;
      Encode(audio_, audioStream_, frame);
    }
    return !failed_;
  }

  void Encode(AVCodecContext* codec, AVStream* stream, AVFrame* frame) {
    int sent = avcodec_send_frame(codec, frame);
    if (sent < 0 && sent != AVERROR_EOF) {
      Fail(sent);
      return;
    }
    for (;;) {
      const int got = avcodec_receive_packet(codec, packet_);
      if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) return;
      if (got < 0) {
        Fail(got);
        return;
      }
      av_packet_rescale_ts(packet_, codec->time_base, stream->time_base);
      packet_->stream_index = stream->index;
      const int wrote = av_interleaved_write_frame(format_, packet_);
      if (wrote < 0) {
        Fail(wrote);
        return;
      }
      if (format_->pb && format_->pb->error < 0) {
        Fail(format_->pb->error);
        return;
      }
    }
  }

  bool Fail(int code) {
    if (!failed_) error_ = code;
    failed_ = true;
    return false;
  }

  SinkSettings settings_;
  AVFormatContext* format_ = nullptr;
  AVCodecContext* video_ = nullptr;
  AVCodecContext* audio_ = nullptr;
  AVStream* stream_ = nullptr;
  AVStream* audioStream_ = nullptr;
  AVFrame* picture_ = nullptr;
  AVPacket* packet_ = nullptr;
  SwsContext* sws_ = nullptr;
  std::unique_ptr<Palette> palette_;
  AudioFeed feed_;
  int64_t frames_ = 0;
  OutputFile file_;             // where the file is written until it is complete
  bool headerWritten_ = false;  // and the trailer not yet
  bool failed_ = false;
  int error_ = 0;
};

}  // namespace

std::unique_ptr<Sink> OpenAvSink(const SinkSettings& settings, std::string* error) {
  av_log_set_level(AV_LOG_ERROR);  // the encoders' own reports are not for the user
  const std::string& out = settings.output;
  for (const Container& box : kContainers) {
    const std::string ext = box.extension;
    if (out.size() <= ext.size() || out.compare(out.size() - ext.size(), ext.size(), ext) != 0) {
      continue;
    }
    auto sink = std::make_unique<AvSink>(settings);
    if (!sink->Open(box, error)) return nullptr;
    return sink;
  }
  *error = "cannot render to '" + out + "': unknown kind of output; " + SupportedOutputs();
  return nullptr;
}

}  // namespace orvel::render
