// A fresh testbed per test, with helpers to plug in products.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "echo_model.h"
#include "hid/device_table.h"
#include "scripted_model.h"
#include "testbed.h"

namespace kvn::test {

inline constexpr uint16_t kVid = 0x1209;
inline constexpr uint16_t kPid = 0x0047;

class TestbedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim::Testbed::PreloadActive()) << "run under umockdev-wrapper";
    bed = std::make_unique<sim::Testbed>();
    ASSERT_TRUE(bed->Ok()) << bed->Error();
    hid::SetReportDataLength(64);
    hid::SelectDevice(0);
  }
  void TearDown() override { bed.reset(); }

  // A product of interfaces, each with a model where one is given.
  sim::Product &Plug(uint16_t vid, uint16_t pid, std::vector<sim::InterfaceSpec> interfaces) {
    sim::ProductSpec def;
    def.vendorId = vid;
    def.productId = pid;
    def.interfaces = std::move(interfaces);
    std::string error;
    sim::Product *product = bed->AddProduct(std::move(def), error);
    EXPECT_NE(product, nullptr) << error;
    return *product;
  }

  // One interface of kind behind an echo model.
  sim::Node &PlugEcho(sim::DescriptorKind kind, uint16_t vid = kVid, uint16_t pid = kPid) {
    std::vector<sim::InterfaceSpec> interfaces;
    interfaces.push_back(sim::InterfaceSpec::Of(kind, std::make_unique<sim::EchoModel>()));
    return Plug(vid, pid, std::move(interfaces)).Interface(0);
  }

  // One interface of kind behind a scripted model; model points at it.
  sim::Node &PlugScripted(sim::DescriptorKind kind, sim::ScriptedModel *&model) {
    auto owned = std::make_unique<sim::ScriptedModel>();
    model = owned.get();
    std::vector<sim::InterfaceSpec> interfaces;
    interfaces.push_back(sim::InterfaceSpec::Of(kind, std::move(owned)));
    return Plug(kVid, kPid, std::move(interfaces)).Interface(0);
  }

  std::unique_ptr<sim::Testbed> bed;
};

}  // namespace kvn::test
