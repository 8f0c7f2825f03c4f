#include "model/SwSettings.h"
#include "document/ScenewrightDoc.h"
#include "model/cells/SwCharacter.h"
#include "platform/TextOutput.h"
#include "support/XmlFixture.h"

#include <gtest/gtest.h>

namespace {

std::string Written(const CSwObj& object, std::string_view folder = {}) {
    CStringOutput out(false);
    object.WriteXml(folder, &out);
    return out.Text();
}

std::unique_ptr<CSwSettings> ReadSettings(const std::string& element, std::string_view folder) {
    ParsedElement parsed(element, "SwObject");
    if (!parsed.Ok())
        return nullptr;
    const CSwSettings prototype;
    auto object = prototype.ReadObject(SwType::Settings, folder, parsed.Node());
    return std::unique_ptr<CSwSettings>(static_cast<CSwSettings*>(object.release()));
}

} // namespace

TEST(SwSettings, ResetObjectWritesTheDefaults) {
    EXPECT_EQ(Written(CSwSettings()), R"(<SwObject>
  <id>0</id>
  <type>1</type>
  <parent_id>0</parent_id>
  <child_id>0</child_id>
  <prev_id>0</prev_id>
  <next_id>0</next_id>
  <comment>""</comment>
  <height>480</height>
  <width>640</width>
  <laycount>3</laycount>
  <msglaycount>2</msglaycount>
  <encrypt>0</encrypt>
  <savewidhimage>0</savewidhimage>
  <freesave>0</freesave>
  <savelocation>"savedata"</savelocation>
  <saveprefix>""</saveprefix>
  <name>""</name>
  <root>""</root>
  <bgmtype>0</bgmtype>
  <deflinkcol>0x000080FF</deflinkcol>
  <htvertivalview>0</htvertivalview>
  <htstorestate>0</htstorestate>
  <htmaxpages>100</htmaxpages>
  <htmaxlines>2000</htmaxlines>
</SwObject>
)");
}

TEST(SwSettings, ReadsValuesListsCharactersAndConvertsThem) {
    CScenewrightDoc doc;
    auto settings = ReadSettings(R"(<SwObject>
  <type>1</type>
  <encrypt>7</encrypt><savewidhimage>7</savewidhimage><freesave>7</freesave>
  <htvertivalview>7</htvertivalview>
  <deflinkcol>0x00FF0000</deflinkcol>
  <name>"a&lt;b"</name>
  <backcg>"./bg/1.png"</backcg><backcg>"./bg/a&amp;b.png"</backcg><backcg>"./bg/3.png"</backcg>
  <clct><type>113</type><id>9</id><lastname>"山田"</lastname><firstname>"一郎"</firstname></clct>
  <clct><type>102</type><id>10</id></clct>
  <clct><type>555</type></clct>
  <mystery>1</mystery>
</SwObject>
)",
                                 doc.GetProjectFileFolder());
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->encrypt, 1);
    EXPECT_EQ(settings->savewidhimage, 1);
    EXPECT_EQ(settings->freesave, 1);
    EXPECT_EQ(settings->htvertivalview, 1);
    EXPECT_EQ(settings->deflinkcol, 0x000000FF);
    EXPECT_EQ(settings->name, "a<b");
    EXPECT_EQ(settings->backcg,
              (std::vector<std::string>{"./bg/1.png", "./bg/a&b.png", "./bg/3.png"}));
    // A message cell is made but is no character: the count skips it.
    EXPECT_EQ(settings->characters.size(), 2u);
    EXPECT_EQ(settings->GetCharacterCount(), 1);
    EXPECT_EQ(settings->GetCharacterAt(0)->FullName(), "山田一郎");
    EXPECT_EQ(settings->GetCharacterAt(1), nullptr);

    const std::string written = Written(*settings);
    EXPECT_NE(written.find("<deflinkcol>0x00FF0000</deflinkcol>"), std::string::npos);
    EXPECT_NE(written.find("<name>\"a&lt;b\"</name>"), std::string::npos);
    EXPECT_NE(
        written.find("  <backcg>\"./bg/1.png\"</backcg>\n  <backcg>\"./bg/a&amp;b.png\"</backcg>\n"
                     "  <backcg>\"./bg/3.png\"</backcg>\n<clct>\n"),
        std::string::npos);
}

TEST(SwSettings, AssignCopiesOnlyFromSettingsAndBackgroundsIgnoreCase) {
    CSwSettings source;
    source.width = 800;
    auto character = std::make_unique<CSwCharacter>();
    character->SetText(CSwCharacter::kFirstName, "花子");
    source.AddCharacter(std::move(character));
    CSwSettings target;
    target.Assign(source);
    EXPECT_EQ(target.width, 800);
    ASSERT_EQ(target.GetCharacterCount(), 1);
    EXPECT_NE(target.GetCharacterAt(0), source.GetCharacterAt(0)); // a copy, not shared
    CSwCharacter notSettings;
    target.Assign(notSettings);
    EXPECT_EQ(target.width, 800);

    EXPECT_TRUE(target.AddBackgroundPath("/p/BG/a.png"));
    EXPECT_FALSE(target.AddBackgroundPath("/p/bg/A.PNG"));
    EXPECT_EQ(target.backcg.size(), 1u);
    EXPECT_TRUE(target.RemoveBackgroundPath("/P/BG/A.png"));
    EXPECT_FALSE(target.RemoveBackgroundPath("/p/bg/a.png"));
    target.RemoveAllCharacters();
    EXPECT_EQ(target.GetCharacterCount(), 0);
}
