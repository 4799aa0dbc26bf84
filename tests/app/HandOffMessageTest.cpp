#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "app/HandOffMessage.h"

using namespace std::string_literals;

namespace {

std::string header(uint32_t dataKind, uint32_t blockBytes) {
  std::string bytes;
  for (uint32_t value : {dataKind, blockBytes}) {
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<char>((value >> shift) & 0xFF));
  }
  return bytes;
}

using Paths = std::vector<std::string>;

TEST(HandOffMessage, NoArgumentTravelsAsOneZeroByte) {
  EXPECT_EQ(encodeHandOff({}), "\0\0\0\0\1\0\0\0\0"s);
}

TEST(HandOffMessage, PathTravelsWithLengthPlusOneAndATerminatingZero) {
  const std::string path = "/music/Новая песня.mp3";
  EXPECT_EQ(encodeHandOff({path}), header(0, static_cast<uint32_t>(path.size() + 1)) + path + '\0');
}

TEST(HandOffMessage, SeveralPathsFollowEachOtherEachWithItsZero) {
  EXPECT_EQ(encodeHandOff({"/a.mp3", "/b c.ogg"}), header(0, 16) + "/a.mp3\0/b c.ogg\0"s);
}

TEST(HandOffMessage, LengthFieldIsLittleEndian) {
  const std::string frame = encodeHandOff({std::string(300, 'a')});
  EXPECT_EQ(frame.substr(4, 4), "\x2d\x01\0\0"s);
}

TEST(HandOffMessage, EveryEncodedListDecodesToItself) {
  for (const Paths& paths :
       {Paths{}, Paths{"a"}, Paths{"/tmp/x y.mp3"}, Paths{"\xff\xfe raw 8-bit bytes"},
        Paths{"/a", "/b", "/a"}, Paths{std::string(kHandOffMaxBlockBytes - 1, 'p')}}) {
    const HandOffDecoded decoded = decodeHandOff(encodeHandOff(paths));
    EXPECT_EQ(decoded.status, HandOffStatus::Complete) << paths.size();
    EXPECT_EQ(decoded.paths, paths);
  }
}

TEST(HandOffMessage, OnlyListsThatFitAreSent) {
  EXPECT_TRUE(handOffFits({std::string(kHandOffMaxBlockBytes - 1, 'p')}));
  EXPECT_FALSE(handOffFits({std::string(kHandOffMaxBlockBytes, 'p')}));
  EXPECT_FALSE(handOffFits({std::string(kHandOffMaxBlockBytes / 2, 'p'), std::string(kHandOffMaxBlockBytes / 2, 'q')}));
}

TEST(HandOffMessage, EveryProperPrefixIsIncomplete) {
  const std::string frame = encodeHandOff({"/a/b.ogg", "/c.mp3"});
  for (std::size_t length = 0; length < frame.size(); ++length) {
    EXPECT_EQ(decodeHandOff(std::string_view(frame).substr(0, length)).status, HandOffStatus::Incomplete) << length;
  }
}

struct RefusedFrame {
  const char* name;
  std::string bytes;
};

class HandOffRefused : public testing::TestWithParam<RefusedFrame> {};

TEST_P(HandOffRefused, IsInvalid) {
  const HandOffDecoded decoded = decodeHandOff(GetParam().bytes);
  EXPECT_EQ(decoded.status, HandOffStatus::Invalid);
  EXPECT_TRUE(decoded.paths.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Frames, HandOffRefused,
    testing::Values(
        RefusedFrame{"OversizeAsSoonAsTheHeaderIsIn", header(0, kHandOffMaxBlockBytes + 1)},
        RefusedFrame{"OversizeByMuch", header(0, 0xFFFFFFFFu) + "abc"},
        RefusedFrame{"EmptyBlock", header(0, 0)},
        RefusedFrame{"OtherDataKind", header(1, 2) + "a\0"s},
        RefusedFrame{"OtherDataKindBeforeTheLength", "\0\0\0\x80"s},
        RefusedFrame{"MissingTerminatingZero", header(0, 4) + "abcd"},
        RefusedFrame{"EmptyPathBetweenPaths", header(0, 5) + "a\0\0c\0"s},
        RefusedFrame{"EmptyPathFirst", header(0, 3) + "\0c\0"s},
        RefusedFrame{"EmptyPathInAnIncompleteBlock", header(0, 10) + "ab\0\0"s},
        RefusedFrame{"BytesAfterTheFrame", encodeHandOff({"/a.mp3"}) + "x"},
        RefusedFrame{"SecondFrameAfterTheFirst", encodeHandOff({"/a.mp3"}) + encodeHandOff({"/b.mp3"})}),
    [](const testing::TestParamInfo<RefusedFrame>& info) { return std::string(info.param.name); });

TEST(HandOffMessage, LargestBlockIsAccepted) {
  const std::string path(kHandOffMaxBlockBytes - 1, 'x');
  const std::string frame = header(0, kHandOffMaxBlockBytes) + path + '\0';
  EXPECT_EQ(decodeHandOff(frame).status, HandOffStatus::Complete);
}

}  // namespace
