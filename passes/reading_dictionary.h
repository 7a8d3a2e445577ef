// Readings of texts with kanji from MeCab (Debian's libmecab) with dictionaries named by
// their folders, never the system's default dictionary. Two dictionaries give an
// opinion each: UniDic (unidic-mecab) and the IPA dictionary (mecab-ipadic-utf8) where
// UniDic is installed, UniDic's reading first; else the IPA dictionary first and
// NAIST-jdic (mecab-naist-jdic) second. The IPA dictionary is the one required. Both
// give their next-best readings as alternatives.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vq {

inline constexpr char kIpaDictionaryFolder[] = "/var/lib/mecab/dic/ipadic-utf8";
inline constexpr char kSecondDictionaryFolder[] = "/var/lib/mecab/dic/naist-jdic";
inline constexpr char kIpaDictionaryPackage[] = "mecab-ipadic-utf8";
inline constexpr char kSecondDictionaryPackage[] = "mecab-naist-jdic";
inline constexpr char kUniDicFolder[] = "/var/lib/mecab/dic/unidic";
inline constexpr char kUniDicPackage[] = "unidic-mecab";

struct DictionaryFolders {
  std::string ipa = kIpaDictionaryFolder;
  std::string second = kSecondDictionaryFolder;  // "" for none
  std::string unidic = kUniDicFolder;            // "" for none; where it loads, NAIST-jdic is not used
};

// One dictionary's reading of a text.
struct DictionaryReading {
  std::u16string reading;  // the reading form (passes/kana.h); a word it does not know keeps its letters
  bool complete = false;   // every kanji was read
  // How clearly the dictionary prefers the best analysis: the difference of its cost
  // to the cheapest analysis that reads otherwise (kNoRival when none does). Only the
  // best analysis has one.
  int margin = kNoRival;
  static constexpr int kNoRival = 1 << 30;
};

// One MeCab dictionary. Thread-compatible: one Dictionary per thread.
class Dictionary {
 public:
  // nullptr when the folder holds no dictionary MeCab can load in UTF-8.
  static std::unique_ptr<Dictionary> Open(const std::string& folder);
  ~Dictionary();
  Dictionary(const Dictionary&) = delete;
  Dictionary& operator=(const Dictionary&) = delete;

  // The best `n` analyses of the text (width normalised first), as readings, best
  // first, each reading once. Kana are read as they are written; characters that are
  // not Japanese letters stay; a kanji word the dictionary does not know keeps its
  // kanji and makes the reading incomplete.
  std::vector<DictionaryReading> Readings(std::u16string_view text, int n) const;

 private:
  struct Impl;
  explicit Dictionary(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

// What the dictionaries say of one text.
struct DictionaryOpinion {
  DictionaryReading first;   // the first dictionary's best reading (UniDic's, else the IPA dictionary's)
  DictionaryReading second;  // the second dictionary's best reading (empty without one)
  // Both complete, the same, and each dictionary's best by a clear margin.
  bool agree = false;
  int margin = DictionaryReading::kNoRival;  // the first reading's margin
  // Distinct complete readings of both, the first reading first, then the second
  // dictionary's, then the next-best ones of each in turn.
  std::vector<std::u16string> alternatives;
};

// The two dictionaries that give an opinion.
class ReadingDictionaries {
 public:
  explicit ReadingDictionaries(const DictionaryFolders& folders = {});
  ~ReadingDictionaries();

  // Whether the IPA dictionary was loaded; without it there are no dictionary readings.
  bool available() const { return ipa_ != nullptr; }
  // Whether a second opinion was loaded (UniDic or NAIST-jdic); without one nothing is confirmed.
  bool hasSecond() const { return second_ != nullptr; }
  // Whether UniDic was loaded and gives the first opinion (the IPA dictionary the second).
  bool hasUniDic() const { return unidic_ != nullptr; }
  // Without the IPA dictionary: one line that says which package to install; else "".
  const std::u16string& missingMessage() const { return missing_; }

  // Empty readings when no dictionary is available.
  DictionaryOpinion Read(std::u16string_view text) const;

 private:
  std::unique_ptr<Dictionary> ipa_;
  std::unique_ptr<Dictionary> unidic_;
  std::unique_ptr<Dictionary> naist_;  // loaded only without UniDic
  const Dictionary* first_ = nullptr;  // UniDic, else the IPA dictionary; null without the IPA dictionary
  const Dictionary* second_ = nullptr;  // the IPA dictionary after UniDic, else NAIST-jdic
  int clearMargin_ = 0;  // each opinion's margin for agreeing (kClearMargin...)
  std::u16string missing_;
};

}  // namespace vq
