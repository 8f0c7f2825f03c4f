#include "scenario/Xp3Archive.h"
#include "platform/Files.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <zlib.h>

namespace {

using sw::xp3::CArchiveReader;
using sw::xp3::PackInput;
using sw::xp3::PackResult;

void Le(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>(value >> (8 * i)));
}

std::string Magic() {
    return std::string("XP3\r\n \n\x1A\x8B\x67\x01", 11);
}

std::string Chunk(const char* tag, const std::string& body) {
    std::string chunk(tag, 4);
    Le(chunk, body.size(), 8);
    return chunk + body;
}

std::string Info(std::u16string_view name, std::uint64_t size, std::uint64_t stored,
                 std::uint32_t flags = 0, std::size_t nameLength = SIZE_MAX) {
    std::string body;
    Le(body, flags, 4);
    Le(body, size, 8);
    Le(body, stored, 8);
    Le(body, nameLength == SIZE_MAX ? name.size() : nameLength, 2);
    for (char16_t unit : name)
        Le(body, unit, 2);
    return Chunk("info", body);
}

std::string Segm(std::uint32_t flags, std::uint64_t offset, std::uint64_t size,
                 std::uint64_t stored) {
    std::string body;
    Le(body, flags, 4);
    Le(body, offset, 8);
    Le(body, size, 8);
    Le(body, stored, 8);
    return Chunk("segm", body);
}

std::uint32_t Adler(const std::string& data) {
    return static_cast<std::uint32_t>(
        adler32(1, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

std::string FileChunk(const std::string& info, const std::string& segm, std::uint32_t adler) {
    std::string adlr;
    Le(adlr, adler, 4);
    return Chunk("File", info + segm + Chunk("adlr", adlr));
}

// What compress2 makes of `data` at the packer's level.
std::string Zlib(const std::string& data) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &size,
              reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size()),
              sw::xp3::kZlibLevel);
    out.resize(size);
    return out;
}

// The plain header, `data` from offset 19, then a raw index block.
std::string RawArchive(const std::string& data, const std::string& index) {
    std::string archive = Magic();
    Le(archive, 19 + data.size(), 8);
    archive += data;
    archive += '\0';
    Le(archive, index.size(), 8);
    return archive + index;
}

// "hello" at offset 19, under `name`.
std::string HelloArchive(std::u16string_view name, std::uint32_t flags = 0) {
    return RawArchive("hello",
                      FileChunk(Info(name, 5, 5, flags), Segm(0, 19, 5, 5), Adler("hello")));
}

std::string Noise(std::size_t size, std::uint32_t seed) {
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 23);
    }
    return bytes;
}

std::string ReadAll(const CArchiveReader& reader, const sw::xp3::Entry& entry,
                    std::string& message) {
    std::string data;
    if (!reader.Read(
            entry,
            [&](std::string_view part) {
                data += part;
                return true;
            },
            message))
        return "<failed>";
    return data;
}

} // namespace

TEST(Xp3Archive, TwoFilesAsTheLayoutGivesThem) {
    TempFolder temp;
    std::string text;
    for (int i = 0; i < 20; ++i)
        text += "*start|始まり\r\n[cm]ソ表の能力。[p]\r\n";
    const std::string picture = "\x89PNG\r\n\x1A\n" + Noise(300, 7);
    std::vector<PackInput> inputs = {
        {"scenario/first.ks", temp.Write("a.ks", text), true},
        {"bgimage/sky.png", temp.Write("b.png", picture), false},
    };
    PackResult result;
    const std::string archive = temp.File("data.xp3");
    ASSERT_TRUE(sw::xp3::WriteArchive(archive, inputs, result)) << result.message;

    // Sorted by name: the stored picture first, then the script, whose data
    // is what compress2 gives at the packer's level (6).
    const std::string deflated = Zlib(text);
    const std::string index =
        FileChunk(Info(u"bgimage/sky.png", picture.size(), picture.size()),
                  Segm(0, 19, picture.size(), picture.size()), Adler(picture)) +
        FileChunk(Info(u"scenario/first.ks", text.size(), deflated.size()),
                  Segm(1, 19 + picture.size(), text.size(), deflated.size()), Adler(text));
    std::string expected = Magic();
    Le(expected, 19 + picture.size() + deflated.size(), 8);
    expected += picture + deflated;
    const std::string packedIndex = Zlib(index);
    expected += '\x01';
    Le(expected, packedIndex.size(), 8);
    Le(expected, index.size(), 8);
    expected += packedIndex;
    EXPECT_EQ(ReadFileOrEmpty(archive), expected);
    EXPECT_EQ(result.archiveSize, expected.size());
}

TEST(Xp3Archive, RoundTripOfJapaneseNamesEmptyAndDuplicateFiles) {
    TempFolder temp;
    std::string script;
    while (script.size() < (3u << 19))
        script += "ソ表能十―「予定表」を見る。\r\n";
    const std::string picture = Noise(3u << 20, 1);
    const std::vector<std::pair<std::string, std::string>> files = {
        {"ソ表/能十.ks", script}, {"画像/背景.png", picture}, {"画像/コピー.png", picture},
        {"空/a.txt", ""},         {"空/b.txt", ""},           {"noise.wav", Noise(200000, 2)},
    };
    std::vector<PackInput> inputs;
    for (const auto& [name, bytes] : files)
        inputs.push_back({name, temp.Write("src/" + name, bytes), !name.ends_with(".png")});
    PackResult result;
    const std::string archive = temp.File("data.xp3");
    ASSERT_TRUE(sw::xp3::WriteArchive(archive, inputs, result)) << result.message;
    std::vector<std::string> faults;
    EXPECT_TRUE(sw::xp3::VerifyArchive(archive, result, faults));

    CArchiveReader reader;
    std::string message;
    ASSERT_TRUE(reader.Open(archive, message)) << message;
    std::vector<std::u16string> names;
    for (const sw::xp3::Entry& entry : reader.Entries())
        names.push_back(entry.name);
    EXPECT_EQ(names, (std::vector<std::u16string>{u"noise.wav", u"ソ表/能十.ks", u"画像/コピー.png",
                                                  u"画像/背景.png", u"空/a.txt", u"空/b.txt"}));
    // Random bytes gain nothing from zlib; the two pictures share one block.
    EXPECT_FALSE(result.files[0].compressed);
    EXPECT_TRUE(result.files[1].compressed);
    EXPECT_LT(result.files[1].storedSize, script.size() / 10);
    EXPECT_EQ(result.files[3].sameAs, 2);
    EXPECT_EQ(reader.Entries()[3].segments[0].offset, reader.Entries()[2].segments[0].offset);
    EXPECT_LT(result.archiveSize, picture.size() + 300000);

    const std::string out = temp.File("out");
    sw::files::CreateDirectory(out);
    for (const sw::xp3::Entry& entry : reader.Entries())
        EXPECT_TRUE(reader.Extract(entry, out, message)) << message;
    for (const auto& [name, bytes] : files) {
        EXPECT_TRUE(sw::files::FileExists(out + "/" + name)) << name;
        EXPECT_TRUE(ReadFileOrEmpty(out + "/" + name) == bytes) << name;
    }
}

TEST(Xp3Archive, SameFilesGiveTheSameBytesWhateverTheirOrderAndTimes) {
    TempFolder temp;
    std::vector<PackInput> inputs = {
        {"b.ks", temp.Write("b.ks", "[p]\r\n"), true},
        {"a.png", temp.Write("a.png", Noise(5000, 3)), false},
        {"c/d.txt", temp.Write("d.txt", "text text text text"), true},
    };
    PackResult first, second;
    ASSERT_TRUE(sw::xp3::WriteArchive(temp.File("1.xp3"), inputs, first));
    for (const PackInput& input : inputs) {
        std::string native;
        sw::files::ToNativePath(input.path, native);
        const timespec times[2] = {{1000000, 0}, {1000000, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, native.c_str(), times, 0), 0);
    }
    std::reverse(inputs.begin(), inputs.end());
    ASSERT_TRUE(sw::xp3::WriteArchive(temp.File("2.xp3"), inputs, second));
    EXPECT_EQ(ReadFileOrEmpty(temp.File("1.xp3")), ReadFileOrEmpty(temp.File("2.xp3")));

    inputs.push_back({"B.KS", inputs.front().path, true});
    inputs.push_back({"b.ks", inputs.front().path, true});
    EXPECT_FALSE(sw::xp3::WriteArchive(temp.File("3.xp3"), inputs, second));
    EXPECT_NE(second.message.find("が二つあります"), std::string::npos) << second.message;
    for (const char* bad : {"../up.ks", "/abs.ks", "a//b.ks", "a\\b.ks"}) {
        EXPECT_FALSE(
            sw::xp3::WriteArchive(temp.File("4.xp3"), {{bad, inputs[0].path, true}}, second))
            << bad;
    }
}

TEST(Xp3Archive, DamagedDataFailsTheReadBackNamingTheFile) {
    TempFolder temp;
    std::vector<PackInput> inputs = {
        {"a.png", temp.Write("a.png", Noise(4000, 4)), false},
        {"b.ks", temp.Write("b.ks", std::string(5000, 'x')), true},
    };
    PackResult result;
    const std::string archive = temp.File("data.xp3");
    ASSERT_TRUE(sw::xp3::WriteArchive(archive, inputs, result));
    std::string bytes = ReadFileOrEmpty(archive);
    bytes[19 + 100] ^= 0x01;      // inside a.png's stored data
    bytes[19 + 4000 + 4] ^= 0x55; // inside b.ks's deflate stream
    temp.Write("data.xp3", bytes);
    std::vector<std::string> faults;
    EXPECT_FALSE(sw::xp3::VerifyArchive(archive, result, faults));
    ASSERT_EQ(faults.size(), 2u);
    EXPECT_NE(faults[0].find("a.png の Adler-32 が索引と違います"), std::string::npos) << faults[0];
    EXPECT_NE(faults[1].find("b.ks"), std::string::npos) << faults[1];
}

TEST(Xp3Archive, BrokenArchivesAreRefusedWithAReason) {
    const std::string good = HelloArchive(u"a.txt");
    auto withOffset = [&](std::uint64_t offset) {
        std::string bytes = good.substr(0, 11);
        Le(bytes, offset, 8);
        return bytes + good.substr(19);
    };
    auto zlibIndex = [](std::uint64_t packed, std::uint64_t size, const std::string& data) {
        std::string bytes = Magic();
        Le(bytes, 19, 8);
        bytes += '\x01';
        Le(bytes, packed, 8);
        Le(bytes, size, 8);
        return bytes + data;
    };
    auto file = [](const std::string& info, const std::string& segm) {
        return RawArchive("hello", FileChunk(info, segm, Adler("hello")));
    };
    std::string endless = Magic();
    Le(endless, 19, 8);
    endless += '\x80';
    Le(endless, 0, 8);
    Le(endless, 19, 8); // the next block is this one again
    std::string chunkPastTheIndex = "File";
    Le(chunkPastTheIndex, 0xFFFFFFFF, 8);
    std::string flagThree = good;
    flagThree[19 + 5] = '\x03';
    const struct {
        const char* what;
        std::string bytes;
        const char* reason;
    } cases[] = {
        {"empty", "", "XP3 アーカイブではありません"},
        {"cut in the magic", Magic().substr(0, 7), "途中で切れています"},
        {"cut before the index offset", Magic() + "\x13", "途中で切れています"},
        {"cut in the index", good.substr(0, good.size() - 3), "途中で切れています"},
        {"bad magic", "PK\x03\x04" + good.substr(4), "XP3 アーカイブではありません"},
        {"index offset past the end", withOffset(good.size() + 100), "索引の位置がファイルの外"},
        {"index offset near 2^64", withOffset(~std::uint64_t{0} - 4), "索引の位置がファイルの外"},
        {"zlib index that does not inflate", zlibIndex(10, 100, std::string(10, '\x5A')),
         "zlib の索引を展開できません"},
        {"zlib index longer than it says", zlibIndex(Zlib("abc").size(), 2, Zlib("abc")),
         "zlib の索引を展開できません"},
        {"absurd index size", zlibIndex(10, std::uint64_t{1} << 40, std::string(10, 'x')),
         "索引の大きさがあり得ません"},
        {"unknown index kind", flagThree, "索引の形式 3 は読めません"},
        {"endless chain of index blocks", endless, "索引の連鎖が長すぎます"},
        {"segment past the end", file(Info(u"a.txt", 5, 5), Segm(0, 1000, 5, 5)),
         "a.txt のデータがファイルの外"},
        {"segment size near 2^64", file(Info(u"a.txt", 5, 5), Segm(0, 19, 5, ~std::uint64_t{0})),
         "a.txt のデータがファイルの外"},
        {"name length past the chunk", file(Info(u"a.txt", 5, 5, 0, 200), Segm(0, 19, 5, 5)),
         "名前の長さが info チャンクを超えています"},
        {"sizes that do not add up", file(Info(u"a.txt", 6, 6), Segm(0, 19, 5, 5)),
         "a.txt の大きさが合いません"},
        {"raw segment with two sizes", file(Info(u"a.txt", 9, 5), Segm(0, 19, 9, 5)),
         "a.txt のデータの大きさがあり得ません"},
        {"zlib segment of absurd size", file(Info(u"a.txt", 1u << 30, 5), Segm(1, 19, 1u << 30, 5)),
         "a.txt のデータの大きさがあり得ません"},
        {"File without segm", RawArchive("hello", Chunk("File", Info(u"a.txt", 5, 5))),
         "info か segm のチャンクがありません"},
        {"chunk past the index", RawArchive("", chunkPastTheIndex), "索引の外に及んでいます"},
        {"short info", file(Chunk("info", "abc"), Segm(0, 19, 5, 5)), "info チャンクが短すぎます"},
    };
    TempFolder temp;
    for (const auto& broken : cases) {
        const std::string path = temp.Write("broken.xp3", broken.bytes);
        CArchiveReader reader;
        std::string message;
        EXPECT_FALSE(reader.Open(path, message)) << broken.what;
        EXPECT_NE(message.find(broken.reason), std::string::npos) << broken.what << ": " << message;
        EXPECT_TRUE(reader.Entries().empty()) << broken.what;
    }
}

TEST(Xp3Archive, ReadsTheCushionedHeaderAndArchivesInAnExecutable) {
    // As the engine's release tool writes it: the index offset names a
    // block with the continue bit, whose next offset names the real index.
    const std::string index = FileChunk(Info(u"a.txt", 5, 5), Segm(0, 40, 5, 5), Adler("hello"));
    std::string cushioned = Magic();
    Le(cushioned, 23, 8);
    Le(cushioned, 1, 4);
    cushioned += '\x80';
    Le(cushioned, 0, 8);
    Le(cushioned, 45, 8);
    cushioned += "hello";
    cushioned += '\0';
    Le(cushioned, index.size(), 8);
    cushioned += index;
    const std::string embedded = "MZ" + std::string(62, '\x90') + HelloArchive(u"a.txt");
    TempFolder temp;
    for (const std::string& bytes : {cushioned, embedded}) {
        CArchiveReader reader;
        std::string message;
        ASSERT_TRUE(reader.Open(temp.Write("game.xp3", bytes), message)) << message;
        ASSERT_EQ(reader.Entries().size(), 1u);
        EXPECT_EQ(ReadAll(reader, reader.Entries()[0], message), "hello") << message;
    }
    CArchiveReader reader;
    std::string message;
    EXPECT_FALSE(reader.Open(temp.Write("plain.exe", "MZ" + std::string(100, '\0')), message));
    EXPECT_NE(message.find("XP3 アーカイブを含んでいません"), std::string::npos) << message;
}

TEST(Xp3Archive, ExtractWritesOnlyBelowTheFolderAndFollowsNoLink) {
    std::string index;
    for (std::u16string_view name :
         {u"../escape.txt", u"/abs.txt", u"a/../../x.txt", u"a\\..\\..\\y.txt", u"C:/drive.txt",
          u"link/in.txt", u"./dot.txt", u"leaf.txt", u"ok/fine.txt"})
        index += FileChunk(Info(name, 5, 5), Segm(0, 19, 5, 5), Adler("hello"));
    index += FileChunk(Info(u"secret.txt", 5, 5, sw::xp3::kProtectedFlag), Segm(0, 19, 5, 5),
                       Adler("hello"));
    TempFolder temp;
    const std::string out = temp.File("out/deep");
    temp.Write("outside/target.txt", "keep");
    temp.Write("out/deep/.keep", "");
    std::filesystem::create_directory_symlink("../../outside", out + "/link");
    std::filesystem::create_symlink("../../outside/target.txt", out + "/leaf.txt");
    CArchiveReader reader;
    std::string message;
    ASSERT_TRUE(reader.Open(temp.Write("hostile.xp3", RawArchive("hello", index)), message));
    std::vector<std::string> written;
    for (const sw::xp3::Entry& entry : reader.Entries()) {
        if (reader.Extract(entry, out, message))
            written.push_back(sw::xp3::Utf8Name(entry.name));
    }
    EXPECT_EQ(written, (std::vector<std::string>{"leaf.txt", "ok/fine.txt"}));
    EXPECT_EQ(ReadFileOrEmpty(temp.File("outside/target.txt")), "keep");
    EXPECT_EQ(ReadFileOrEmpty(out + "/leaf.txt"), "hello");
    EXPECT_FALSE(std::filesystem::is_symlink(out + "/leaf.txt"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.File("outside")),
                            std::filesystem::directory_iterator()),
              1);
    for (const char* escaped : {"escape.txt", "x.txt", "y.txt", "out/x.txt", "out/y.txt"})
        EXPECT_FALSE(sw::files::FileExists(temp.File(escaped))) << escaped;
}
