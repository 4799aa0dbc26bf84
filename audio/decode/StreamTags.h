#pragma once

// What a file says about itself, for the desktop's media controls: the tags of its container
// and of its audio stream, and the picture it carries for its cover. A plain value.

#include <string>

namespace audio {

struct StreamTags {
  // UTF-8 as the file has them; empty when the file names none.
  std::string title;
  std::string artist;
  std::string album;
  int trackNumber = 0;  // 0 when none
  // The cover picture embedded in the file, as encoded bytes, and the extension of its kind
  // ("jpg", "png"...); both empty when there is none. The engine writes it out once and
  // drops it.
  std::string picture;
  std::string pictureExtension;
  // A picture file of the cover: the embedded picture written to the engine's cover folder,
  // or a cover.jpg or folder.jpg beside the file; empty when there is none.
  std::string coverPath;
};

}  // namespace audio
