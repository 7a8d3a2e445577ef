// Fuzz targets: each takes arbitrary bytes and must neither crash, hang nor fail a
// check. The libFuzzer drivers (fuzz/fuzz_main.cpp) and the corpus replay test in
// ./test call the same functions.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vqfuzz {

// ID3v2 header, frame walk and both decoders.
void V2Reader(const std::uint8_t* data, std::size_t size);
// MPEG header search, play time and the ID3v1 record.
void MpegV1(const std::uint8_t* data, std::size_t size);
// The settings file parser.
void PathDat(const std::uint8_t* data, std::size_t size);
// Frames made from the bytes are written by the writer and must read back the same.
void WriterRoundTrip(const std::uint8_t* data, std::size_t size);
// Names from a folder path, a subfolder entry and a file entry.
void DeriveNames(const std::uint8_t* data, std::size_t size);
// File and folder names in any bytes: decoding for display, clean paths, the settings
// file's stored paths.
void FileNames(const std::uint8_t* data, std::size_t size);
// The conversion to Unicode's plan for a tag: what it writes reads back whole, and a
// second conversion of a tag whose texts were all decided finds nothing more to convert.
void UnicodeTag(const std::uint8_t* data, std::size_t size);
// The journal reader on a journal's bytes, and the old heads its records rebuild.
void Journal(const std::uint8_t* data, std::size_t size);
// Pictures: image checks, picture frames of every tag version, the front cover, and a
// cover frame that reads back.
void Pictures(const std::uint8_t* data, std::size_t size);

struct Target {
  const char* name;
  void (*run)(const std::uint8_t*, std::size_t);
};
inline constexpr Target kTargets[] = {
    {"V2Reader", V2Reader}, {"MpegV1", MpegV1}, {"PathDat", PathDat},
    {"WriterRoundTrip", WriterRoundTrip}, {"DeriveNames", DeriveNames}, {"FileNames", FileNames},
    {"UnicodeTag", UnicodeTag}, {"Journal", Journal}, {"Pictures", Pictures},
};

}  // namespace vqfuzz
