#include "passes/reading_dictionary.h"

#include <mecab.h>

#include <algorithm>
#include <cctype>

#include "passes/kana.h"
#include "platform/fileio.h"
#include "platform/text.h"
#include "platform/text_file.h"

namespace vq {
namespace {

// The n-th field of a node's feature text ("" past the end). Fields are comma-separated;
// a field in double quotes may hold commas (UniDic's "B1SjS,B1S8SjS"), and a doubled
// quote inside one stands for a quote. MeCab hands the feature text over as the
// dictionary holds it, so the quotes are read here.
std::string_view Field(std::string_view feature, int n) {
  std::size_t at = 0;
  for (int k = 0;; ++k) {
    std::size_t end = at;
    if (end < feature.size() && feature[end] == '"') {
      for (++end; end < feature.size(); ++end) {
        if (feature[end] != '"') continue;
        if (end + 1 < feature.size() && feature[end + 1] == '"') {
          ++end;
          continue;
        }
        ++end;
        break;
      }
    }
    end = feature.find(',', end);
    if (k == n) {
      std::string_view field = feature.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
      if (field.size() >= 2 && field.front() == '"' && field.back() == '"') field = field.substr(1, field.size() - 2);
      return field;
    }
    if (end == std::string_view::npos) return {};
    at = end + 1;
  }
}

// Where a dictionary keeps a word's reading: the field its dicrc's reading format
// ("node-format-yomi = %pS%f[7]") prints; else the field its list of features names
// "kana" (UniDic's "; f[20]: kana", the reading as written, without the long-vowel
// marks of its pronunciation field); else 7, the IPA dictionary's.
int ReadingFieldOf(const std::string& folder) {
  std::string dicrc;
  try {
    dicrc = ReadFileBytes(folder + "/dicrc");
  } catch (const Error&) {
    return 7;
  }
  const auto number = [](std::string_view line, std::size_t from) {
    int n = 0;
    for (std::size_t i = from; i < line.size() && line[i] >= '0' && line[i] <= '9' && n < 100; ++i)
      n = n * 10 + (line[i] - '0');
    return n;
  };
  int kana = -1;
  for (std::string_view line : SplitLines(dicrc)) {
    if (line.substr(0, 16) == "node-format-yomi") {
      const auto f = line.find("%f[");
      if (f != std::string_view::npos) return number(line, f + 3);
    }
    // "; f[20]: kana"
    if (kana < 0 && line.size() > 4 && line[0] == ';') {
      const auto f = line.find("f[");
      const auto colon = line.find("]:");
      if (f != std::string_view::npos && colon != std::string_view::npos && colon > f) {
        std::string_view name = line.substr(colon + 2);
        while (!name.empty() && (name.front() == ' ' || name.front() == '\t')) name.remove_prefix(1);
        while (!name.empty() && (name.back() == ' ' || name.back() == '\r')) name.remove_suffix(1);
        if (name == "kana") kana = number(line, f + 2);
      }
    }
  }
  return kana >= 0 ? kana : 7;
}

// The cost margin (DictionaryReading::margin) from which a dictionary's best reading
// counts as clear: with UniDic and the IPA dictionary, and with the IPA dictionary and
// NAIST-jdic (see ReadingDictionaries::Read).
constexpr int kClearMarginWithUniDic = 2000;
constexpr int kClearMargin = 4000;

// The cost of the analysis the lattice holds now: the sum of its nodes' path costs
// (each the connection from the node before plus the word's own cost).
long PathCost(const MeCab::Lattice& lattice) {
  long cost = 0;
  const MeCab::Node* prev = lattice.bos_node();
  for (const MeCab::Node* node = prev->next; node; prev = node, node = node->next)
    for (const MeCab::Path* p = node->lpath; p; p = p->lnext)
      if (p->lnode == prev) {
        cost += p->cost;
        break;
      }
  return cost;
}

bool IsUtf8(const char* charset) {
  std::string s = charset ? charset : "";
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s == "utf-8" || s == "utf8";
}

}  // namespace

struct Dictionary::Impl {
  std::unique_ptr<MeCab::Model> model;
  std::unique_ptr<MeCab::Tagger> tagger;
  std::unique_ptr<MeCab::Lattice> lattice;
  int readingField = 7;
};

Dictionary::Dictionary(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Dictionary::~Dictionary() = default;

std::unique_ptr<Dictionary> Dictionary::Open(const std::string& folder) {
  if (!IsFolder(folder) || !FileExists(folder + "/sys.dic")) return nullptr;
  // "-r /dev/null": no resource file, so that /etc/mecabrc never names the dictionary.
  std::string args[] = {"velquist", "-d", folder, "-r", "/dev/null"};
  char* argv[std::size(args)];
  for (std::size_t i = 0; i < std::size(args); ++i) argv[i] = args[i].data();
  auto impl = std::make_unique<Impl>();
  impl->model.reset(MeCab::createModel(static_cast<int>(std::size(args)), argv));
  if (!impl->model) return nullptr;
  const MeCab::DictionaryInfo* info = impl->model->dictionary_info();
  if (!info || !IsUtf8(info->charset)) return nullptr;
  impl->tagger.reset(impl->model->createTagger());
  impl->lattice.reset(impl->model->createLattice());
  if (!impl->tagger || !impl->lattice) return nullptr;
  impl->readingField = ReadingFieldOf(folder);
  return std::unique_ptr<Dictionary>(new Dictionary(std::move(impl)));
}

std::vector<DictionaryReading> Dictionary::Readings(std::u16string_view text, int n) const {
  std::vector<DictionaryReading> out;
  const std::string sentence = Utf16ToUtf8(NormaliseWidth(text));
  MeCab::Lattice& lattice = *impl_->lattice;
  lattice.set_request_type(MECAB_NBEST);
  lattice.set_sentence(sentence.c_str(), sentence.size());
  if (!impl_->tagger->parse(&lattice)) return out;
  long bestCost = 0;
  // Analyses that differ only in parts of speech read alike: look a little further
  // than n for n different readings.
  for (int path = 0; path < n * 4 && static_cast<int>(out.size()) < n; ++path) {
    const char* base = lattice.sentence();
    std::size_t at = 0;  // bytes of the sentence read so far
    DictionaryReading r;
    r.complete = true;
    std::string utf8;
    for (const MeCab::Node* node = lattice.bos_node(); node; node = node->next) {
      if (node->stat == MECAB_BOS_NODE || node->stat == MECAB_EOS_NODE) continue;
      const std::size_t begin = static_cast<std::size_t>(node->surface - base);
      if (begin > at) utf8.append(base + at, begin - at);  // spaces MeCab skipped
      const std::string_view surface(node->surface, node->length);
      at = begin + node->length;
      const std::u16string word = Utf8ToUtf16(surface);
      if (!NeedsDictionary(word)) {
        utf8 += Utf16ToUtf8(KanaReading(word));
        continue;
      }
      const std::string_view reading = Field(node->feature ? node->feature : "", impl_->readingField);
      if (reading.empty() || reading == "*") {
        utf8 += surface;
        r.complete = false;
      } else {
        utf8 += Utf16ToUtf8(KanaReading(Utf8ToUtf16(reading)));
      }
    }
    if (at < sentence.size()) utf8.append(base + at, sentence.size() - at);
    r.reading = Utf8ToUtf16(utf8);
    const long cost = PathCost(lattice);
    const bool seen = std::any_of(out.begin(), out.end(), [&](const DictionaryReading& o) { return o.reading == r.reading; });
    if (!seen) {
      // The best analysis comes first; the first one that reads otherwise sets its margin.
      if (out.size() == 1) out.front().margin = static_cast<int>(std::min<long>(cost - bestCost, DictionaryReading::kNoRival));
      if (out.empty()) bestCost = cost;
      out.push_back(std::move(r));
    }
    if (!lattice.next()) break;
  }
  return out;
}

ReadingDictionaries::ReadingDictionaries(const DictionaryFolders& folders) {
  ipa_ = Dictionary::Open(folders.ipa);
  if (!ipa_) {
    missing_ = u"読みの辞書がありません(" + Utf8ToUtf16(folders.ipa) +
               u")。漢字の読みには「sudo apt install " + Utf8ToUtf16(kIpaDictionaryPackage) + u"」で辞書を入れてください。";
    return;
  }
  if (!folders.unidic.empty()) unidic_ = Dictionary::Open(folders.unidic);
  if (unidic_) {
    first_ = unidic_.get();
    second_ = ipa_.get();
    clearMargin_ = kClearMarginWithUniDic;
    return;
  }
  if (!folders.second.empty()) naist_ = Dictionary::Open(folders.second);
  first_ = ipa_.get();
  second_ = naist_.get();
  clearMargin_ = kClearMargin;
}

ReadingDictionaries::~ReadingDictionaries() = default;

DictionaryOpinion ReadingDictionaries::Read(std::u16string_view text) const {
  DictionaryOpinion o;
  if (!first_) return o;
  constexpr int kAlternatives = 6;
  const std::vector<DictionaryReading> first = first_->Readings(text, kAlternatives);
  const std::vector<DictionaryReading> second =
      second_ ? second_->Readings(text, kAlternatives) : std::vector<DictionaryReading>{};
  if (!first.empty()) o.first = first.front();
  o.margin = o.first.margin;
  if (!second.empty()) o.second = second.front();
  // Agreement counts only where each dictionary prefers its analysis clearly. The IPA
  // dictionary and NAIST-jdic share most of their entries and so their mistakes (達郎
  // read タツオ, 故郷 コキョウ): on 212 well-known names and titles, two that merely
  // agreed were right 85% of the time; with both margins at 4,000, 96% (95% on 215 other
  // names and titles), but they confirmed only about half of such a list (52% and 39%):
  // a third opinion (KAKASI, the Juman dictionary) errs alike. UniDic, newer and larger,
  // reads names and modern words better (its first reading right 86% and 82% of the two
  // lists, the IPA dictionary's 83% and 78%) and errs otherwise: UniDic and the IPA
  // dictionary agreeing with both margins at 2,000 (chosen on the first list) confirm 71%
  // and 60% of them, right 95.4% and 95.3% of the time, and the two dictionaries'
  // alternatives hold the right reading for 97% of both (92% and 91% before). A lower
  // margin confirms more of the first list but sits at its 95% (1,500: 76% at 95.0%);
  // NAIST-jdic as a third opinion (its clear agreement with either) confirmed a little
  // more of the first list (74% at 95.5%) but was right only 94% of the time on the
  // second, and UniDic with NAIST-jdic did no better than with the IPA dictionary. Where
  // a name or a title is read its own way (靖子 as セイコ, 吉川 as キッカワ, the song
  // 故郷 as フルサト, which UniDic too confirms as コキョウ) no margin tells: the rest is
  // the user's to confirm, once, in the readings file.
  o.agree = !first.empty() && !second.empty() && o.first.complete && o.second.complete &&
            o.first.reading == o.second.reading && o.first.margin >= clearMargin_ && o.second.margin >= clearMargin_;
  for (std::size_t k = 0; k < std::max(first.size(), second.size()); ++k) {
    for (const auto* list : {&first, &second}) {
      if (k >= list->size() || !(*list)[k].complete) continue;
      const std::u16string& reading = (*list)[k].reading;
      if (std::find(o.alternatives.begin(), o.alternatives.end(), reading) == o.alternatives.end())
        o.alternatives.push_back(reading);
    }
  }
  return o;
}

}  // namespace vq
