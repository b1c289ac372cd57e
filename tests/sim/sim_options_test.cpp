// The emulator's option texts, models and descriptors, without a testbed.
#include <gtest/gtest.h>

#include <cerrno>

#include "descriptors.h"
#include "device_options.h"
#include "echo_model.h"
#include "hex_text.h"
#include "hid/report_descriptor.h"
#include "model_table.h"
#include "scripted_model.h"

namespace {

using kvn::sim::DescriptorKind;
using kvn::sim::DeviceOptions;
using kvn::sim::ParseDeviceOptions;
using Bytes = std::vector<uint8_t>;

TEST(DeviceOptionsText, AllFrameworkKeys) {
  DeviceOptions o;
  std::string error;
  ASSERT_TRUE(ParseDeviceOptions("vid=0x1209,pid=71,report=keyboard+64+8+id,model=scripted,name=My pad,bcd=0x0210,"
                                 "fail-set=3:EIO,fail-get=2,unplug-after=9,refuse-rw=1,answers=0102",
                                 o, error))
      << error;
  EXPECT_EQ(o.vendorId, 0x1209);
  EXPECT_EQ(o.productId, 71);
  EXPECT_EQ(o.interfaces, (std::vector<DescriptorKind>{DescriptorKind::Keyboard, DescriptorKind::Vendor64,
                                                       DescriptorKind::Vendor8, DescriptorKind::Vendor64WithReportId}));
  ASSERT_NE(o.model, nullptr);
  EXPECT_EQ(o.model->name, "scripted");
  EXPECT_EQ(o.name, "My pad");
  EXPECT_EQ(o.bcdDevice, 0x0210);
  EXPECT_EQ(o.faults.failSetNumber, 3u);
  EXPECT_EQ(o.faults.setErrno, EIO);
  EXPECT_EQ(o.faults.failGetNumber, 2u);
  EXPECT_EQ(o.faults.getErrno, EPIPE);
  EXPECT_EQ(o.faults.unplugAfterReports, 9u);
  EXPECT_TRUE(o.faults.refuseReadWrite);
  EXPECT_EQ(o.options.at("answers"), "0102");
}

TEST(DeviceOptionsText, Defaults) {
  DeviceOptions o;
  std::string error;
  ASSERT_TRUE(ParseDeviceOptions("vid=1,pid=2", o, error)) << error;
  EXPECT_EQ(o.interfaces, std::vector<DescriptorKind>{DescriptorKind::Vendor64});
  EXPECT_EQ(o.model->name, "echo");
  EXPECT_EQ(o.faults.failSetNumber, 0u);
  EXPECT_FALSE(o.faults.refuseReadWrite);
}

TEST(DeviceOptionsText, RefusesWhatItCannotUse) {
  for (const char *text : {"", "pid=2", "vid=1", "vid=0,pid=2", "vid=0x10000,pid=2", "vid=1,pid=2,pid=3",
                           "vid=1,pid=2,report=16", "vid=1,pid=2,report=64+", "vid=1,pid=2,model=none",
                           "vid=1,pid=2,answers=01", "vid=1,pid=2,fail-set=0", "vid=1,pid=2,fail-get=1:EWHAT",
                           "vid=1,pid=2,unplug-after=0", "vid=1,pid=2,refuse-rw=yes", "vid=1,pid=2,junk",
                           "vid=1,pid=2,=3", "vid=1,pid=2,name=", "vid=x1,pid=2"}) {
    DeviceOptions o;
    std::string error;
    EXPECT_FALSE(ParseDeviceOptions(text, o, error)) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
}

TEST(DeviceOptionsText, ErrnoNamesAndNumbers) {
  int e = 0;
  ASSERT_TRUE(kvn::sim::ParseErrno("ETIMEDOUT", e));
  EXPECT_EQ(e, ETIMEDOUT);
  ASSERT_TRUE(kvn::sim::ParseErrno("19", e));
  EXPECT_EQ(e, 19);
  EXPECT_FALSE(kvn::sim::ParseErrno("0", e));
  EXPECT_FALSE(kvn::sim::ParseErrno("epipe", e));
}

TEST(HexText, RoundTripAndRefusals) {
  Bytes b;
  ASSERT_TRUE(kvn::sim::ParseHexBytes("00a1FF", b));
  EXPECT_EQ(b, (Bytes{0x00, 0xA1, 0xFF}));
  EXPECT_EQ(kvn::sim::HexText(b.data(), b.size()), "00A1FF");
  EXPECT_FALSE(kvn::sim::ParseHexBytes("abc", b));
  EXPECT_FALSE(kvn::sim::ParseHexBytes("0g", b));
  uint64_t n = 0;
  EXPECT_TRUE(kvn::sim::ParseNumber("0xFFFF", 0xFFFF, n));
  EXPECT_EQ(n, 0xFFFFu);
  EXPECT_FALSE(kvn::sim::ParseNumber("65536", 0xFFFF, n));
  EXPECT_FALSE(kvn::sim::ParseNumber("0x", 0xFFFF, n));
  EXPECT_FALSE(kvn::sim::ParseNumber("99999999999999999999999", UINT64_MAX, n));
}

TEST(ModelTable, NamesKeysAndFactories) {
  ASSERT_NE(kvn::sim::FindModel("echo"), nullptr);
  const kvn::sim::ModelEntry *scripted = kvn::sim::FindModel("scripted");
  ASSERT_NE(scripted, nullptr);
  EXPECT_TRUE(kvn::sim::ModelTakesKey(*scripted, "answers"));
  EXPECT_TRUE(kvn::sim::ModelTakesKey(*scripted, "loop"));
  EXPECT_FALSE(kvn::sim::ModelTakesKey(*scripted, "answer"));
  EXPECT_FALSE(kvn::sim::ModelTakesKey(*kvn::sim::FindModel("echo"), ""));
  EXPECT_EQ(kvn::sim::FindModel("nothing"), nullptr);
  for (const char *name : {"echo", "scripted"}) {
    std::string error;
    EXPECT_NE(kvn::sim::FindModel(name)->make(kvn::sim::ModelOptions{}, error), nullptr) << name << ": " << error;
  }
}

TEST(EchoModel, AnswersTheLastReportPaddedWithZeros) {
  kvn::sim::EchoModel echo;
  uint8_t answer[6] = {};
  std::size_t sent = 6;
  ASSERT_EQ(echo.OnGetFeature(0, answer, 6, sent), 0);
  EXPECT_EQ(Bytes(answer, answer + 6), Bytes(6, 0));
  const uint8_t data[4] = {1, 2, 3, 4};
  ASSERT_EQ(echo.OnSetFeature(0, data, 4), 0);
  ASSERT_EQ(echo.OnGetFeature(0, answer, 6, sent), 0);
  EXPECT_EQ(sent, 6u);
  EXPECT_EQ(Bytes(answer, answer + 6), (Bytes{1, 2, 3, 4, 0, 0}));
  uint8_t small[2] = {};
  ASSERT_EQ(echo.OnGetFeature(0, small, 2, sent), 0);
  EXPECT_EQ(Bytes(small, small + 2), (Bytes{1, 2}));
}

TEST(ScriptedModel, AnswersInTurnThenStallsOrLoops) {
  std::string error;
  auto model = kvn::sim::MakeScriptedModel({{"answers", "0102++0A0B0C"}}, error);
  ASSERT_NE(model, nullptr) << error;
  uint8_t answer[2];
  std::size_t sent = 2;
  ASSERT_EQ(model->OnGetFeature(0, answer, 2, sent), 0);
  EXPECT_EQ(sent, 2u);
  EXPECT_EQ(Bytes(answer, answer + 2), (Bytes{1, 2}));
  sent = 2;
  ASSERT_EQ(model->OnGetFeature(0, answer, 2, sent), 0);
  EXPECT_EQ(sent, 0u);  // an empty answer
  sent = 2;
  ASSERT_EQ(model->OnGetFeature(0, answer, 2, sent), 0);
  EXPECT_EQ(sent, 2u);  // cut to the room there is
  EXPECT_EQ(Bytes(answer, answer + 2), (Bytes{0x0A, 0x0B}));
  EXPECT_EQ(model->OnGetFeature(0, answer, 2, sent), EPIPE);

  auto looping = kvn::sim::MakeScriptedModel({{"answers", "55"}, {"loop", "1"}}, error);
  ASSERT_NE(looping, nullptr);
  for (int i = 0; i < 3; ++i) {
    sent = 2;
    ASSERT_EQ(looping->OnGetFeature(0, answer, 2, sent), 0);
    EXPECT_EQ(answer[0], 0x55);
  }
}

TEST(ScriptedModel, ScriptedErrorsAndReceivedReports) {
  kvn::sim::ScriptedModel model;
  model.Queue({{}, ETIMEDOUT});
  model.FailNextSet(EIO);
  const uint8_t data[3] = {7, 8, 9};
  EXPECT_EQ(model.OnSetFeature(0, data, 3), EIO);
  EXPECT_EQ(model.OnSetFeature(0, data, 3), 0);
  EXPECT_EQ(model.Received(), (std::vector<Bytes>{{7, 8, 9}}));
  uint8_t answer[1];
  std::size_t sent = 1;
  EXPECT_EQ(model.OnGetFeature(0, answer, 1, sent), ETIMEDOUT);
  EXPECT_EQ(model.AnswersLeft(), 0u);
}

TEST(Descriptors, WhatTheLibraryReadsFromEachKind) {
  struct Expect {
    DescriptorKind kind;
    uint32_t length;
    uint8_t reportId;
  };
  for (const Expect &e : {Expect{DescriptorKind::Vendor64, 65, 0}, Expect{DescriptorKind::Vendor8, 9, 0},
                          Expect{DescriptorKind::Vendor64WithReportId, 65, 1},
                          Expect{DescriptorKind::Keyboard, 0, 0}}) {
    const Bytes d = kvn::sim::DescriptorBytes(e.kind);
    const auto caps = kvn::hid::ParseReportDescriptor(d.data(), d.size());
    ASSERT_TRUE(caps.parsed);
    EXPECT_EQ(caps.featureReportByteLength, e.length);
    EXPECT_EQ(caps.firstFeatureValueReportId, e.reportId);
  }
  EXPECT_EQ(kvn::sim::DescriptorKindByName("keyboard"), DescriptorKind::Keyboard);
  EXPECT_FALSE(kvn::sim::DescriptorKindByName("65").has_value());
}

}  // namespace
