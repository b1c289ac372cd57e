// Both HEX readers: what lands in the image, which lines are ignored, and
// when and how a read stops.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "image/hex_readers.h"
#include "image_test_support.h"

namespace kvn::image {
namespace {

using test::DataLine;
using test::kEndLine;
using test::Lines;
using test::UpperAddressLine;

constexpr int32_t kTolv01 = 18;
constexpr int32_t kTolv03 = 14;

// Runs the same text through the memory reader (CR LF) and the file reader
// (the given ending), so each case checks both.
enum class Reader { Text, FileCrLf, FileLf };

class HexReaders : public ::testing::TestWithParam<Reader> {
 protected:
  bool Read(const std::vector<std::string> &lines, int32_t record = kTolv01) {
    switch (GetParam()) {
      case Reader::Text: {
        const std::string text = Lines(lines, "\r\n");
        return ReadHexText(*image_, record, text.data(), static_cast<int32_t>(text.size()));
      }
      case Reader::FileCrLf:
        return ReadHexFile(*image_, record, dir_.Write("image.hex", Lines(lines, "\r\n")).c_str());
      case Reader::FileLf:
        return ReadHexFile(*image_, record, dir_.Write("image.hex", Lines(lines, "\n")).c_str());
    }
    return false;
  }
  uint8_t at(std::size_t offset) const { return image_->bytes[offset]; }

  std::unique_ptr<ImageBuffer> image_ = std::make_unique<ImageBuffer>();
  test::TempDir dir_;
  test::MessageRecorder messages_;
};

TEST_P(HexReaders, StoresDataAtItsAddressOverTheBlankFill) {
  ASSERT_TRUE(Read({DataLine(0x0010, {1, 2, 3}), DataLine(0x0100, {0xAA}), kEndLine}));
  EXPECT_EQ(at(0x0F), 0xFF);
  EXPECT_EQ(at(0x10), 1);
  EXPECT_EQ(at(0x12), 3);
  EXPECT_EQ(at(0x13), 0xFF);
  EXPECT_EQ(at(0x100), 0xAA);
  EXPECT_EQ(at(0x3FFFF), 0xFF);
  EXPECT_TRUE(messages_.texts().empty());
}

TEST_P(HexReaders, ZeroBlankForTolv03) {
  ASSERT_TRUE(Read({DataLine(0x0000, {0x11}), kEndLine}, kTolv03));
  EXPECT_EQ(at(0), 0x11);
  EXPECT_EQ(at(1), 0x00);
  EXPECT_EQ(at(0x3FFFF), 0x00);
}

TEST_P(HexReaders, ExtendedLinearAddressMovesLaterRecords) {
  ASSERT_TRUE(Read({":020000040003F7", DataLine(0xFFFC, {0x55, 0x55, 0xAA, 0xAA}), kEndLine}));
  EXPECT_EQ(at(0x3FFFC), 0x55);
  EXPECT_EQ(at(0x3FFFF), 0xAA);
  EXPECT_EQ(at(0xFFFC), 0xFF);
}

TEST_P(HexReaders, ExtendedSegmentAndStartRecordsChangeNothing) {
  ASSERT_TRUE(Read({UpperAddressLine(1), test::HexLine(2, 0, {0x10, 0x00}), test::HexLine(5, 0, {0, 0, 0, 0}),
                    test::HexLine(3, 0, {0, 0, 0, 0}), DataLine(0x0004, {0x42}), kEndLine}));
  EXPECT_EQ(at(0x10004), 0x42);
  EXPECT_EQ(at(0x00004), 0xFF);
}

TEST_P(HexReaders, ReadingTwiceGivesTheSameImage) {
  const std::vector<std::string> lines = {UpperAddressLine(2), DataLine(0x0000, {7}), kEndLine};
  ASSERT_TRUE(Read(lines));
  const auto first = image_->bytes;
  image_->bytes.fill(0x33);
  ASSERT_TRUE(Read(lines));
  EXPECT_EQ(image_->bytes, first);
  EXPECT_EQ(at(0x20000), 7);
}

TEST_P(HexReaders, UpperAddress1FFFAndTheLineAfterItAreIgnored) {
  // The line after the skipped record would fail the checksum if it were read.
  EXPECT_FALSE(Read({DataLine(0, {1}), ":020000041fffdc", ":04000000DEADBEEF00", DataLine(1, {2}),
                     ":0100020003FF", kEndLine}));
  EXPECT_EQ(at(0), 1);
  EXPECT_EQ(at(1), 2);
  ASSERT_EQ(messages_.texts().size(), 1u);
  // Lines 1, 2 and 3 were read; the two ignored lines are not counted.
  EXPECT_EQ(messages_.texts()[0], test::ChecksumMessage(3));
}

TEST_P(HexReaders, ChecksumErrorNamesTheLineAndStops) {
  EXPECT_FALSE(Read({DataLine(0, {1}), DataLine(1, {2}), ":0100020003FE", DataLine(3, {4}), kEndLine}));
  ASSERT_EQ(messages_.texts().size(), 1u);
  EXPECT_EQ(messages_.texts()[0], test::ChecksumMessage(3));
  // Records before the bad line are stored, none after it.
  EXPECT_EQ(at(1), 2);
  EXPECT_EQ(at(3), 0xFF);
}

TEST_P(HexReaders, AnyLineAfterTheEndRecordFails) {
  EXPECT_FALSE(Read({DataLine(0, {1}), kEndLine, ""}));
  ASSERT_EQ(messages_.texts().size(), 1u);
  EXPECT_EQ(messages_.texts()[0], test::kAfterEndMessage);
  EXPECT_FALSE(Read({DataLine(0, {1}), kEndLine, DataLine(1, {2})}));
  EXPECT_EQ(at(1), 0xFF);
}

TEST_P(HexReaders, NoDataIsAFailureWithoutAMessage) {
  EXPECT_FALSE(Read({kEndLine}));
  EXPECT_FALSE(Read({DataLine(0, {}), UpperAddressLine(1), kEndLine}));
  EXPECT_FALSE(Read({}));
  EXPECT_TRUE(messages_.texts().empty());
}

TEST_P(HexReaders, RecordPastTheImageFailsAndStoresNothingOfIt) {
  // 0x3FFFC + 5 bytes reaches offset 0x40000.
  EXPECT_FALSE(Read({DataLine(0, {9}), ":020000040003F7", DataLine(0xFFFC, {1, 2, 3, 4, 5}), kEndLine}));
  ASSERT_EQ(messages_.texts().size(), 1u);
  EXPECT_EQ(messages_.texts()[0], test::OutOfRangeMessage(3));
  EXPECT_EQ(at(0), 9);
  EXPECT_EQ(at(0x3FFFC), 0xFF);
  // Far outside, where a 32-bit offset would wrap to the start.
  EXPECT_FALSE(Read({test::HexLine(4, 0xFFFF, {0xFF, 0xFF}), DataLine(0x0001, {1}), kEndLine}));
  EXPECT_FALSE(Read({UpperAddressLine(0x0800), DataLine(0, {1}), kEndLine}));
  EXPECT_EQ(at(0), 0xFF);
}

TEST_P(HexReaders, RecordEndingExactlyAtTheImageEndIsStored) {
  ASSERT_TRUE(Read({":020000040003F7", DataLine(0xFFFF, {0x77}), kEndLine}));
  EXPECT_EQ(at(0x3FFFF), 0x77);
}

TEST_P(HexReaders, OverlongLineFailsLikeABadChecksum) {
  const std::string longRecord = DataLine(0, std::vector<uint8_t>(124, 0x12));  // 259 characters
  EXPECT_FALSE(Read({DataLine(0x1000, {1}), longRecord, kEndLine}));
  ASSERT_EQ(messages_.texts().size(), 1u);
  EXPECT_EQ(messages_.texts()[0], test::ChecksumMessage(2));
  EXPECT_EQ(at(0), 0xFF);
  // A 10000-character line also needs more than the file reader's carry.
  EXPECT_FALSE(Read({DataLine(0x1000, {1}), std::string(10000, '0'), kEndLine}));
}

TEST_P(HexReaders, LongestRecordThatFitsIsRead) {
  ASSERT_TRUE(Read({DataLine(0x0000, std::vector<uint8_t>(123, 0x34)), kEndLine}));
  EXPECT_EQ(at(122), 0x34);
  EXPECT_EQ(at(123), 0xFF);
}

TEST_P(HexReaders, TruncatedAndNonHexLinesFail) {
  EXPECT_FALSE(Read({DataLine(0, {1}), ":1000", kEndLine}));
  EXPECT_EQ(messages_.texts().back(), test::ChecksumMessage(2));
  EXPECT_FALSE(Read({":01000000ZZ00", kEndLine}));
  EXPECT_EQ(messages_.texts().back(), test::ChecksumMessage(1));
}

INSTANTIATE_TEST_SUITE_P(AllReaders, HexReaders, ::testing::Values(Reader::Text, Reader::FileCrLf, Reader::FileLf),
                         [](const auto &info) {
                           switch (info.param) {
                             case Reader::Text: return std::string("Text");
                             case Reader::FileCrLf: return std::string("FileCrLf");
                             case Reader::FileLf: return std::string("FileLf");
                           }
                           return std::string("Unknown");
                         });

class HexTextReader : public ::testing::Test {
 protected:
  bool Read(const std::string &text, int32_t length) { return ReadHexText(*image_, kTolv01, text.data(), length); }
  bool Read(const std::string &text) { return Read(text, static_cast<int32_t>(text.size())); }
  std::unique_ptr<ImageBuffer> image_ = std::make_unique<ImageBuffer>();
  test::MessageRecorder messages_;
};

TEST_F(HexTextReader, OnlyCrLfEndsALine) {
  // With lone line feeds the whole text is one unfinished line: nothing read.
  EXPECT_FALSE(Read(Lines({DataLine(0, {1}), kEndLine}, "\n")));
  EXPECT_TRUE(messages_.texts().empty());
  EXPECT_EQ(image_->bytes[0], 0xFF);
}

TEST_F(HexTextReader, LoneLineFeedInsideALineBelongsToIt) {
  EXPECT_FALSE(Read(DataLine(0, {1}) + "\n" + DataLine(1, {2}) + "\r\n" + kEndLine + "\r\n"));
  ASSERT_EQ(messages_.texts().size(), 1u);
  EXPECT_EQ(messages_.texts()[0], test::ChecksumMessage(1));
}

TEST_F(HexTextReader, BytesAfterTheLastCrLfAreIgnored) {
  EXPECT_TRUE(Read(Lines({DataLine(0, {1})}) + kEndLine));
  EXPECT_TRUE(Read(Lines({DataLine(0, {1}), kEndLine}) + "garbage"));
  EXPECT_TRUE(messages_.texts().empty());
}

TEST_F(HexTextReader, LengthBoundsTheText) {
  const std::string text = Lines({DataLine(0, {1}), kEndLine});
  // Cut inside the end line's CR LF: the end line is unfinished and ignored.
  EXPECT_TRUE(Read(text, static_cast<int32_t>(text.size()) - 1));
  // Cut before the first CR LF: no line at all.
  EXPECT_FALSE(Read(text, 5));
  EXPECT_FALSE(Read(text, 0));
  EXPECT_FALSE(Read(text, -1));
  EXPECT_FALSE(ReadHexText(*image_, kTolv01, nullptr, 100));
  EXPECT_TRUE(messages_.texts().empty());
}

TEST_F(HexTextReader, FillHappensEvenWhenNothingIsRead) {
  image_->bytes.fill(0x12);
  EXPECT_FALSE(ReadHexText(*image_, kTolv03, nullptr, 0));
  EXPECT_EQ(image_->bytes[100], 0x00);
}

TEST_F(HexTextReader, CrLfAtTheVeryStartIsAnEmptyLine) {
  EXPECT_FALSE(Read("\r\n" + Lines({DataLine(0, {1}), kEndLine})));
  ASSERT_EQ(messages_.texts().size(), 1u);
  EXPECT_EQ(messages_.texts()[0], test::ChecksumMessage(1));
}

class HexFileReader : public ::testing::Test {
 protected:
  bool Read(const std::string &content) {
    return ReadHexFile(*image_, kTolv01, dir_.Write("image.hex", content).c_str());
  }
  std::unique_ptr<ImageBuffer> image_ = std::make_unique<ImageBuffer>();
  test::TempDir dir_;
  test::MessageRecorder messages_;
};

TEST_F(HexFileReader, LastLineWithoutLineEndIsIgnored) {
  EXPECT_TRUE(Read(DataLine(0, {1}) + "\n" + kEndLine));
  EXPECT_TRUE(messages_.texts().empty());
}

TEST_F(HexFileReader, UnfinishedLastLineAfterTheEndRecordStillFails) {
  EXPECT_FALSE(Read(DataLine(0, {1}) + "\n" + kEndLine + "\n:garbage"));
  ASSERT_EQ(messages_.texts().size(), 1u);
  EXPECT_EQ(messages_.texts()[0], test::kAfterEndMessage);
}

TEST_F(HexFileReader, UnfinishedBadLastLineBeforeAnyEndIsIgnored) {
  EXPECT_TRUE(Read(DataLine(0, {1}) + "\n:0100"));
  EXPECT_TRUE(messages_.texts().empty());
}

TEST_F(HexFileReader, MissingFileOrFolderFailsWithoutAMessage) {
  image_->bytes.fill(0);
  EXPECT_FALSE(ReadHexFile(*image_, kTolv01, dir_.Path("missing.hex").c_str()));
  EXPECT_EQ(image_->bytes[0], 0xFF);  // filled before the open
  EXPECT_FALSE(ReadHexFile(*image_, kTolv01, "/tmp"));
  EXPECT_FALSE(ReadHexFile(*image_, kTolv01, nullptr));
  EXPECT_FALSE(ReadHexFile(*image_, kTolv01, "/dev/zero"));
  EXPECT_TRUE(messages_.texts().empty());
}

TEST_F(HexFileReader, LinesAcrossReadChunksAreJoined) {
  // Well over 64 KiB, with CR LF pairs landing on every possible boundary.
  std::vector<std::string> lines;
  for (uint32_t i = 0; i < 4000; ++i) {
    lines.push_back(DataLine(static_cast<uint16_t>(i * 16), std::vector<uint8_t>(16, static_cast<uint8_t>(i))));
  }
  lines.push_back(kEndLine);
  ASSERT_TRUE(Read(Lines(lines, "\r\n")));
  for (uint32_t i = 0; i < 4000; ++i) ASSERT_EQ(image_->bytes[i * 16 + 15], static_cast<uint8_t>(i)) << i;
  EXPECT_TRUE(messages_.texts().empty());
}

}  // namespace
}  // namespace kvn::image
