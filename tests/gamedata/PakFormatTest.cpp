#include "gamedata/ZT_PakFormat.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "gamedata/BRQX_Encryption.h"

namespace {

std::vector<uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }
std::vector<uint8_t> Join(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

TEST(PakTrailer, RecognisesEachFormFromTheEnd) {
  const std::string secret = TTarskEncryptionType(4, 3).Encrypt("pass");
  struct Case {
    const char* what;
    std::vector<uint8_t> tail;
    TTrailerForm form;
    uint32_t length;
    std::string password;
    bool official;
  } cases[] = {
      {"no trailer", Bytes("....header ends here"), TTrailerForm::None, 0, "", false},
      {"short form", Bytes("dataZTP2abc12XYZ!"), TTrailerForm::Short, 13, "abc12XYZ", false},
      {"short form stops at zero", Join({Bytes("ZTP2abc"), {0}, Bytes("defgh")}), TTrailerForm::Short, 13,
       "abc", false},
      {"short form, empty", Join({Bytes("ZTP2"), {0, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'}}),
       TTrailerForm::Short, 13, "", false},
      {"EIH1", Join({Bytes("xxZTP3"), {1, 0}, Bytes("EIH1"), {4, 3, 4, 0}, Bytes(secret)}),
       TTrailerForm::Eih1, 18, "pass", false},
      {"EIH2 official", Join({Bytes("ZTP3"), {1, 0}, Bytes("EIH2"), {4, 3, 4, 0}, Bytes(secret), {1}}),
       TTrailerForm::Eih2, 19, "pass", true},
      {"EIH2 empty password", Join({Bytes("ZTP3"), {1, 0}, Bytes("EIH2"), {2, 3, 0, 0, 0}}),
       TTrailerForm::Eih2, 15, "", false},
      {"marker without password block", Join({Bytes("ZTP3"), {1, 0}, Bytes("junk")}), TTrailerForm::Marker,
       10, "", false},
      {"marker at the very end", Join({Bytes("abcZTP3"), {1, 0}}), TTrailerForm::None, 0, "", false},
  };
  for (const auto& c : cases) {
    const auto trailer = ParseTrailer(c.tail);
    ASSERT_TRUE(trailer) << c.what;
    EXPECT_EQ(trailer->form, c.form) << c.what;
    EXPECT_EQ(trailer->length, c.length) << c.what;
    EXPECT_EQ(trailer->password, c.password) << c.what;
    EXPECT_EQ(trailer->official, c.official) << c.what;
  }
}

TEST(PakTrailer, MarkerFurtherThanFiftyBytesIsNotSeen) {
  std::vector<uint8_t> tail = Join({Bytes("ZTP3"), {1, 0}, Bytes("EIH1"), {2, 2, 0, 0}});
  tail.resize(50 + 6, 'z');  // block of exactly 50 bytes: found
  EXPECT_EQ(ParseTrailer(tail)->length, 56u);
  tail.push_back('z');  // 51 bytes: out of reach
  EXPECT_EQ(ParseTrailer(std::span(tail).last(kTrailerTail))->form, TTrailerForm::None);
}

TEST(PakTrailer, DamagedPasswordBlocksAreRefused) {
  struct Case {
    const char* what;
    std::vector<uint8_t> tail;
  } cases[] = {
      {"length past the end", Join({Bytes("ZTP3"), {1, 0}, Bytes("EIH1"), {2, 2, 9, 0}, Bytes("abc")})},
      {"official byte missing", Join({Bytes("ZTP3"), {1, 0}, Bytes("EIH2"), {2, 2, 3, 0}, Bytes("abc")})},
      {"block cut short", Join({Bytes("ZTP3"), {1, 0}, Bytes("EIH1"), {2}})},
      {"seed A gives no key", Join({Bytes("ZTP3"), {1, 0}, Bytes("EIH2"), {0, 2, 3, 0}, Bytes("abc"), {0}})},
      {"seed A gives no key, empty password", Join({Bytes("ZTP3"), {1, 0}, Bytes("EIH2"), {0, 2, 0, 0, 1}})},
  };
  for (const auto& c : cases) EXPECT_FALSE(ParseTrailer(c.tail)) << c.what;
}

TEST(PakTrailer, WrittenTrailerReadsBack) {
  for (int seedA = 2; seedA <= 6; ++seedA)
    for (bool official : {false, true}) {
      const std::string password = "Pa55-" + std::to_string(seedA) + std::string(1, '\0') + "\xff";
      std::vector<uint8_t> file = Bytes("header");
      const auto trailer = EncodeTrailer(password, official, uint8_t(seedA), uint8_t(8 - seedA));
      file.insert(file.end(), trailer.begin(), trailer.end());
      const auto read = ParseTrailer(std::span(file).last(std::min(file.size(), kTrailerTail)));
      ASSERT_TRUE(read);
      EXPECT_EQ(read->form, TTrailerForm::Eih2);
      EXPECT_EQ(read->length, trailer.size());
      EXPECT_EQ(read->password, password);
      EXPECT_EQ(read->official, official);
    }
  const std::string longest(kPasswordMax, 'p');
  const auto trailer = EncodeTrailer(longest, true, 2, 2);
  EXPECT_EQ(trailer.size(), 56u);
  EXPECT_EQ(ParseTrailer(trailer)->password, longest);
}

TEST(PakDirectory, RecordsRoundTripAndNamesKeepTheirSpelling) {
  std::vector<TPakDirEntry> entries(3);
  entries[0] = {kPakRecordMarker, 2, 0, DosDate(2024, 5, 17), 100, 250, 0, "Data\\Maps\\One.map"};
  entries[1] = {kPakRecordMarker, 1, 7, DosDate(1999, 12, 31), 58, 44, 100, std::string(kPakNameMax, 'n')};
  entries[2] = {kPakRecordMarker, 2, 0, 0, 0, 0, 158, ""};
  std::vector<const TPakDirEntry*> list;
  for (const auto& e : entries) list.push_back(&e);
  TPakHeader header;
  const std::vector<uint8_t> packed = EncodeDirectory(list, header);
  EXPECT_EQ(header.count, 3u);
  EXPECT_EQ(header.unpackedSize, 3 * kPakDirEntrySize);
  EXPECT_EQ(header.packedSize, packed.size());
  const auto back = DecodeDirectory(header, packed);
  ASSERT_TRUE(back);
  ASSERT_EQ(back->size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ((*back)[i].name, entries[i].name);
    EXPECT_EQ((*back)[i].kind, entries[i].kind);
    EXPECT_EQ((*back)[i].reserved, entries[i].reserved);
    EXPECT_EQ((*back)[i].date, entries[i].date);
    EXPECT_EQ((*back)[i].storedSize, entries[i].storedSize);
    EXPECT_EQ((*back)[i].fullSize, entries[i].fullSize);
    EXPECT_EQ((*back)[i].offset, entries[i].offset);
  }
  EXPECT_EQ(DosDate(2024, 5, 17), ((44u << 9) | (5 << 5) | 17) << 16);
  const auto raw = EncodeHeader(header);
  EXPECT_EQ(raw.size(), kPakHeaderSize);
  EXPECT_EQ(raw[8], 5);
  EXPECT_TRUE(ParseHeader(raw));
}

TEST(PakDirectory, RecordLayoutIsByteExact) {
  TPakDirEntry e{kPakRecordMarker, 2, 0, 0x11223344, 0x55, 0x66, 0x77, "Ab"};
  uint8_t raw[kPakDirEntrySize];
  EncodeDirEntry(e, raw);
  const uint8_t expected[] = {0x0D, 0x0A, 2,    0, 0x44, 0x33, 0x22, 0x11, 0x55, 0, 0, 0,   0x66, 0,
                              0,    0,    0x77, 0, 0,    0,    0,    0,    0,    0, 2, 'A', 'b',  0};
  EXPECT_EQ(0, std::memcmp(raw, expected, sizeof expected));
  for (size_t i = sizeof expected; i < kPakDirEntrySize; ++i) EXPECT_EQ(raw[i], 0) << i;
  raw[20] = 0xEE;  // the reserved word is cleared on reading
  raw[24] = 128;
  EXPECT_FALSE(DecodeDirEntry(raw));
}

TEST(PakDirectory, DamagedHeadersAndStreamsAreRefused) {
  TPakDirEntry one{kPakRecordMarker, 2, 0, 0, 1, 1, 0, "x"};
  TPakHeader header;
  const std::vector<uint8_t> packed = EncodeDirectory({&one}, header);
  struct Case {
    const char* what;
    TPakHeader header;
    std::vector<uint8_t> packed;
  } cases[] = {
      {"count larger than the records", {header.packedSize, header.unpackedSize, 5, 2, 0}, packed},
      {"unpacked size wrong", {header.packedSize, header.unpackedSize + 1, 5, 1, 0}, packed},
      {"absurd unpacked size", {header.packedSize, 0xFFFFFFF0u, 5, 1, 0}, packed},
      {"stream damaged", header,
       [&] {
         auto p = packed;
         p[3] ^= 0xFF;
         return p;
       }()},
      {"stream cut",
       {header.packedSize - 2, header.unpackedSize, 5, 1, 0},
       {packed.begin(), packed.end() - 2}},
  };
  for (const auto& c : cases) EXPECT_FALSE(DecodeDirectory(c.header, c.packed)) << c.what;
  for (auto bad : {TPakHeader{0, 0, 4, 0, 0}, TPakHeader{0, 0, 5, 0, 1}})
    EXPECT_FALSE(ParseHeader(EncodeHeader(bad)));
}

TEST(PakLayout, FindsTheDirectoryBeforeHeaderAndTrailer) {
  TPakDirEntry one{kPakRecordMarker, 2, 0, 0, 4, 9, 0, "File.txt"};
  TPakHeader header;
  std::vector<uint8_t> file = Bytes("DATA");
  const auto packed = EncodeDirectory({&one}, header);
  file.insert(file.end(), packed.begin(), packed.end());
  const auto raw = EncodeHeader(header);
  file.insert(file.end(), raw.begin(), raw.end());
  const auto trailer = EncodeTrailer("pw", true, 6, 6);
  file.insert(file.end(), trailer.begin(), trailer.end());
  auto read = [&](const std::vector<uint8_t>& f) {
    return ReadPackageLayout(f.size(), [&](uint64_t at, uint8_t* into, size_t n) {
      if (at + n > f.size()) return false;
      std::memcpy(into, f.data() + at, n);
      return true;
    });
  };
  const auto layout = read(file);
  ASSERT_TRUE(layout);
  EXPECT_EQ(layout->directoryOffset, 4u);
  EXPECT_EQ(layout->entries.at(0).name, "File.txt");
  EXPECT_EQ(layout->trailer.password, "pw");
  EXPECT_TRUE(layout->trailer.official);
  // A packed size that reaches before the start of the file is damage, not a read.
  std::vector<uint8_t> bad = file;
  bad[file.size() - trailer.size() - 20] = 0xFF;
  EXPECT_FALSE(read(bad));
  EXPECT_FALSE(read(Bytes("tiny")));
}

}  // namespace
