// Media files of a device: decodable JPEG and PNG pictures (a colour gradient with a few shapes,
// so that thumbnails differ) and voice memos in an MPEG-4 audio container.
#pragma once

#include <cstdint>
#include <string>

namespace gen {

// A baseline JPEG of width x height pixels (progressive: in several scans, as some editors and
// web pages write them). orientation 1 to 8 is written as the EXIF Orientation tag, as a camera
// does for a turned phone; 0 writes no EXIF block.
std::string MakeJpeg(int width, int height, int orientation, std::uint32_t seed, int quality = 85,
                     bool progressive = false);
// An 8-bit RGB PNG of width x height pixels.
std::string MakePng(int width, int height, std::uint32_t seed);
// A voice memo: an "M4A " file with the boxes of an AAC recording of the given length.
std::string MakeVoiceMemo(double seconds, std::uint32_t seed);
// The picture cut to its first half: its decoder meets the end of the data early.
std::string Damage(const std::string& file);

}  // namespace gen
