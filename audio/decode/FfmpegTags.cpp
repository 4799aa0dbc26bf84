// The tags and the embedded cover picture of a file the FFmpeg decoder has open. FFmpeg reads
// them while it opens the container: the container's tags (ID3, MP4 atoms, FLAC and APE
// comments) and the audio stream's (Vorbis and Opus comments in Ogg); a cover picture is a
// stream of its own whose one packet holds the encoded image.

#include <cctype>

#include "audio/decode/FfmpegDecoder.h"
#include "audio/decode/FfmpegLibraries.h"

namespace audio {

namespace {

// A larger picture is not a cover anyone embedded on purpose.
constexpr int kMaxPictureBytes = 16 * 1024 * 1024;

// The value of `key` (any case), the container's before the stream's; empty when neither has one.
std::string tagValue(const AVFormatContext& format, const AVStream& audio, const char* key) {
  for (const AVDictionary* dictionary : {static_cast<const AVDictionary*>(format.metadata),
                                         static_cast<const AVDictionary*>(audio.metadata)}) {
    const AVDictionaryEntry* entry = ffmpeg().av_dict_get(dictionary, key, nullptr, 0);
    if (entry != nullptr && entry->value != nullptr && entry->value[0] != '\0') return entry->value;
  }
  return {};
}

// "7" and "7/12" are track 7.
int trackNumberOf(const std::string& text) {
  int number = 0;
  for (const char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c)) || number > 99999) break;
    number = number * 10 + (c - '0');
  }
  return number;
}

const char* pictureExtension(AVCodecID codec) {
  switch (codec) {
    case AV_CODEC_ID_MJPEG:
      return "jpg";
    case AV_CODEC_ID_PNG:
      return "png";
    case AV_CODEC_ID_GIF:
      return "gif";
    case AV_CODEC_ID_BMP:
      return "bmp";
    case AV_CODEC_ID_WEBP:
      return "webp";
    default:
      return nullptr;
  }
}

}  // namespace

StreamTags FfmpegDecoder::tags() const {
  StreamTags tags;
  if (format_ == nullptr || streamIndex_ < 0) return tags;
  const AVStream& audio = *format_->streams[streamIndex_];
  tags.title = tagValue(*format_, audio, "title");
  tags.artist = tagValue(*format_, audio, "artist");
  tags.album = tagValue(*format_, audio, "album");
  tags.trackNumber = trackNumberOf(tagValue(*format_, audio, "track"));
  for (unsigned i = 0; i < format_->nb_streams; ++i) {
    const AVStream& stream = *format_->streams[i];
    const AVPacket& picture = stream.attached_pic;
    if ((stream.disposition & AV_DISPOSITION_ATTACHED_PIC) == 0 || picture.data == nullptr) continue;
    const char* extension = pictureExtension(stream.codecpar->codec_id);
    if (extension == nullptr || picture.size <= 0 || picture.size > kMaxPictureBytes) continue;
    tags.picture.assign(reinterpret_cast<const char*>(picture.data), static_cast<size_t>(picture.size));
    tags.pictureExtension = extension;
    break;
  }
  return tags;
}

}  // namespace audio
