#pragma once

// Finds the picture that shows a file's cover to the desktop's media controls. Runs on the
// media thread with the file's open, since it may write a file and look for others.

#include <string>

#include "audio/decode/StreamTags.h"

namespace audio {

// The cover of the file at `audioPath`: its embedded picture (tags.picture), written to
// `folder` as "<hash of the picture>.<extension>" unless a file of that name is there
// already, so that each picture is written once however many files carry it; or, without one
// (or without a folder to write it to), a cover.jpg or folder.jpg beside the file. Empty when
// there is none.
std::string coverPictureFor(const std::string& audioPath, const StreamTags& tags, const std::string& folder);

}  // namespace audio
