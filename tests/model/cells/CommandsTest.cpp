#include "document/DocumentUpdate.h"
#include "document/LogLine.h"
#include "document/ScenewrightDoc.h"
#include "model/cells/CommandCatalogue.h"
#include "model/cells/CreateObject.h"
#include "model/cells/LayerNames.h"
#include "model/cells/SwCharacter.h"
#include "model/cells/SwKagPlugin.h"
#include "model/cells/SwMessage.h"
#include "platform/TextOutput.h"
#include "support/CellFixture.h"
#include "support/CollectingView.h"
#include "support/XmlFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

TEST(MessageCell, BuildWritesHistoryClearTextAndWait) {
    CSwMessage message;
    message.SetMessage("こんにちは");
    EXPECT_EQ(BuildText(message), "[history output=true]\n[cm]\nこんにちは[p]\n");
    message.SetClean(false);
    message.SetLogMsg(false);
    EXPECT_EQ(BuildText(message), "[history output=false]\nこんにちは[l][r]\n");
    CSwMessage empty;
    EXPECT_EQ(BuildText(empty), "[history output=true]\n[cm]\n[p]\n");
    EXPECT_FALSE(empty.Build(nullptr, nullptr));
}

TEST(MessageCell, RecordRoundTripKeepsQuotesEntitiesAndFlags) {
    auto cell = ReadCell(R"(<clct>
  <id>3</id>
  <type>102</type>
  <message>"&quot;a&amp;b&lt;c&gt;&quot;	tab
line"</message>
  <clean>5</clean>
  <logmsg>0</logmsg>
</clct>
)");
    ASSERT_TRUE(cell);
    auto& message = static_cast<CSwMessage&>(*cell);
    EXPECT_EQ(message.message(), "\"a&b<c>\"\ttab\nline");
    EXPECT_EQ(message.Integer(CSwMessage::kClean), 1);
    EXPECT_EQ(Written(message), R"(<clct>
  <id>3</id>
  <type>102</type>
  <parent_id>0</parent_id>
  <child_id>0</child_id>
  <prev_id>0</prev_id>
  <next_id>0</next_id>
  <comment>""</comment>
  <message>"&quot;a&amp;b&lt;c&gt;&quot;	tab
line"</message>
  <clean>1</clean>
  <logmsg>0</logmsg>
</clct>
)");
    CSwKagPlugin plugin;
    EXPECT_FALSE(plugin.WriteXmlOf({}, nullptr, &message));
    CStringOutput out;
    EXPECT_FALSE(plugin.WriteXmlOf({}, &out, &message));
    EXPECT_TRUE(out.Text().empty());
}

TEST(CharacterRecord, FullNameOrderSeparatorsAndStoredValues) {
    CSwCharacter c;
    c.SetText(CSwCharacter::kLastName, "山田");
    c.SetText(CSwCharacter::kFirstName, "一郎");
    EXPECT_EQ(c.FullName(), "山田一郎");
    c.SetInteger(CSwCharacter::kNameOrder, 0);
    EXPECT_EQ(c.FullName(), "一郎山田");

    CSwCharacter pink;
    pink.SetText(CSwCharacter::kFirstName, "ピンク");
    pink.SetText(CSwCharacter::kMiddleName, "マーク");
    pink.SetText(CSwCharacter::kLastName, "パンサー");
    pink.SetInteger(CSwCharacter::kDelimiter, 1);
    pink.SetInteger(CSwCharacter::kNameOrder, 0);
    EXPECT_EQ(pink.FullName(), "ピンク・マーク・パンサー");

    auto read = ReadCell("<clct><type>113</type><id>1</id><lastname>\"x\"</lastname>"
                         "<delimiter>7</delimiter><msgcolor>0x00FF0000</msgcolor></clct>");
    ASSERT_TRUE(read);
    auto& stored = static_cast<CSwCharacter&>(*read);
    EXPECT_EQ(stored.delimiter(), 7);
    EXPECT_EQ(stored.FullName(), "x");
    EXPECT_EQ(stored.msgcolor(), 0x000000FF);
    const std::string written = Written(stored);
    EXPECT_NE(written.find("<delimiter>7</delimiter>"), std::string::npos);
    EXPECT_NE(written.find("<msgcolor>0x00FF0000</msgcolor>"), std::string::npos);

    CSwCharacter equals;
    equals.SetText(CSwCharacter::kLastName, "山田");
    equals.SetInteger(CSwCharacter::kDelimiter, 2);
    EXPECT_EQ(equals.FullName(), "山田＝");
}

TEST(CommandFamily, FactoryCopiesAndFieldlessRecords) {
    EXPECT_EQ(CreateObject(101), nullptr);
    EXPECT_EQ(CreateObject(130), nullptr);
    EXPECT_EQ(ReadCell("<clct><type>130</type><id>1</id></clct>"), nullptr);
    EXPECT_EQ(ReadCell("<clct><id>1</id></clct>"), nullptr);

    CSwMessage message;
    EXPECT_EQ(message.CreateCopy(&message), nullptr); // id 0
    auto fresh = message.CreateCopy(nullptr);
    ASSERT_TRUE(fresh);
    EXPECT_EQ(fresh->type, SwType::Message);
    message.id = 4;
    message.comment = "c";
    message.SetMessage("m");
    auto copy = message.CreateCopy(&message);
    EXPECT_EQ(copy->id, 4);
    EXPECT_EQ(copy->comment, "c");
    EXPECT_EQ(static_cast<CSwMessage&>(*copy).message(), "m");
    auto clone = message.Clone();
    EXPECT_EQ(clone->id, 0);
    EXPECT_EQ(clone->comment, "");
    EXPECT_EQ(static_cast<CSwMessage&>(*clone).message(), "m");

    auto plugin = ReadCell("<clct><id>8</id><type>126</type><comment>\"k\"</comment></clct>");
    ASSERT_TRUE(plugin);
    EXPECT_EQ(Written(*plugin), R"(<clct>
  <id>8</id>
  <type>126</type>
  <parent_id>0</parent_id>
  <child_id>0</child_id>
  <prev_id>0</prev_id>
  <next_id>0</next_id>
  <comment>"k"</comment>
</clct>
)");
    CScenewrightDoc doc;
    CollectingLog view;
    doc.AddLogSink(&view);
    EXPECT_EQ(BuildText(*plugin, &doc), "");
    EXPECT_EQ(view.lines, std::vector<std::string>{"シーン番号8: "});
    EXPECT_STREQ(plugin->RuntimeClassName(), "CSwObj");
}

TEST(CommandFamily, CatalogueListsEveryTypeOnce) {
    std::vector<int> ids;
    for (const CommandTypeInfo& info : CommandCatalogue())
        ids.push_back(info.type);
    std::sort(ids.begin(), ids.end());
    std::vector<int> expected(28);
    std::iota(expected.begin(), expected.end(), 102);
    EXPECT_EQ(ids, expected);
    EXPECT_STREQ(CommandCatalogue().front().trayName, "文章");
    EXPECT_STREQ(FindCommandType(106)->listName, "裏画面にコピー");
    EXPECT_EQ(FindCommandType(113)->trayName, nullptr);
    EXPECT_EQ(FindCommandType(9), nullptr);
}

TEST(LayerNames, PositionsAndNamesBothWays) {
    LayerNames plain(2, 1, false, false);
    const char* names[] = {"base", "0", "1", "message0", ""};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(plain.NameAt(i), names[i]) << i;
    EXPECT_EQ(plain.LabelAt(1), "前景レイヤ0");
    EXPECT_EQ(plain.LabelAt(3), "メッセージレイヤ0");
    EXPECT_EQ(plain.PositionOf("message0"), 3);
    EXPECT_EQ(plain.PositionOf("1"), 2);
    EXPECT_EQ(plain.PositionOf("base"), 0);
    EXPECT_EQ(plain.PositionOf("bogus"), 1);

    LayerNames full(2, 1, true, true);
    EXPECT_EQ(full.NameAt(0), "none");
    EXPECT_EQ(full.NameAt(1), "all");
    EXPECT_EQ(full.LabelAt(1), "(全レイヤ)");
    EXPECT_EQ(full.NameAt(2), "base");
    EXPECT_EQ(full.PositionOf("message0"), 5);
    EXPECT_EQ(full.NameAt(-1), "");
}
