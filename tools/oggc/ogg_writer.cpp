#include "ogg_writer.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <optional>
#include <string_view>

#include "replace_file.h"

namespace kolvar {
namespace {

bool Put(std::FILE* out, const ogg_page& page) {
  return std::fwrite(page.header, 1, static_cast<size_t>(page.header_len), out) ==
             static_cast<size_t>(page.header_len) &&
         std::fwrite(page.body, 1, static_cast<size_t>(page.body_len), out) ==
             static_cast<size_t>(page.body_len);
}

}  // namespace

std::string WriteOggVorbis(const std::string& path, const std::vector<float>& samples,
                           int sample_rate, float quality) {
  const std::string temporary = tools::TemporaryFor(path);
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::fopen(temporary.c_str(), "wb"),
                                                      &std::fclose);
  if (!out) return temporary + ": cannot write";

  vorbis_info info;
  vorbis_info_init(&info);
  if (vorbis_encode_init_vbr(&info, 2, sample_rate, quality) != 0) {
    vorbis_info_clear(&info);
    return path + ": the Vorbis encoder refused quality " + std::to_string(quality);
  }
  vorbis_comment comment;
  vorbis_comment_init(&comment);
  vorbis_comment_add_tag(&comment, "ENCODER", "kolvar oggc");
  vorbis_dsp_state dsp;
  vorbis_block block;
  vorbis_analysis_init(&dsp, &info);
  vorbis_block_init(&dsp, &block);
  ogg_stream_state stream;
  // The serial number tells streams apart in a chained file; one will do.
  ogg_stream_init(&stream, 0x4B4F4C56);

  bool written = true;
  ogg_packet header, header_comment, header_code;
  vorbis_analysis_headerout(&dsp, &comment, &header, &header_comment, &header_code);
  ogg_stream_packetin(&stream, &header);
  ogg_stream_packetin(&stream, &header_comment);
  ogg_stream_packetin(&stream, &header_code);
  ogg_page page;
  while (ogg_stream_flush(&stream, &page) != 0) written = written && Put(out.get(), page);

  constexpr long kChunk = 4096;
  const long frames = static_cast<long>(samples.size() / 2);
  bool at_end = false;
  for (long done = 0; !at_end;) {
    const long n = std::min(kChunk, frames - done);
    if (n > 0) {
      float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(n));
      for (long i = 0; i < n; ++i) {
        buffer[0][i] = samples[2 * (done + i)];
        buffer[1][i] = samples[2 * (done + i) + 1];
      }
      vorbis_analysis_wrote(&dsp, static_cast<int>(n));
      done += n;
    } else {
      vorbis_analysis_wrote(&dsp, 0);  // the end of the stream
    }
    while (vorbis_analysis_blockout(&dsp, &block) == 1) {
      vorbis_analysis(&block, nullptr);
      vorbis_bitrate_addblock(&block);
      ogg_packet packet;
      while (vorbis_bitrate_flushpacket(&dsp, &packet) != 0) {
        ogg_stream_packetin(&stream, &packet);
        while (ogg_stream_pageout(&stream, &page) != 0) {
          written = written && Put(out.get(), page);
          if (ogg_page_eos(&page)) at_end = true;
        }
      }
    }
    if (n <= 0 && !at_end) {
      while (ogg_stream_flush(&stream, &page) != 0) written = written && Put(out.get(), page);
      at_end = true;
    }
  }

  ogg_stream_clear(&stream);
  vorbis_block_clear(&block);
  vorbis_dsp_clear(&dsp);
  vorbis_comment_clear(&comment);
  vorbis_info_clear(&info);
  if (!written || std::fclose(out.release()) != 0) {
    std::remove(temporary.c_str());
    return temporary + ": the disk refused the data";
  }
  if (tools::CommitTemporary(path)) return path + ": cannot replace it";
  return {};
}

}  // namespace kolvar
