#include "passes/reading_decision.h"

#include <algorithm>

#include "passes/kana.h"
#include "platform/text.h"

namespace vq {

std::u16string SourceName(ReadingSource source) {
  switch (source) {
    case ReadingSource::UserFile: return u"読みファイル";
    case ReadingSource::Collection: return u"コレクション";
    case ReadingSource::Letters: return u"かな";
    case ReadingSource::Dictionary: return u"辞書";
    case ReadingSource::None: break;
  }
  return u"なし";
}

ReadingDecider::ReadingDecider(const UserReadings& user, const CollectionTally& tally,
                               const ReadingDictionaries& dictionaries)
    : user_(user), tally_(tally), dictionaries_(dictionaries) {}

ReadingProposal ReadingDecider::Decide(std::u16string_view text) const {
  ReadingProposal p;
  p.text = std::u16string(text);
  const bool kanji = NeedsDictionary(text);
  DictionaryOpinion opinion;
  if (kanji) opinion = dictionaries_.Read(text);

  if (auto r = user_.Find(text)) {
    p.reading = *r;
    p.source = ReadingSource::UserFile;
    p.confirmed = true;
  } else if (auto c = tally_.MostCommon(text)) {
    p.reading = *c;
    p.source = ReadingSource::Collection;
    p.confirmed = true;
  } else if (!kanji) {
    p.reading = KanaReading(text);
    p.source = ReadingSource::Letters;
    p.confirmed = true;
  } else if (!opinion.first.reading.empty()) {
    // An incomplete reading (a kanji word the dictionary does not know) is still shown,
    // as a start for the user's own; it is never confirmed.
    p.reading = opinion.first.complete || opinion.alternatives.empty() ? opinion.first.reading
                                                                       : opinion.alternatives.front();
    p.source = ReadingSource::Dictionary;
    p.confirmed = opinion.agree;
  }
  if (!p.reading.empty()) p.alternatives.push_back(p.reading);
  for (const std::u16string& a : opinion.alternatives)
    if (std::find(p.alternatives.begin(), p.alternatives.end(), a) == p.alternatives.end())
      p.alternatives.push_back(a);
  return p;
}

void ReadingCounts::Count(const ReadingProposal& p) {
  if (p.reading.empty())
    ++unread;
  else if (p.confirmed)
    ++confirmed;
  else
    ++suggested;
}

std::u16string CountsText(const ReadingCounts& c) {
  return u"確定 " + FormatThousands(c.confirmed) + u" 件、候補 " + FormatThousands(c.suggested) + u" 件、読みなし " +
         FormatThousands(c.unread) + u" 件";
}

}  // namespace vq
