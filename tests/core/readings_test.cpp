// Sort readings: kana and width, the dictionaries (Debian's UniDic, IPA dictionary and
// NAIST-jdic, which ./test installs), the user's readings file and the collection
// winning over them.
#include <gtest/gtest.h>

#include "passes/kana.h"
#include "passes/reading_decision.h"
#include "platform/text.h"
#include "test_util.h"

using namespace vq;
using vqtest::ReadBytes;
using vqtest::TempDir;

namespace {

std::string U8(const std::u16string& s) { return Utf16ToUtf8(s); }

const ReadingDictionaries& Dictionaries() {
  static const ReadingDictionaries d;
  return d;
}

}  // namespace

TEST(KanaReading, KanaBecomeKatakanaWidthsAreNormalAndTheRestStays) {
  const struct {
    const char16_t* text;
    const char16_t* reading;
  } cases[] = {
      {u"きゃりーぱみゅぱみゅ", u"キャリーパミュパミュ"},  // long vowel mark kept
      {u"B'z", u"B'z"},
      {u"ＡＫＢ４８", u"AKB48"},
      {u"Ｍｒ．Ｃｈｉｌｄｒｅｎ　ｉｓ", u"Mr.Children is"},
      {u"ｶﾞｯﾂﾎﾟｰｽﾞ ｳﾞｫｲｽ", u"ガッツポーズ ヴォイス"},
      {u"ゔぁいおりん・ゝ", u"ヴァイオリン・ヽ"},
      {u"Beyoncé と ももクロZ", u"Beyoncé ト モモクロZ"},
      {u"乃木坂46", u"乃木坂46"},  // kanji are the dictionary's
  };
  for (const auto& c : cases) EXPECT_EQ(U8(KanaReading(c.text)), U8(c.reading)) << U8(c.text);
  EXPECT_TRUE(NeedsDictionary(u"乃木坂46"));
  EXPECT_TRUE(NeedsDictionary(u"霞ヶ関"));
  EXPECT_FALSE(NeedsDictionary(u"きゃりーぱみゅぱみゅ ＡＫＢ"));
  EXPECT_FALSE(HasReadingOfItsOwn(u"B'z"));
  EXPECT_TRUE(HasReadingOfItsOwn(u"ＡＫＢ４８"));
}

TEST(DictionaryReading, KanjiAreReadAndTheRestKeptInPlace) {
  ASSERT_TRUE(Dictionaries().available()) << U8(Dictionaries().missingMessage());
  ASSERT_TRUE(Dictionaries().hasSecond());
  ASSERT_TRUE(Dictionaries().hasUniDic());
  const struct {
    const char16_t* text;
    const char16_t* reading;
  } cases[] = {
      {u"乃木坂46", u"ノギザカ46"},
      {u"ＡＫＢ４８の歌", u"AKB48ノウタ"},
      {u"東京 事変", u"トウキョウ ジヘン"},  // a space stays where it was
      {u"夜空ノムコウ", u"ヨゾラノムコウ"},
      {u"銀河鉄道999", u"ギンガテツドウ999"},
      // UniDic quotes feature fields that hold commas (都: "B1SjS,B1S8SjS") before
      // the reading.
      {u"東京都の空", u"トウキョウトノソラ"},
  };
  for (const auto& c : cases) {
    const DictionaryOpinion o = Dictionaries().Read(c.text);
    EXPECT_EQ(U8(o.first.reading), U8(c.reading)) << U8(c.text);
    EXPECT_TRUE(o.first.complete) << U8(c.text);
    ASSERT_FALSE(o.alternatives.empty());
    EXPECT_EQ(U8(o.alternatives.front()), U8(c.reading)) << U8(c.text);
  }
  // Kanji no dictionary knows stay, and such a reading is never confirmed.
  const DictionaryOpinion unknown = Dictionaries().Read(u"一青窈");
  EXPECT_FALSE(unknown.first.complete);
  EXPECT_FALSE(unknown.agree);
}

// UniDic, where it is installed, gives the first reading and the IPA dictionary the
// second opinion; without it (a folder that holds none) the IPA dictionary and NAIST-jdic
// read as before, and nothing is said about it.
TEST(DictionaryReading, UniDicReadsFirstWhereInstalledElseTheIpaDictionaryAndNaistJdic) {
  TempDir dir;
  const ReadingDictionaries without({kIpaDictionaryFolder, kSecondDictionaryFolder, dir / "none"});
  ASSERT_TRUE(without.available());
  EXPECT_TRUE(without.hasSecond());
  EXPECT_FALSE(without.hasUniDic());
  EXPECT_TRUE(without.missingMessage().empty());
  ASSERT_TRUE(Dictionaries().hasUniDic());
  const struct {
    const char16_t* text;
    const char16_t* withUniDic;  // nullptr: no complete reading
    const char16_t* withoutUniDic;
  } cases[] = {
      {u"山下達郎", u"ヤマシタタツロウ", u"ヤマシタタツオ"},
      {u"倖田來未", u"コウダクミ", nullptr},
      {u"東京事変", u"トウキョウジヘン", u"トウキョウジヘン"},
  };
  for (const auto& c : cases) {
    for (const auto& [dictionaries, reading] :
         {std::pair{&Dictionaries(), c.withUniDic}, std::pair{&without, c.withoutUniDic}}) {
      const DictionaryOpinion o = dictionaries->Read(c.text);
      EXPECT_EQ(o.first.complete, reading != nullptr) << U8(c.text);
      if (reading) EXPECT_EQ(U8(o.first.reading), U8(reading)) << U8(c.text);
    }
  }
  EXPECT_TRUE(without.Read(u"東京事変").agree);
}

// Two dictionaries that agree on a clear first choice confirm it; a name whose kanji
// read in several ways (達郎: タツオ, タツロウ) stays a suggestion with its alternatives.
TEST(ReadingDecision, ConfirmedOnlyWhereTheDictionariesAgreeClearly) {
  const UserReadings none;
  const CollectionTally empty;
  const ReadingDecider decide(none, empty, Dictionaries());

  const ReadingProposal clear = decide.Decide(u"東京事変");
  EXPECT_EQ(U8(clear.reading), "トウキョウジヘン");
  EXPECT_EQ(clear.source, ReadingSource::Dictionary);
  EXPECT_TRUE(clear.confirmed);

  const ReadingProposal name = decide.Decide(u"山下達郎");
  EXPECT_FALSE(name.confirmed);
  EXPECT_NE(std::find(name.alternatives.begin(), name.alternatives.end(), u"ヤマシタタツロウ"), name.alternatives.end());

  const ReadingProposal kana = decide.Decide(u"きゃりーぱみゅぱみゅ");
  EXPECT_EQ(U8(kana.reading), "キャリーパミュパミュ");
  EXPECT_EQ(kana.source, ReadingSource::Letters);
  EXPECT_TRUE(kana.confirmed);

  ReadingCounts counts;
  for (const auto* p : {&clear, &name, &kana}) counts.Count(*p);
  EXPECT_EQ(U8(CountsText(counts)), "確定 2 件、候補 1 件、読みなし 0 件");
}

TEST(ReadingDecision, TheUserFileWinsOverTheCollectionWhichWinsOverTheDictionary) {
  const UserReadings user = UserReadings::Parse("山下達郎\tヤマシタタツロウ\n");
  CollectionTally tally;
  tally.Add(u"山下達郎", u"ヤマシタ");      // the user's file still wins
  tally.Add(u"故郷", u"フルサト");
  tally.Add(u"故郷", u"フルサト");
  tally.Add(u"故郷", u"コキョウ");          // the most common reading wins
  tally.Add(u"東京事変", u"東京事変");      // a "reading" with kanji is none
  const ReadingDecider decide(user, tally, Dictionaries());

  const ReadingProposal fromUser = decide.Decide(u"山下達郎");
  EXPECT_EQ(U8(fromUser.reading), "ヤマシタタツロウ");
  EXPECT_EQ(fromUser.source, ReadingSource::UserFile);
  EXPECT_TRUE(fromUser.confirmed);

  const ReadingProposal fromCollection = decide.Decide(u"故郷");  // the dictionaries say コキョウ
  EXPECT_EQ(U8(fromCollection.reading), "フルサト");
  EXPECT_EQ(fromCollection.source, ReadingSource::Collection);
  EXPECT_TRUE(fromCollection.confirmed);

  EXPECT_EQ(decide.Decide(u"東京事変").source, ReadingSource::Dictionary);
}

// Without a dictionary: one line naming the package, no reading of kanji; kana are
// still read.
TEST(ReadingDecision, WithoutTheDictionaryOneLineSaysWhatToInstall) {
  TempDir dir;
  const ReadingDictionaries missing({dir / "none", dir / "none either"});
  EXPECT_FALSE(missing.available());
  EXPECT_EQ(U8(missing.missingMessage()), "読みの辞書がありません(" + (dir / "none") +
                                              ")。漢字の読みには「sudo apt install mecab-ipadic-utf8」で辞書を入れてください。");
  const UserReadings none;
  const CollectionTally empty;
  const ReadingDecider decide(none, empty, missing);
  const ReadingProposal kanji = decide.Decide(u"東京事変");
  EXPECT_TRUE(kanji.reading.empty());
  EXPECT_EQ(kanji.source, ReadingSource::None);
  EXPECT_EQ(U8(decide.Decide(u"ゆず").reading), "ユズ");
}

TEST(UserReadings, BadLinesAreSkippedAndKeptWhenTheFileIsRewritten) {
  const std::string bytes =
      "\xEF\xBB\xBF# my readings\r\n"
      "山下達郎\tヤマシタタツロウ\r\n"
      "no tab here\n"
      "\tempty text\n"
      "empty reading\t\n"
      "bad \xFF bytes\tx\n"
      "故郷\tコキョウ\n"
      "故郷\tフルサト\n";
  const UserReadings u = UserReadings::Parse(bytes);
  EXPECT_EQ(u.size(), 2u);
  EXPECT_EQ(U8(*u.Find(u"山下達郎")), "ヤマシタタツロウ");
  EXPECT_EQ(U8(*u.Find(u"故郷")), "フルサト");  // the last line counts
  EXPECT_FALSE(u.Find(u"no tab here"));

  const std::string rewritten =
      WithReadings(bytes, {{u"故郷", u"フルサト"}, {u"炎", u"ホムラ"}, {u"tab\tinside", u"x"}, {u"炎", u"ホムラ"}});
  EXPECT_EQ(rewritten,
            "\xEF\xBB\xBF# my readings\n"
            "山下達郎\tヤマシタタツロウ\n"
            "no tab here\n"
            "\tempty text\n"
            "empty reading\t\n"
            "bad \xFF bytes\tx\n"
            "故郷\tフルサト\n"
            "炎\tホムラ\n");
}

TEST(UserReadings, LiveUnderXdgConfigHomeAndAreAddedInOneStep) {
  TempDir dir;
  vqtest::ScopedEnv config("XDG_CONFIG_HOME", (dir / "config").c_str());
  const std::string path = UserReadingsPath();
  EXPECT_EQ(path, dir / "config/velquist/readings.tsv");
  AddUserReadings(path, {{u"炎", u"ホムラ"}});  // the folders are made
  AddUserReadings(path, {{u"奏", u"カナデ"}});
  EXPECT_EQ(ReadBytes(path), "炎\tホムラ\n奏\tカナデ\n");
  EXPECT_EQ(U8(*UserReadings::Load(path).Find(u"奏")), "カナデ");
  EXPECT_EQ(UserReadings::Load(dir / "missing.tsv").size(), 0u);
}
