// Media files of a device: decodable JPEG, PNG and GIF pictures (a colour gradient with a few
// shapes, so that thumbnails differ), pictures as a phone camera takes them, and voice memos in an
// MPEG-4 audio container.
#pragma once

#include <cstdint>
#include <string>

namespace gen {

// A baseline JPEG of width x height pixels (progressive: in several scans, as some editors and
// web pages write them). orientation 1 to 8 is written as the EXIF Orientation tag, as a camera
// does for a turned phone; 0 writes no EXIF block.
std::string MakeJpeg(int width, int height, int orientation, std::uint32_t seed, int quality = 85,
                     bool progressive = false);
// A camera's picture of width x height pixels: fine detail and sensor noise, YCbCr 4:2:0 at
// quality 92 with an EXIF block, so that its size and its decoding work per pixel are those of a
// phone's (about 3 to 4 MB at 12 megapixels).
std::string MakePhotoJpeg(int width, int height, std::uint32_t seed);
// An 8-bit RGB PNG of width x height pixels.
std::string MakePng(int width, int height, std::uint32_t seed);
// A PNG of width x height pixels of one colour (8-bit RGB, or RGBA when alpha); quick to write
// and small at any size.
std::string MakeBlankPng(int width, int height, bool alpha = false);
// A GIF89a of frames frames of width x height pixels each (an animation), 256 colours, every
// frame a shifted copy of the gradient (two that alternate), LZW-coded as an encoder codes them.
std::string MakeGif(int width, int height, int frames, std::uint32_t seed);
// A voice memo: an "M4A " file with the boxes of an AAC recording of the given length.
std::string MakeVoiceMemo(double seconds, std::uint32_t seed);
// The picture cut to its first half: its decoder meets the end of the data early.
std::string Damage(const std::string& file);

}  // namespace gen
