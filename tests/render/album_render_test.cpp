// A disc rendered as a video: a chapter a track at its time with its title, the album's names on
// the file, the disc's sound under the pictures from the moment play is pressed, and a file a
// track with --each-track.
#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <math.h>

#include <fstream>
#include <vector>

#include "run_orvel.h"

namespace {

using orvel::test::RunOrvel;
using orvel::test::Scratch;

struct Video {
  double seconds = 0;
  std::vector<std::pair<double, std::string>> chapters;  // start, title
  std::string title, artist, track;
  std::vector<double> loudness;  // mean square of each tenth of a second of sound
};

std::string Tag(AVDictionary* d, const char* key) {
  const AVDictionaryEntry* e = av_dict_get(d, key, nullptr, 0);
  return e ? e->value : "";
}

bool Open(const std::string& path, Video* v) {
  av_log_set_level(AV_LOG_ERROR);  // the decoder's notes on Opus's priming samples
  AVFormatContext* f = nullptr;
  if (avformat_open_input(&f, path.c_str(), nullptr, nullptr) < 0) return false;
  avformat_find_stream_info(f, nullptr);
  v->seconds = f->duration / 1e6;
  for (unsigned i = 0; i < f->nb_chapters; ++i) {
    const AVChapter* c = f->chapters[i];
    v->chapters.emplace_back(c->start * av_q2d(c->time_base), Tag(c->metadata, "title"));
  }
  v->title = Tag(f->metadata, "title");
  v->artist = Tag(f->metadata, "artist");
  v->track = Tag(f->metadata, "track");
  const int a = av_find_best_stream(f, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  const AVCodec* codec = avcodec_find_decoder(f->streams[a]->codecpar->codec_id);
  AVCodecContext* c = avcodec_alloc_context3(codec);
  avcodec_parameters_to_context(c, f->streams[a]->codecpar);
  avcodec_open2(c, codec, nullptr);
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  double sum = 0;
  int64_t count = 0;
  auto drain = [&] {
    while (avcodec_receive_frame(c, frame) == 0) {
      const float* s = reinterpret_cast<const float*>(frame->data[0]);  // planar float
      for (int n = 0; n < frame->nb_samples; ++n) {
        sum += s[n] * s[n];
        if (++count % (c->sample_rate / 10) == 0)
          v->loudness.push_back(sum / (c->sample_rate / 10)), sum = 0;
      }
    }
  };
  while (av_read_frame(f, packet) >= 0) {
    if (packet->stream_index == a) avcodec_send_packet(c, packet);
    av_packet_unref(packet);
    drain();
  }
  avcodec_send_packet(c, nullptr);
  drain();
  av_frame_free(&frame);
  av_packet_free(&packet);
  avcodec_free_context(&c);
  avformat_close_input(&f);
  return true;
}

// A CUE sheet over one FLAC, with the names a sheet gives, and two unsafe characters in a title.
std::string WriteCueAlbum(const std::string& dir) {
  EXPECT_TRUE(orvel::test::WriteTone(dir + "/whole.flac", 4.5, 44100, 2));
  std::ofstream(dir + "/album.cue") << "PERFORMER \"Cue Artist\"\nTITLE \"Cue Album\"\n"
                                       "FILE \"whole.flac\" WAVE\n"
                                       "  TRACK 01 AUDIO\n    TITLE \"First: One/Two\"\n"
                                       "    INDEX 01 00:00:00\n"
                                       "  TRACK 02 AUDIO\n    TITLE \"Second\"\n"
                                       "    PERFORMER \"Guest\"\n    INDEX 01 00:01:00\n"
                                       "  TRACK 03 AUDIO\n    TITLE Third Song\n"
                                       "    INDEX 01 00:03:00\n";
  return dir + "/album.cue";
}

TEST(AlbumRender, CueAlbumIsOneVideoWithAChapterATrack) {
  const std::string dir = Scratch("album-cue");
  const std::string cue = WriteCueAlbum(dir);
  const auto o = RunOrvel("--cd " + cue + " --render " + dir + "/album.mkv", dir + "/out");
  ASSERT_EQ(o.exitCode, 0) << o.errors;
  Video v;
  ASSERT_TRUE(Open(dir + "/album.mkv", &v));
  // One second before play is pressed, then the tracks: 1 s, 2 s and 1.5 s.
  EXPECT_NEAR(v.seconds, 5.5, 0.05);
  const std::vector<std::pair<double, std::string>> chapters = {
      {0.0, "First: One/Two"}, {2.0, "Guest - Second"}, {4.0, "Third Song"}};
  EXPECT_EQ(v.chapters, chapters);
  EXPECT_EQ(v.title, "Cue Album");
  EXPECT_EQ(v.artist, "Cue Artist");
  // The disc's sound starts when play is pressed: silence before, the tone after (loudest in
  // the middle of the file).
  ASSERT_GE(v.loudness.size(), 50u);
  EXPECT_LT(v.loudness[5], 1e-6);
  EXPECT_GT(v.loudness[32], 0.1);
}

TEST(AlbumRender, FoldersAreNamedByTagsAndEachTrackIsAFileOfItsOwn) {
  const std::string dir = Scratch("album-folder");
  ASSERT_EQ(system(("mkdir -p '" + dir + "/tones' '" + dir + "/out'").c_str()), 0);
  for (int i = 1; i <= 3; ++i) {
    ASSERT_TRUE(orvel::test::WriteTone(dir + "/tones/0" + std::to_string(i) + ".flac", 1.0, 44100,
                                       2, {"Song " + std::to_string(i), "The Band", "Tones"}));
  }
  auto o = RunOrvel("--cd " + dir + "/tones --tracks 2- --render " + dir + "/tones.mp4",
                    dir + "/out.log");
  ASSERT_EQ(o.exitCode, 0) << o.errors;
  Video v;
  ASSERT_TRUE(Open(dir + "/tones.mp4", &v));
  ASSERT_EQ(v.chapters.size(), 2u);
  EXPECT_EQ(v.chapters[1].second, "Song 3");
  EXPECT_NEAR(v.chapters[1].first, 2.0, 0.002);
  EXPECT_EQ(v.title, "Tones");
  EXPECT_EQ(v.artist, "The Band");

  const std::string cue = WriteCueAlbum(dir);
  o = RunOrvel("--cd " + cue + " --each-track --render " + dir + "/out/cue.mkv", dir + "/out.log");
  ASSERT_EQ(o.exitCode, 0) << o.errors;
  const struct {
    const char* name;
    double seconds;
    const char* title;
  } files[] = {{"cue - 01 - First_ One_Two.mkv", 2.0, "First: One/Two"},
               {"cue - 02 - Second.mkv", 2.0, "Second"},
               {"cue - 03 - Third Song.mkv", 1.5, "Third Song"}};
  for (const auto& f : files) {
    Video track;
    ASSERT_TRUE(Open(dir + "/out/" + f.name, &track)) << f.name;
    EXPECT_NEAR(track.seconds, f.seconds, 0.05) << f.name;
    EXPECT_EQ(track.title, f.title);
  }
  EXPECT_NE(o.errors.find("to 3 files"), std::string::npos) << o.errors;
}

}  // namespace
