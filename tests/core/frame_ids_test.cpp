// The one table of what each frame id is: the editor's fields, the fields "v2参照(F8)"
// fills, the batch's names, under both versions' ids.
#include <gtest/gtest.h>

#include "formats/frame_ids.h"
#include "session/frame_roles.h"

using namespace vq;

TEST(FrameIds, EachFieldAndRoleUnderBothVersions) {
  const struct {
    const char* v22;
    const char* v23;
    int editorField;
    int mainField;
    BatchRole role;
  } rows[] = {
      {"TT2", "TIT2", 0, 0, BatchRole::Title},  {"TAL", "TALB", 1, 2, BatchRole::Album},
      {"TP1", "TPE1", 2, 1, BatchRole::Artist}, {"TCM", "TCOM", 3, -1, BatchRole::None},
      {"COM", "COMM", 4, 3, BatchRole::None},   {"TYE", "TYER", 5, 4, BatchRole::None},
      {"TCO", "TCON", 6, 5, BatchRole::None},   {"TT1", "TIT1", -1, -1, BatchRole::None},
      {"PIC", "APIC", -1, -1, BatchRole::None},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.v23);
    for (const char* id : {r.v22, r.v23}) {
      const FrameIdInfo* info = FrameIdOf(std::string_view(id));
      ASSERT_NE(info, nullptr);
      EXPECT_STREQ(info->v23, r.v23);
      EXPECT_EQ(EditorFieldOf(std::u16string(id, id + std::char_traits<char>::length(id))), r.editorField);
      EXPECT_EQ(MainFieldOf(std::u16string(id, id + std::char_traits<char>::length(id))), r.mainField);
      EXPECT_EQ(info->batchRole, r.role);
      EXPECT_EQ(FrameIdOf(std::u16string(id, id + std::char_traits<char>::length(id))), info);
    }
    EXPECT_EQ(MapV22Id(r.v22), r.v23);
    if (r.editorField >= 0) EXPECT_STREQ(EditorFieldId(r.editorField), r.v23);
  }
  EXPECT_STREQ(BatchRoleId(BatchRole::Artist), "TPE1");
  EXPECT_STREQ(BatchRoleId(BatchRole::Album), "TALB");
  EXPECT_STREQ(BatchRoleId(BatchRole::Title), "TIT2");
}

TEST(FrameIds, IdsTheTableDoesNotHold) {
  for (const char* id : {"CRM", "XYZ", "TDRC", "TXXXX", "", "TI"}) EXPECT_EQ(FrameIdOf(std::string_view(id)), nullptr) << id;
  EXPECT_EQ(EditorFieldOf(u"TDRC"), -1);
  EXPECT_EQ(MapV22Id("TIT2"), "");  // a v2.3 id is no v2.2 id
}
