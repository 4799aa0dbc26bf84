#pragma once

// Names the demuxer for a file whose first bytes leave no doubt about its container, so that
// FFmpeg need not probe for it. Probing runs every demuxer FFmpeg has over the file's head:
// that costs a few milliseconds per file and keeps nearly all of libavformat's code resident
// for as long as the player runs. Where the bytes are not unmistakable, nothing is named
// and FFmpeg probes as before.

#include <cstddef>
#include <span>
#include <string>

namespace audio {

// The length of the ID3v2 tag that `head` starts with (header, body and footer), or 0.
// FFmpeg skips such a tag before any demuxer reads the file.
std::size_t id3v2TagLength(std::span<const unsigned char> head);

// The demuxer, by FFmpeg's name, for a stream that starts with `head` (any ID3v2 tag
// already skipped), or nullptr when the bytes do not name one beyond doubt. MPEG audio
// needs three frame headers in a row, each where the one before says it ends, with the same
// version, layer and rate: one header-like word is common in other data.
const char* demuxerNamedBy(std::span<const unsigned char> head);

// Reads the head of the file at `path` past any ID3v2 tag and names its demuxer as above;
// nullptr when unsure or unreadable.
const char* sniffDemuxer(const std::string& path);

}  // namespace audio
