// The image buffer is the only large allocation: a HEX load allocates
// nothing at all, however many lines it reads.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "image_test_support.h"
#include "kvn_isp.h"

namespace {

std::atomic<long> g_allocations{0};

class HexLoadAllocations : public ::testing::Test {
 protected:
  void SetUp() override {
    kvn::test::ResetLibraryState();
    std::vector<std::string> lines;
    for (unsigned i = 0; i < 3000; ++i) {
      lines.push_back(kvn::test::DataLine(static_cast<uint16_t>(i * 16), std::vector<uint8_t>(16, 0x5A)));
    }
    lines.push_back(kvn::test::kEndLine);
    text_ = kvn::test::Lines(lines);
    path_ = dir_.Write("many.hex", text_);
    ASSERT_EQ(KvnISP_SetChipName("Tolv-01"), 1);
  }

  template <typename Load>
  long AllocationsOf(Load load) {
    const long before = g_allocations.load();
    EXPECT_EQ(load(), 1);
    return g_allocations.load() - before;
  }

  kvn::test::TempDir dir_;
  std::string text_;
  std::string path_;
};

TEST_F(HexLoadAllocations, BufferLoadAllocatesNothing) {
  EXPECT_EQ(AllocationsOf([&] { return KvnISP_LoadHexBuffer(text_.data(), static_cast<int32_t>(text_.size())); }), 0);
}

TEST_F(HexLoadAllocations, FileLoadAllocatesNothing) {
  EXPECT_EQ(AllocationsOf([&] { return KvnISP_LoadHexFileData(path_.c_str()); }), 0);
}

TEST_F(HexLoadAllocations, CounterSeesAnAllocation) {
  // The count works at all: a string too long for its inline buffer allocates.
  EXPECT_GE(AllocationsOf([] {
              std::string s(1000, 'x');
              return s.size() == 1000 ? 1 : 0;
            }),
            1);
}

}  // namespace

#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void *operator new(std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void *p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }
