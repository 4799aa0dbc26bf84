#pragma once

// Names the demuxer for a file whose first bytes leave no doubt about its container, so that
// FFmpeg need not probe for it. Probing runs every demuxer FFmpeg has over the file's head:
// that costs time on every open and keeps nearly all of libavformat's code resident for as
// long as the player runs. Where the bytes are not unmistakable, nothing is named
// and FFmpeg probes as before.

#include <string>

namespace audio {

// The demuxer, by FFmpeg's name, for the file at `path`, judged by the bytes after any ID3v2
// tags (which FFmpeg skips before any demuxer reads the file); nullptr when they do not name
// one beyond doubt, or the file cannot be read. MPEG audio needs three frame headers in a
// row, each where the one before says it ends, with the same version, layer and rate: one
// header-like word is common in other data.
const char* sniffDemuxer(const std::string& path);

}  // namespace audio
