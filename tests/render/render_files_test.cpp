// Rendered files read back with FFmpeg's libraries: frame count, timestamps, picture size and
// the length of the muxed sound; a PNG sequence holds exactly the raw frames.
#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <array>
#include <fstream>
#include <vector>

#include "run_orvel.h"

namespace {

using orvel::test::RunOrvel;
using orvel::test::Scratch;

struct Stream {
  std::string codec;
  int width = 0, height = 0, sampleRate = 0;
  std::vector<double> times;              // of decoded video frames, in seconds
  int64_t samples = 0;                    // decoded audio samples per channel from time 0
  std::vector<std::vector<uint8_t>> rgb;  // decoded pictures as RGB24, when asked
};

// Decodes every stream of a file (or an image-sequence pattern) to the end.
bool ReadBack(const std::string& path, std::vector<Stream>* out, bool keepPictures = false) {
  AVFormatContext* format = nullptr;
  if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return false;
  avformat_find_stream_info(format, nullptr);
  std::vector<AVCodecContext*> decoders;
  out->assign(format->nb_streams, Stream{});
  for (unsigned i = 0; i < format->nb_streams; ++i) {
    const AVCodecParameters* par = format->streams[i]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    AVCodecContext* c = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(c, par);
    avcodec_open2(c, codec, nullptr);
    decoders.push_back(c);
    (*out)[i].codec = avcodec_get_name(par->codec_id);
    (*out)[i].width = par->width;
    (*out)[i].height = par->height;
    (*out)[i].sampleRate = par->sample_rate;
  }
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  auto drain = [&](unsigned i) {
    while (avcodec_receive_frame(decoders[i], frame) == 0) {
      Stream& s = (*out)[i];
      if (decoders[i]->codec_type == AVMEDIA_TYPE_AUDIO) {
        // What plays from time 0: a fragmented MP4's edit list places the encoder's priming
        // before it, where FFmpeg still decodes it.
        if (frame->pts == AV_NOPTS_VALUE || frame->pts >= 0) s.samples += frame->nb_samples;
        continue;
      }
      s.times.push_back(frame->best_effort_timestamp * av_q2d(format->streams[i]->time_base));
      if (!keepPictures) continue;
      std::vector<uint8_t> rgb(static_cast<size_t>(frame->width) * frame->height * 3);
      SwsContext* sws = sws_getContext(
          frame->width, frame->height, static_cast<AVPixelFormat>(frame->format), frame->width,
          frame->height, AV_PIX_FMT_RGB24, SWS_POINT, nullptr, nullptr, nullptr);
      uint8_t* planes[1] = {rgb.data()};
      const int strides[1] = {frame->width * 3};
      sws_scale(sws, frame->data, frame->linesize, 0, frame->height, planes, strides);
      sws_freeContext(sws);
      s.rgb.push_back(std::move(rgb));
    }
  };
  while (av_read_frame(format, packet) >= 0) {
    const unsigned i = static_cast<unsigned>(packet->stream_index);
    avcodec_send_packet(decoders[i], packet);
    av_packet_unref(packet);
    drain(i);
  }
  for (unsigned i = 0; i < decoders.size(); ++i) {
    avcodec_send_packet(decoders[i], nullptr);
    drain(i);
    avcodec_free_context(&decoders[i]);
  }
  av_frame_free(&frame);
  av_packet_free(&packet);
  avformat_close_input(&format);
  return true;
}

TEST(RenderFiles, Mp4HoldsEveryFrameOnTheWindowClockAndTheWholeSong) {
  const std::string dir = Scratch("mp4");
  ASSERT_TRUE(orvel::test::WriteTone(dir + "/tone.wav", 2.0, 44100, 2));
  const auto o =
      RunOrvel("--input " + dir + "/tone.wav --render " + dir + "/out.mp4", dir + "/out");
  ASSERT_EQ(o.exitCode, 0) << o.errors;
  EXPECT_NE(o.errors.find("rendered 61 frames"), std::string::npos) << o.errors;

  std::vector<Stream> streams;
  ASSERT_TRUE(ReadBack(dir + "/out.mp4", &streams));
  ASSERT_EQ(streams.size(), 2u);
  const Stream& video = streams[0];
  const Stream& audio = streams[1];
  EXPECT_EQ(video.codec, "h264");
  EXPECT_EQ(audio.codec, "aac");
  // 4:2:0 takes even sizes: the window's 561 x 411 with its edge repeated once.
  EXPECT_EQ(video.width, 562);
  EXPECT_EQ(video.height, 412);
  ASSERT_EQ(video.times.size(), 61u);  // 2 s in 33 ms frames, the last one partly
  for (size_t k = 0; k < video.times.size(); ++k) EXPECT_NEAR(video.times[k], k * 0.033, 1e-4) << k;
  EXPECT_EQ(audio.sampleRate, 44100);
  // The song's two seconds; AAC codes whole frames of 1024 samples.
  EXPECT_NEAR(static_cast<double>(audio.samples), 88200.0, 1024.0);
}

// The types of an MP4 file's top-level boxes, in order.
std::vector<std::string> TopLevelBoxes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> types;
  unsigned char head[16];
  while (in.read(reinterpret_cast<char*>(head), 8)) {
    uint64_t size = 0, header = 8;
    for (int i = 0; i < 4; ++i) size = size << 8 | head[i];
    types.emplace_back(reinterpret_cast<char*>(head + 4), 4);
    if (size == 1 && in.read(reinterpret_cast<char*>(head + 8), 8)) {
      header = 16;
      size = 0;
      for (int i = 8; i < 16; ++i) size = size << 8 | head[i];
    }
    if (size < header) break;  // 0: the box runs to the end of the file
    in.seekg(static_cast<std::streamoff>(size - header), std::ios::cur);
  }
  return types;
}

// A long MP4 render keeps its memory flat: the file is written in fragments, each a moof box
// (the index of its samples) before an mdat box (the samples), so the muxer holds the index
// of one fragment at a time. A fragment starts at each keyframe, at most 5 s apart: 11 s make
// at least three.
TEST(RenderFiles, Mp4IsWrittenInFragmentsOfAtMostFiveSeconds) {
  const std::string dir = Scratch("fragments");
  ASSERT_TRUE(orvel::test::WriteTone(dir + "/tone.wav", 11.0, 22050, 1));
  const auto o = RunOrvel("--input " + dir + "/tone.wav --fps-out 5 --render " + dir + "/out.mp4",
                          dir + "/out");
  ASSERT_EQ(o.exitCode, 0) << o.errors;

  const std::vector<std::string> boxes = TopLevelBoxes(dir + "/out.mp4");
  ASSERT_GE(boxes.size(), 2u);
  EXPECT_EQ(boxes[0], "ftyp");
  EXPECT_EQ(boxes[1], "moov");
  const auto moofs = std::count(boxes.begin(), boxes.end(), "moof");
  EXPECT_GE(moofs, 3);
  EXPECT_EQ(std::count(boxes.begin(), boxes.end(), "mdat"), moofs);
  for (size_t k = 0; k + 1 < boxes.size(); ++k) {
    if (boxes[k] == "moof") {
      EXPECT_EQ(boxes[k + 1], "mdat") << k;
    }
  }
  // Players read it whole: every frame on its time, and all the sound.
  std::vector<Stream> streams;
  ASSERT_TRUE(ReadBack(dir + "/out.mp4", &streams));
  ASSERT_EQ(streams.size(), 2u);
  ASSERT_EQ(streams[0].times.size(), 56u);  // 334 window frames (11.022 s), 0.2 s each
  for (size_t k = 0; k < streams[0].times.size(); ++k) {
    EXPECT_NEAR(streams[0].times[k], k * 0.2, 1e-4) << k;
  }
  EXPECT_NEAR(static_cast<double>(streams[1].samples), 11 * 22050.0, 1024.0);
}

TEST(RenderFiles, PngSequenceIsTheRawFramesExactly) {
  const std::string dir = Scratch("png");
  ASSERT_TRUE(orvel::test::WriteTone(dir + "/tone.wav", 0.5, 22050, 1));
  const std::string input = "--input " + dir + "/tone.wav --seconds 0.3 ";
  auto o = RunOrvel(input + "--render " + dir + "/frames/%05d.png", dir + "/out");
  ASSERT_EQ(o.exitCode, 0) << o.errors;
  o = RunOrvel(input + "--render -", dir + "/raw.rgb");
  ASSERT_EQ(o.exitCode, 0) << o.errors;
  const std::string raw = orvel::test::ReadAll(dir + "/raw.rgb");

  std::vector<Stream> streams;
  ASSERT_TRUE(ReadBack(dir + "/frames/%05d.png", &streams, true));
  ASSERT_EQ(streams.size(), 1u);
  EXPECT_EQ(streams[0].width, 561);
  EXPECT_EQ(streams[0].height, 411);
  ASSERT_EQ(streams[0].rgb.size(), 10u);  // 0.3 s in 33 ms frames
  ASSERT_EQ(raw.size(), 10u * 561 * 411 * 3);
  EXPECT_FALSE(orvel::test::Exists(dir + "/frames/00000.png"));  // numbered from 1
  EXPECT_FALSE(orvel::test::Exists(dir + "/frames/00011.png"));
  for (size_t k = 0; k < streams[0].rgb.size(); ++k) {
    const std::vector<uint8_t>& png = streams[0].rgb[k];
    EXPECT_EQ(std::string(png.begin(), png.end()), raw.substr(k * png.size(), png.size())) << k;
  }
}

}  // namespace

namespace {

TEST(RenderFiles, OtherContainersHoldTheirCodecsAndEveryFrame) {
  const std::string dir = Scratch("containers");
  ASSERT_TRUE(orvel::test::WriteTone(dir + "/tone.wav", 0.5, 44100, 2));
  struct Case {
    std::string name, options, video, audio;
    size_t frames;
  };
  const Case cases[] = {
      {"a.webm", "", "vp9", "opus", 16},
      {"b.mkv", "--codec av1", "av1", "opus", 16},
      {"c.gif", "--fps-out 10", "gif", "", 6},  // 16 window frames (528 ms) at 10 a second
  };
  for (const Case& c : cases) {
    const auto o =
        RunOrvel("--input " + dir + "/tone.wav " + c.options + " --render " + dir + "/" + c.name,
                 dir + "/out");
    ASSERT_EQ(o.exitCode, 0) << c.name << o.errors;
    std::vector<Stream> streams;
    ASSERT_TRUE(ReadBack(dir + "/" + c.name, &streams)) << c.name;
    ASSERT_EQ(streams.size(), c.audio.empty() ? 1u : 2u) << c.name;
    EXPECT_EQ(streams[0].codec, c.video);
    EXPECT_EQ(streams[0].width, 561) << c.name;
    EXPECT_EQ(streams[0].times.size(), c.frames) << c.name;
    if (!c.audio.empty()) {
      EXPECT_EQ(streams[1].codec, c.audio);
    }
  }
}

}  // namespace

namespace {

// The first decoded picture's pixel at (x, y), RGB.
std::array<int, 3> Pixel(const Stream& s, int x, int y) {
  const uint8_t* p = &s.rgb[0][(static_cast<size_t>(y) * s.width + x) * 3];
  return {p[0], p[1], p[2]};
}

TEST(RenderFiles, LargeRendersAreTheWindowEnlargedCrisplyOnBlack) {
  const std::string dir = Scratch("large");
  const std::string input = "--input demo --seconds 0.1 ";
  // Lossless first: at --scale 2 in a 1080p frame every window pixel is a 2 x 2 block.
  auto o = RunOrvel(input + "--render -", dir + "/small.rgb");
  ASSERT_EQ(o.exitCode, 0) << o.errors;
  o = RunOrvel(input + "--size 1080p --scale 2 --render -", dir + "/big.rgb");
  ASSERT_EQ(o.exitCode, 0) << o.errors;
  const std::string small = orvel::test::ReadAll(dir + "/small.rgb");
  const std::string big = orvel::test::ReadAll(dir + "/big.rgb");
  const size_t smallFrame = 561 * 411 * 3, bigFrame = 1920 * 1080 * 3;
  ASSERT_EQ(small.size(), 4 * smallFrame);
  ASSERT_EQ(big.size(), 4 * bigFrame);
  for (size_t k = 0; k < 4; ++k) {
    for (int y = 0; y < 1080; ++y) {
      for (int x = 0; x < 1920; ++x) {
        const int wx = (x - 398) / 2, wy = (y - 128) / 2;
        const bool inside = x >= 398 && y >= 128 && wx < 561 && wy < 411;
        const std::string want =
            inside ? small.substr(k * smallFrame + (wy * 561 + wx) * 3, 3) : std::string(3, '\0');
        ASSERT_EQ(big.substr(k * bigFrame + (static_cast<size_t>(y) * 1920 + x) * 3, 3), want)
            << "frame " << k << " at " << x << "," << y;
      }
    }
  }
  // Videos: the frame's size, black beside the picture, the picture's grey chrome inside.
  for (const auto& size : {std::make_pair("1080p", 222), std::make_pair("4k", 446)}) {
    const std::string out = dir + "/" + size.first + ".mp4";
    o = RunOrvel(input + "--size " + size.first + " --render " + out, out);
    ASSERT_EQ(o.exitCode, 0) << o.errors;
    std::vector<Stream> streams;
    ASSERT_TRUE(ReadBack(out, &streams, true));
    const Stream& video = streams[0];
    EXPECT_EQ(video.height * 16, video.width * 9) << size.first;
    ASSERT_EQ(video.rgb.size(), 4u);
    const int left = size.second, mid = video.height / 2;
    for (int x : {left - 8, video.width - left + 8}) {
      const auto p = Pixel(video, x, mid);
      EXPECT_LT(p[0] + p[1] + p[2], 24) << size.first << " beside the picture at " << x;
    }
    // The top panel, at window pixel (10, 20).
    const auto chrome = Pixel(video, left + 10 * video.height / 411, 20 * video.height / 411);
    EXPECT_GT(chrome[0] + chrome[1] + chrome[2], 300) << size.first;
  }
  // The last 1080p frame, made of changed areas only, is the lossless one within what coding
  // loses (4:2:0 colour at sharp edges): no 8 x 8 block strays far from it.
  o = RunOrvel(input + "--size 1080p --render -", dir + "/1080p.rgb");
  ASSERT_EQ(o.exitCode, 0) << o.errors;
  const std::string lossless = orvel::test::ReadAll(dir + "/1080p.rgb").substr(3 * bigFrame);
  std::vector<Stream> streams;
  ASSERT_TRUE(ReadBack(dir + "/1080p.mp4", &streams, true));
  const std::vector<uint8_t>& coded = streams[0].rgb.back();
  int worst = 0;
  for (int by = 0; by < 1080; by += 8) {
    for (int bx = 0; bx < 1920; bx += 8) {
      int error = 0;
      for (int y = by; y < by + 8; ++y) {
        for (int x = bx * 3; x < (bx + 8) * 3; ++x) {
          const size_t at = static_cast<size_t>(y) * 1920 * 3 + x;
          error += std::abs(coded[at] - static_cast<uint8_t>(lossless[at]));
        }
      }
      worst = std::max(worst, error / (8 * 8 * 3));
    }
  }
  EXPECT_LT(worst, 40);
}

}  // namespace
