#include "json_writer.h"

#include <gtest/gtest.h>

#include <limits>

namespace kvnisp {
namespace {

TEST(JsonString, EscapesQuotesBackslashesAndControls) {
  EXPECT_EQ(JsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(JsonString("line\nnext\ttab\r"), "\"line\\nnext\\ttab\\r\"");
  EXPECT_EQ(JsonString(std::string("\x01\x1f\x7f", 3)), "\"\\u0001\\u001f\\u007f\"");
  EXPECT_EQ(JsonString(std::string("a\0b", 3)), "\"a\\u0000b\"");
}

TEST(JsonString, KeepsValidUtf8AndReplacesBrokenBytes) {
  EXPECT_EQ(JsonString("固件 ü"), "\"固件 ü\"");
  EXPECT_EQ(JsonString("\xff"), "\"\\ufffd\"");
  EXPECT_EQ(JsonString("\xe5\x9b"), "\"\\ufffd\\ufffd\"");        // truncated sequence
  EXPECT_EQ(JsonString("\xc0\xaf"), "\"\\ufffd\\ufffd\"");        // overlong '/'
  EXPECT_EQ(JsonString("\xed\xa0\x80"), "\"\\ufffd\\ufffd\\ufffd\"");  // surrogate
}

TEST(JsonObject, BuildsMembersInOrder) {
  JsonObject inner;
  inner.Add("index", 0).Add("name", "x");
  JsonObject object;
  object.Add("chip", "Tolv-01")
      .Add("code", 26)
      .Add("ok", false)
      .AddNull("checksum")
      .AddSeconds("durationSeconds", 1.23456)
      .AddOptional("mask", std::optional<uint32_t>{})
      .AddOptional("record", std::optional<int>{18})
      .Add("devices", std::vector<JsonObject>{inner, inner});
  EXPECT_EQ(object.Text(),
            "{\"chip\":\"Tolv-01\",\"code\":26,\"ok\":false,\"checksum\":null,\"durationSeconds\":1.235,"
            "\"mask\":null,\"record\":18,\"devices\":[{\"index\":0,\"name\":\"x\"},{\"index\":0,\"name\":\"x\"}]}");
  EXPECT_EQ(JsonObject().Text(), "{}");
  EXPECT_EQ(JsonObject().AddSeconds("t", std::numeric_limits<double>::infinity()).Text(), "{\"t\":null}");
}

}  // namespace
}  // namespace kvnisp
