#include "formats/id3v1.h"

#include <cstring>

#include "platform/codepage.h"

namespace vq {
namespace {

constexpr std::uint64_t kRecordSize = sizeof(ID3v1Record);

bool HasTagHeader(const ID3v1Record& rec) { return std::memcmp(rec.Header, "TAG", 3) == 0; }

std::u16string TrimSpaces(std::u16string s) {
  const auto first = s.find_first_not_of(u' ');
  if (first == std::u16string::npos) return {};
  const auto last = s.find_last_not_of(u' ');
  return s.substr(first, last - first + 1);
}

std::u16string_view TrimLeadingSpaces(std::u16string_view s) {
  const auto first = s.find_first_not_of(u' ');
  return first == std::u16string_view::npos ? std::u16string_view{} : s.substr(first);
}

std::u16string DecodeField(const char* field, std::size_t width) {
  return TrimSpaces(cp932::Decode(std::string_view(field, width)));
}

// Full-width digits and point as typed through a Japanese input method count as
// their ASCII forms.
char16_t NarrowDigitChar(char16_t c) {
  if ((c >= u'\uFF10' && c <= u'\uFF19') || c == u'\uFF0E')
    return static_cast<char16_t>(c - 0xFEE0);
  return c;
}

ID3v1Record NewRecord() {
  ID3v1Record rec;
  std::memcpy(rec.Header, "TAG", 3);
  std::memset(rec.Title, ' ', sizeof rec.Title);
  std::memset(rec.Artist, ' ', sizeof rec.Artist);
  std::memset(rec.Album, ' ', sizeof rec.Album);
  std::memset(rec.Year, ' ', sizeof rec.Year);
  std::memset(rec.Comment, ' ', sizeof rec.Comment);
  rec.Genre = 0;
  return rec;
}

// Appends the record at the file's end. An append that fails part-way (disk full, a
// file-size limit) leaves no fragment: the file is put back to its old length, so a
// later append does not land behind a broken record.
void AppendRecord(RawFile& file, std::uint64_t length, const ID3v1Record& rec) {
  try {
    file.WriteAt(length, &rec, sizeof rec);
  } catch (...) {
    try {
      if (file.Length() > length) file.Truncate(length);
    } catch (const std::exception&) {
      // The failure that made it necessary is the one reported.
    }
    throw;
  }
}

}  // namespace

std::optional<ID3v1Record> ReadID3v1(const ByteSource& src) {
  const std::uint64_t length = src.Length();
  if (length < kRecordSize) return std::nullopt;
  ID3v1Record rec;
  src.ReadAt(length - kRecordSize, reinterpret_cast<std::uint8_t*>(&rec), sizeof rec);
  if (!HasTagHeader(rec)) return std::nullopt;
  return rec;
}

ID3v1Values DecodeID3v1(const ID3v1Record& rec) {
  ID3v1Values v;
  v.title = DecodeField(rec.Title, sizeof rec.Title);
  v.artist = DecodeField(rec.Artist, sizeof rec.Artist);
  v.album = DecodeField(rec.Album, sizeof rec.Album);
  v.year = DecodeField(rec.Year, sizeof rec.Year);
  v.comment = DecodeField(rec.Comment, sizeof rec.Comment);
  v.genre = rec.Genre;
  return v;
}

void EncodeID3v1Field(std::u16string_view text, char* field, std::size_t width) {
  std::size_t pos = 0;
  for (char16_t c : text) {
    if (pos >= width) break;
    const std::uint16_t code = cp932::EncodeChar(c);
    if (code > 0xFF) {
      // A double-byte character that the limit would split is dropped whole.
      if (pos + 2 > width) break;
      field[pos++] = static_cast<char>(code >> 8);
      field[pos++] = static_cast<char>(code & 0xFF);
    } else {
      field[pos++] = static_cast<char>(code);
    }
  }
  if (pos < width) std::memset(field + pos, ' ', width - pos);
}

std::uint8_t ConvertGenreField(std::u16string_view field) {
  // A "0" goes in front: an empty field is 0, and a sign after it is no number.
  std::u16string s = u"0" + TrimSpaces(std::u16string(field));
  for (char16_t& c : s) c = NarrowDigitChar(c);

  std::size_t i = 0;
  std::uint32_t whole = 0;
  bool tooLarge = false;
  for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i) {
    whole = whole * 10 + (s[i] - u'0');
    if (whole > 100000) { tooLarge = true; whole = 100000; }
  }
  // The fraction only matters for rounding: above, at or below one half.
  int firstFraction = 0;
  bool moreFraction = false;
  if (i < s.size() && s[i] == u'.') {
    ++i;
    for (std::size_t k = 0; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i, ++k) {
      if (k == 0) firstFraction = s[i] - u'0';
      else if (s[i] != u'0') moreFraction = true;
    }
  }
  if (i != s.size()) throw Error(ErrorKind::TypeMismatch);
  if (tooLarge) throw Error(ErrorKind::Overflow);

  std::uint32_t rounded = whole;
  if (firstFraction > 5 || (firstFraction == 5 && (moreFraction || whole % 2 == 1))) ++rounded;
  if (rounded > 255) throw Error(ErrorKind::Overflow);
  return static_cast<std::uint8_t>(rounded);
}

ID3v1Record BuildID3v1FromFields(const ID3v1Fields& fields, bool replacing) {
  ID3v1Record rec = NewRecord();
  rec.Genre = ConvertGenreField(fields.genre);
  // A replaced tag loses the leading spaces of its texts; an appended one keeps them.
  auto text = [replacing](const std::u16string& s) {
    return replacing ? TrimLeadingSpaces(s) : std::u16string_view(s);
  };
  EncodeID3v1Field(text(fields.title), rec.Title, sizeof rec.Title);
  EncodeID3v1Field(text(fields.artist), rec.Artist, sizeof rec.Artist);
  EncodeID3v1Field(text(fields.album), rec.Album, sizeof rec.Album);
  EncodeID3v1Field(text(fields.year), rec.Year, sizeof rec.Year);
  EncodeID3v1Field(text(fields.comment), rec.Comment, sizeof rec.Comment);
  return rec;
}

bool WriteID3v1(RawFile& file, const ID3v1Record& rec, bool replace) {
  const std::uint64_t length = file.Length();
  if (replace) {
    // Only a record that is still there is overwritten: when the file lost its tag since
    // it was read, the last 128 bytes are audio and the record is appended instead.
    char header[3];
    if (length >= kRecordSize) file.ReadAt(length - kRecordSize, header, sizeof header);
    if (length >= kRecordSize && std::memcmp(header, "TAG", 3) == 0) {
      file.WriteAt(length - kRecordSize, &rec, sizeof rec);
      return false;
    }
  }
  AppendRecord(file, length, rec);
  return true;
}

std::optional<BatchID3v1Change> PlanBatchID3v1(const RawFile& file, std::u16string_view title,
                                               std::u16string_view artist, std::u16string_view album,
                                               bool createNewOnly) {
  BatchID3v1Values values;
  values.title = std::u16string(title);
  values.artist = std::u16string(artist);
  values.album = std::u16string(album);
  return PlanBatchID3v1(file, values, createNewOnly);
}

std::optional<BatchID3v1Change> PlanBatchID3v1(const RawFile& file, const BatchID3v1Values& values,
                                               bool createNewOnly) {
  const std::uint64_t length = file.Length();
  if (length < kRecordSize) throw Error(ErrorKind::InvalidArgument);
  ID3v1Record last;
  file.ReadAt(length - kRecordSize, &last, sizeof last);
  return PlanBatchID3v1(HasTagHeader(last) ? std::optional<ID3v1Record>(last) : std::nullopt, values, createNewOnly);
}

namespace {

// Whether a comment field leaves room for ID3v1.1's zero and track bytes.
bool FreeForTrack(const char* comment) {
  auto free = [](char c) { return c == ' ' || c == '\0'; };
  return comment[28] == '\0' || (free(comment[28]) && free(comment[29]));
}

}  // namespace

std::optional<BatchID3v1Change> PlanBatchID3v1(const std::optional<ID3v1Record>& existing,
                                               const BatchID3v1Values& values, bool createNewOnly) {
  BatchID3v1Change change;
  change.replace = existing.has_value();
  if (!change.replace)
    change.record = NewRecord();
  else if (createNewOnly)
    return std::nullopt;
  else
    change.record = *existing;
  ID3v1Record& rec = change.record;
  auto put = [](const std::optional<std::u16string>& value, char* field, std::size_t width) {
    if (value) EncodeID3v1Field(*value, field, width);
  };
  put(values.title, rec.Title, sizeof rec.Title);
  put(values.artist, rec.Artist, sizeof rec.Artist);
  put(values.album, rec.Album, sizeof rec.Album);
  put(values.year, rec.Year, sizeof rec.Year);
  if (values.comment) {
    // An ID3v1.1 record keeps its track under a new comment that leaves room for it.
    const bool hadTrack = rec.Comment[28] == '\0' && rec.Comment[29] != '\0';
    const char oldTrack = rec.Comment[29];
    EncodeID3v1Field(*values.comment, rec.Comment, sizeof rec.Comment);
    if (hadTrack && FreeForTrack(rec.Comment)) rec.Comment[28] = '\0', rec.Comment[29] = oldTrack;
  }
  if (values.genre) rec.Genre = *values.genre;
  if (values.track && *values.track >= 1 && *values.track <= 255 && FreeForTrack(rec.Comment)) {
    rec.Comment[28] = '\0';
    rec.Comment[29] = static_cast<char>(*values.track);
  }
  return change;
}

void ApplyBatchID3v1(RawFile& file, const BatchID3v1Change& change) {
  const std::uint64_t length = file.Length();
  if (change.replace)
    file.WriteAt(length - kRecordSize, &change.record, sizeof change.record);
  else
    AppendRecord(file, length, change.record);
}

bool WriteBatchID3v1(RawFile& file, std::u16string_view title, std::u16string_view artist,
                     std::u16string_view album, bool createNewOnly, ID3v1Undo* undo) {
  const std::optional<BatchID3v1Change> change = PlanBatchID3v1(file, title, artist, album, createNewOnly);
  if (undo) {
    undo->length = file.Length();
    undo->tail.resize(kRecordSize);
    file.ReadAt(undo->length - kRecordSize, undo->tail.data(), kRecordSize);
  }
  if (!change) return false;
  ApplyBatchID3v1(file, *change);
  return true;
}

}  // namespace vq
