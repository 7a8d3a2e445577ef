// The 128-byte ID3v1 record at the end of an MP3 file.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "formats/bytesource.h"
#include "platform/fileio.h"

namespace vq {

struct ID3v1Record {
  char Header[3];
  char Title[30];
  char Artist[30];
  char Album[30];
  char Year[4];
  char Comment[30];
  std::uint8_t Genre;
};
static_assert(sizeof(ID3v1Record) == 128);

// Decoded values, spaces removed at both ends (only spaces: NUL characters stay).
struct ID3v1Values {
  std::u16string title, artist, album, year, comment;
  int genre = 0;
};

// The record of a source, when it has one (length >= 128 and "TAG" at length - 128).
std::optional<ID3v1Record> ReadID3v1(const ByteSource& src);
ID3v1Values DecodeID3v1(const ID3v1Record& rec);

// Encodes text into a field of `width` bytes: code page 932, padded with spaces, cut to
// the width; a double-byte character cut by the limit is dropped and its byte becomes
// a space.
void EncodeID3v1Field(std::u16string_view text, char* field, std::size_t width);

// The genre field of an ID3v1 edit, converted: spaces removed at both ends, "0" put
// in front (an empty field is 0, and "+5", "-0" or "-1" are no numbers), converted to a
// number with an optional fraction (halves to even: "12.5" -> 12, "13.5" -> 14);
// full-width digits count as digits. Throws Error(TypeMismatch) for text that is not a
// number and Error(Overflow) for a number that does not round into 0-255.
std::uint8_t ConvertGenreField(std::u16string_view field);

// The six values of an ID3v1 edit in field order: title, artist, album, comment, year, genre.
struct ID3v1Fields {
  std::u16string title, artist, album, comment, year, genre;
};

// Builds the record from edited values: leading spaces are removed from the
// five texts only when an existing tag is replaced. Throws like ConvertGenreField.
ID3v1Record BuildID3v1FromFields(const ID3v1Fields& fields, bool replacing);

// Writes a record over the last 128 bytes (replace) or appends it; an append that fails
// part-way puts the file back to its old length. A replace finds the
// record still there first: when the last 128 bytes no longer begin with "TAG" (the file
// changed since it was read), the record is appended instead of overwriting audio.
// Returns true when the record was appended (the file grew by 128 bytes).
bool WriteID3v1(RawFile& file, const ID3v1Record& rec, bool replace);

// The batch's ID3v1 step on an open file: an existing record keeps year, comment and
// genre (and is left alone when createNewOnly); a missing one is appended with empty
// year and comment and genre 0. A file shorter than 128 bytes throws
// Error(InvalidArgument). Returns whether the file was written.
// When `undo` is given it receives the file's length and last 128 bytes as they were
// before the write (what puts the file back).
struct ID3v1Undo {
  std::uint64_t length = 0;
  std::string tail;  // the old last 128 bytes; empty for a file shorter than that
};
bool WriteBatchID3v1(RawFile& file, std::u16string_view title, std::u16string_view artist,
                     std::u16string_view album, bool createNewOnly, ID3v1Undo* undo = nullptr);

// The same step decided on one file and carried out on another that ends with the same
// bytes: the rebuilt copy of a file whose ID3v2 tag grows, so that the file itself is
// never changed before its copy takes its name. nullopt when nothing is to be written.
struct BatchID3v1Change {
  ID3v1Record record;
  bool replace = false;  // over the last 128 bytes; else appended
};
std::optional<BatchID3v1Change> PlanBatchID3v1(const RawFile& file, std::u16string_view title,
                                               std::u16string_view artist, std::u16string_view album,
                                               bool createNewOnly);
void ApplyBatchID3v1(RawFile& file, const BatchID3v1Change& change);

// The batch's values for the record when they are more than title, artist and album: a
// value left out keeps what the record has (a new record: spaces, genre 0).
struct BatchID3v1Values {
  std::optional<std::u16string> title, artist, album, year, comment;
  std::optional<std::uint8_t> genre;
  // 1-255: written as ID3v1.1 (zero byte 125, track byte 126) when the comment leaves its
  // last two bytes free (spaces or zeros, or it already is a 28-byte ID3v1.1 comment);
  // a longer comment is kept whole and the record gets no track.
  std::optional<int> track;
};
// The same step as PlanBatchID3v1 on the record a file ends with (nullopt: it has none,
// a record is appended). With only title, artist and album given it gives the same
// record as PlanBatchID3v1. A comment written anew that fits 28 bytes keeps the track
// byte an ID3v1.1 record had.
std::optional<BatchID3v1Change> PlanBatchID3v1(const std::optional<ID3v1Record>& existing,
                                               const BatchID3v1Values& values, bool createNewOnly);
// The same on the record an open file ends with; a file shorter than a record throws
// Error(InvalidArgument).
std::optional<BatchID3v1Change> PlanBatchID3v1(const RawFile& file, const BatchID3v1Values& values,
                                               bool createNewOnly);

}  // namespace vq
