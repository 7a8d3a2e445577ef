// The user's own readings: ~/.config/velquist/readings.tsv ($XDG_CONFIG_HOME respected),
// UTF-8, one "text TAB reading" a line. They win over every other source. Lines that are
// no such pair (comments, blank lines, a line without a TAB or with an empty side, bytes
// that are not UTF-8) are skipped when read and kept when the file is rewritten; of a
// text listed twice the last line counts.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vq {

// $XDG_CONFIG_HOME/velquist/readings.tsv, or ~/.config/velquist/readings.tsv without it.
std::string UserReadingsPath();

struct UserReading {
  std::u16string text;
  std::u16string reading;
  bool operator==(const UserReading&) const = default;
};

class UserReadings {
 public:
  // The readings of a file's bytes.
  static UserReadings Parse(std::string_view bytes);
  // The file's readings; none when it does not exist. Throws Error when it exists but
  // cannot be read.
  static UserReadings Load(const std::string& path);

  std::optional<std::u16string> Find(std::u16string_view text) const;
  std::size_t size() const { return readings_.size(); }

 private:
  std::map<std::u16string, std::u16string, std::less<>> readings_;
};

// The file's bytes with the readings added: a text the file lists already gets its new
// reading in the place of its first line (its later lines dropped), new texts are
// appended in the order given; every other line keeps its bytes (its line end becomes
// LF). A text or reading with a TAB or a line break, or an empty one, is left out.
std::string WithReadings(std::string_view bytes, const std::vector<UserReading>& added);

// Adds readings to the file (created with its folders when missing): read, changed by
// WithReadings, written in one step (temporary file, flush, rename). Throws Error.
void AddUserReadings(const std::string& path, const std::vector<UserReading>& added);

}  // namespace vq
